#include "storage/IndexFile.h"

#include "platform/ByteOrder.h"
#include "platform/FileException.h"

#include <algorithm>
#include <cstring>

using namespace IndexFormat;

namespace {
// An entry with flag bits that mean nothing is damage: taken as deleted it would drop its
// record from every list without a word, and all ones would read as "no entry".
const CIndexEntry& CheckedFlags(const CIndexEntry& entry) {
    if (!entry.HasKnownFlags())
        throw CFileException(FileCause::generic);
    return entry;
}

} // namespace

CIndexFile::CIndexFile() {
    m_header.skip.fill(-1);
}

// After a failed write the file's bytes are not known: read them afresh next time.
void CIndexFile::ForgetCaches() {
    m_image.Forget();
    m_header.generation = -1;
    m_skip.Forget();
}

int CIndexFile::Create(const std::string& path, int mode) {
    m_lastError = 0;
    Close();
    m_header = CIndexHeader::Empty();
    if (!CreateFile(path, mode))
        return 0;
    try {
        std::vector<std::uint8_t> bytes(headerSize);
        EncodeIndexHeader(m_header, bytes.data());
        m_file.WriteAt(bytes.data(), bytes.size(), 0);
    } catch (const CFileException& e) {
        m_file.Close();
        Fail(e.Cause());
        return 0;
    }
    m_path = path;
    m_open = true;
    m_readOnly = mode != 0;
    m_image.LoadEmpty(); // a new file has no entries
    m_fileModificationCount = 0;
    return 1;
}

int CIndexFile::Open(const std::string& path, int mode) {
    m_lastError = 0;
    Close();
    if (!OpenFile(path, mode))
        return 0;
    m_path = path;
    m_open = true;
    if (RefreshHeader())
        GoFirst();
    return 1;
}

void CIndexFile::Close() {
    CloseFile();
    m_header = Header{};
    m_header.skip.fill(-1);
    m_cursor.Clear();
    m_lastInserted = -1;
    m_image.Reset();
    m_skip.Reset();
    m_fileModificationCount = 0;
}

int CIndexFile::Preload() {
    return Guard(0, [&] {
        LoadImage();
        return 1;
    });
}

// --- entries ---

void CIndexFile::LoadImage() {
    if (UsesImage() && !m_image.IsLoaded())
        m_image.Load(m_file);
}

std::int32_t CIndexFile::CountEntries() {
    if (m_image.IsLoaded())
        return m_image.Count();
    std::int64_t length = m_file.GetLength();
    if (length < headerSize)
        return 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>((length - headerSize) / entrySize, INT32_MAX));
}

CIndexEntry CIndexFile::Load(std::int32_t i) {
    if (i < 0)
        throw CFileException(FileCause::badSeek);
    if (m_image.IsLoaded())
        return CheckedFlags(m_image.Entry(i));
    CIndexEntry entry;
    std::uint8_t bytes[entrySize];
    if (m_file.ReadAt(bytes, entrySize, EntryFileOffset(i)) != static_cast<std::size_t>(entrySize))
        throw CFileException(FileCause::endOfFile);
    entry.Decode(bytes);
    entry.number = i;
    return CheckedFlags(entry);
}

void CIndexFile::Store(CIndexEntry& entry, std::int32_t i) {
    if (i < 0)
        throw CFileException(FileCause::badSeek);
    entry.number = i;
    std::uint8_t bytes[entrySize];
    entry.Encode(bytes);
    // The writer reads the entries in bulk only for a pass over the whole list (a skip
    // table rebuild, Preload): a change costs a few reads of single entries, so opening a
    // large index and adding one record does not pay for reading all of it.
    const bool image = m_image.IsLoaded();
    try {
        m_file.WriteAt(bytes, entrySize, EntryFileOffset(i));
    } catch (const CFileException&) {
        ForgetCaches();
        throw;
    }
    if (image)
        m_image.Store(i, bytes, entry.next);
}

int CIndexFile::ReadEntry(CIndexEntry& entry, std::int32_t i) {
    return Guard(0, [&] {
        entry = Load(i);
        return 1;
    });
}

int CIndexFile::WriteEntry(CIndexEntry& entry, std::int32_t i) {
    return Guard(0, [&] {
        // A caller may give an entry a new key or new links: no kept slot key or list
        // order can be trusted then.
        m_skip.Forget();
        Store(entry, i);
        return 1;
    });
}

std::int32_t CIndexFile::EntryCount() {
    return Guard(std::int32_t{-1}, [&] { return CountEntries(); });
}

std::int32_t CIndexFile::CountFamily(char prefix, bool liveOnly) {
    return Guard(std::int32_t{-1}, [&] {
        LoadImage();
        std::int32_t found = 0;
        const std::int32_t count = CountEntries();
        for (std::int32_t i = 0; i < count; ++i) {
            const CIndexEntry entry = Load(i);
            const std::string_view key = entry.Key();
            if (!key.empty() && key[0] == prefix && (!liveOnly || !entry.IsDeleted()))
                ++found;
        }
        return found;
    });
}

int CIndexFile::MarkDeleted(std::int32_t i) {
    return Guard(0, [&] {
        CIndexEntry entry = Load(i);
        entry.flags |= flagDeleted;
        Store(entry, i);
        return 1;
    });
}

// --- header ---

void CIndexFile::RefreshHeaderOrThrow() {
    // The writer holds the file alone: what it last wrote is what the file holds.
    if (!m_readOnly && m_header.generation != -1)
        return;
    std::uint8_t first[8];
    if (m_file.ReadAt(first, sizeof first, 0) != sizeof first)
        throw CFileException(FileCause::endOfFile);
    if (m_header.generation != -1 && GetLe32(first) == m_header.generation)
        return;
    std::vector<std::uint8_t> bytes(headerSize);
    if (m_file.ReadAt(bytes.data(), bytes.size(), 0) != bytes.size())
        throw CFileException(FileCause::endOfFile);
    DecodeIndexHeader(bytes.data(), m_header);
    m_fileModificationCount = m_header.modificationCount;
    m_skip.Forget();
    m_skip.Recheck(CountEntries());
}

int CIndexFile::RefreshHeader() {
    return Guard(0, [&] {
        RefreshHeaderOrThrow();
        return 1;
    });
}

void CIndexFile::WriteHeader(bool resetCount) {
    m_header.generation = WrapIncrement(m_header.generation);
    m_header.modificationCount = WrapIncrement(m_header.modificationCount);
    if (resetCount)
        m_header.modificationCount = 0;
    std::vector<std::uint8_t> bytes(headerSize);
    EncodeIndexHeader(m_header, bytes.data());
    try {
        m_file.WriteAt(bytes.data(), bytes.size(), 0);
    } catch (const CFileException&) {
        ForgetCaches();
        throw;
    }
    m_fileModificationCount = m_header.modificationCount;
}

std::int32_t CIndexFile::FileModificationCount() {
    if (!m_readOnly && m_header.generation != -1)
        return m_fileModificationCount;
    std::uint8_t bytes[8];
    if (m_file.ReadAt(bytes, sizeof bytes, 0) != sizeof bytes)
        throw CFileException(FileCause::endOfFile);
    return GetLe32(bytes + 4);
}

// Counts an insertion in the file only; the cached header keeps its own count.
void CIndexFile::BumpModificationCount() {
    std::int32_t count = WrapIncrement(FileModificationCount());
    std::uint8_t bytes[4];
    PutLe32(bytes, count);
    try {
        m_file.WriteAt(bytes, sizeof bytes, 4);
    } catch (const CFileException&) {
        ForgetCaches();
        throw;
    }
    m_fileModificationCount = count;
}
