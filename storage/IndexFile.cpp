#include "storage/IndexFile.h"

#include "platform/ByteOrder.h"
#include "platform/Prompt.h"
#include "storage/DatabaseFile.h"

#include <algorithm>
#include <cstring>

using namespace IndexFormat;

namespace {
// Entries held in memory at most; a larger file is read entry by entry instead.
constexpr std::int64_t maxImageBytes = std::int64_t{64} << 20;
// Rebuilds of the skip table wait for this many insertions in the middle of the list.
constexpr std::uint32_t rebuildThreshold = 256;

std::int64_t EntryOffset(std::int32_t i) {
    return headerSize + std::int64_t{entrySize} * i;
}

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

template <class R, class Op> R CIndexFile::Guard(R failure, Op&& op) {
    m_lastError = 0;
    if (!m_open)
        return failure;
    try {
        return op();
    } catch (const CFileException& e) {
        Fail(e.Cause());
        return failure;
    }
}

void CIndexFile::Fail(int cause) {
    m_lastError = cause;
    if (cause != 0)
        ShowMessage(FileErrorText(cause));
}

// After a failed write the file's bytes are not known: read them afresh next time.
void CIndexFile::ForgetCaches() {
    m_image.clear();
    m_nextLinks.clear();
    m_imageLoaded = false;
    m_header.generation = -1;
    m_exactSlots = 0;
    ForgetSlotKeys();
}

void CIndexFile::ForgetSlotKeys() {
    for (auto& cached : m_slotKeys)
        cached.first = -1;
}

int CIndexFile::Create(const std::string& path, int mode) {
    m_lastError = 0;
    Close();
    m_header = CIndexHeader::Empty();
    CFileException error;
    if (!m_file.Open(path, DatabaseOpenFlags(mode, true), &error)) {
        Fail(error.Cause());
        return 0;
    }
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
    m_imageLoaded = true; // a new file has no entries
    m_fileModificationCount = 0;
    return 1;
}

int CIndexFile::Open(const std::string& path, int mode) {
    m_lastError = 0;
    Close();
    CFileException error;
    if (!OpenDatabaseFile(m_file, path, mode, m_readOnly, error)) {
        m_readOnly = false;
        Fail(error.Cause());
        return 0;
    }
    m_path = path;
    m_open = true;
    if (RefreshHeader())
        GoFirst();
    return 1;
}

void CIndexFile::Close() {
    CloseDatabaseFile(m_file);
    m_open = false;
    m_readOnly = false;
    m_path.clear();
    m_header = Header{};
    m_header.skip.fill(-1);
    m_current = CIndexEntry{};
    m_lastInserted = -1;
    m_image.clear();
    m_nextLinks.clear();
    m_imageLoaded = false;
    m_imageTooLarge = false;
    m_skipTableSane = true;
    m_fileModificationCount = 0;
    m_exactSlots = 0;
    ForgetSlotKeys();
}

int CIndexFile::Preload() {
    return Guard(0, [&] {
        if (UsesImage() && !m_imageLoaded)
            LoadImage();
        return 1;
    });
}

int CIndexFile::Flush() {
    return Guard(0, [&] {
        // Nothing written since the last sync (always so for a reader): nothing to sync.
        if (m_file.HasUnsyncedWrites())
            m_file.Flush();
        return 1;
    });
}

// --- entries ---

void CIndexFile::LoadImage() {
    std::int64_t length = m_file.GetLength();
    std::int64_t count = length < headerSize ? 0 : (length - headerSize) / entrySize;
    if (count * entrySize > maxImageBytes) {
        m_imageTooLarge = true;
        return;
    }
    std::vector<std::uint8_t> image(static_cast<std::size_t>(count * entrySize));
    if (!image.empty() && m_file.ReadAt(image.data(), image.size(), headerSize) != image.size())
        throw CFileException(FileCause::endOfFile);
    m_image = std::move(image);
    m_nextLinks.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < m_nextLinks.size(); ++i)
        m_nextLinks[i] = GetLe32(m_image.data() + i * entrySize + 4);
    m_imageLoaded = true;
}

std::int32_t CIndexFile::CountEntries() {
    if (m_imageLoaded)
        return static_cast<std::int32_t>(m_image.size() / entrySize);
    std::int64_t length = m_file.GetLength();
    if (length < headerSize)
        return 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>((length - headerSize) / entrySize, INT32_MAX));
}

CIndexEntry CIndexFile::Load(std::int32_t i) {
    if (i < 0)
        throw CFileException(FileCause::badSeek);
    CIndexEntry entry;
    if (m_imageLoaded) {
        if (i >= CountEntries())
            throw CFileException(FileCause::endOfFile);
        entry.Decode(m_image.data() + static_cast<std::size_t>(i) * entrySize);
        entry.number = i;
        return CheckedFlags(entry);
    }
    std::uint8_t bytes[entrySize];
    if (m_file.ReadAt(bytes, entrySize, EntryOffset(i)) != static_cast<std::size_t>(entrySize))
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
    // The writer reads the entries in bulk on its first change; until then it reads them
    // one by one, so opening a large index costs nothing.
    if (UsesImage() && !m_imageLoaded)
        LoadImage();
    const bool image = m_imageLoaded;
    try {
        m_file.WriteAt(bytes, entrySize, EntryOffset(i));
    } catch (const CFileException&) {
        ForgetCaches();
        throw;
    }
    if (image) {
        std::size_t end = (static_cast<std::size_t>(i) + 1) * entrySize;
        if (m_image.size() < end)
            m_image.resize(end);
        std::memcpy(m_image.data() + end - entrySize, bytes, entrySize);
        if (m_nextLinks.size() <= static_cast<std::size_t>(i))
            m_nextLinks.resize(static_cast<std::size_t>(i) + 1);
        m_nextLinks[static_cast<std::size_t>(i)] = entry.next;
    }
}

int CIndexFile::ReadEntry(CIndexEntry& entry, std::int32_t i) {
    return Guard(0, [&] {
        entry = Load(i);
        return 1;
    });
}

int CIndexFile::WriteEntry(CIndexEntry& entry, std::int32_t i) {
    return Guard(0, [&] {
        // A caller may give an entry a new key: no kept slot key can be trusted then.
        ForgetSlotKeys();
        Store(entry, i);
        return 1;
    });
}

std::int32_t CIndexFile::EntryCount() {
    return Guard(std::int32_t{-1}, [&] { return CountEntries(); });
}

std::int32_t CIndexFile::CountFamily(char prefix, bool liveOnly) {
    return Guard(std::int32_t{-1}, [&] {
        if (UsesImage() && !m_imageLoaded)
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

bool CIndexFile::SkipTableIsSane() {
    // A list of entries has a first and a last slot, an empty one none.
    if (m_header.skipLength < 0 || m_header.skipLength == 1 || m_header.skipLength > skipSlots)
        return false;
    std::int32_t count = CountEntries();
    for (int k = 0; k < m_header.skipLength; ++k) {
        std::int32_t slot = m_header.skip[static_cast<std::size_t>(k)];
        // A used slot always names an entry: -1 there would read as an empty list.
        if (slot < 0 || slot >= count)
            return false;
    }
    return true;
}

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
    m_exactSlots = 0;
    // A failed add taken back by its writer cuts its entries off, and their numbers are
    // given to the next entries: a key kept for a number is only good until the header
    // changes.
    ForgetSlotKeys();
    m_skipTableSane = SkipTableIsSane();
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

// --- positioned searches ---

// An entry's key never changes once written (only its links and flags do), so the keys
// of the slot entries can be kept between searches while the header stays the same (see
// RollBack for why not longer).
const std::string& CIndexFile::SlotKey(int slot, std::int32_t entry) {
    if (m_slotKeys.size() <= static_cast<std::size_t>(slot))
        m_slotKeys.resize(static_cast<std::size_t>(slot) + 1, {-1, {}});
    auto& cached = m_slotKeys[static_cast<std::size_t>(slot)];
    if (cached.first != entry) {
        cached.second = std::string(Load(entry).Key());
        cached.first = entry;
    }
    return cached.second;
}

int CIndexFile::StartSlot(std::string_view key, bool foldCase, bool firstOfEqual) {
    RefreshHeaderOrThrow();
    if (!m_skipTableSane)
        throw CFileException(FileCause::generic);
    const int length = m_header.skipLength;
    if (length <= 0 || m_header.skip[0] == -1)
        return -1;
    // The last slot whose entry is below key (firstOfEqual) or not above it; slot 0 when
    // none is, since a walk from the first entry finds everything.
    int low = 0, high = length - 1, found = 0;
    while (low <= high) {
        int middle = low + (high - low) / 2;
        std::int32_t slot = m_header.skip[static_cast<std::size_t>(middle)];
        int c = slot < 0 ? 1 : CompareKeys(SlotKey(middle, slot), key, foldCase);
        if (firstOfEqual ? c < 0 : c <= 0) {
            found = middle;
            low = middle + 1;
        } else {
            high = middle - 1;
        }
    }
    return found;
}

std::int32_t CIndexFile::FindInsertPositionOrThrow(std::string_view key, bool foldCase,
                                                   int& startSlot) {
    startSlot = StartSlot(key, foldCase, false);
    if (startSlot < 0)
        return -2;
    std::int32_t i = m_header.skip[static_cast<std::size_t>(startSlot)];
    for (std::int64_t budget = WalkBudget(); budget > 0; --budget) {
        CIndexEntry entry = Load(i);
        if (CompareKeys(entry.Key(), key, foldCase) > 0)
            return i;
        if (entry.next == -1)
            return -2;
        i = entry.next;
    }
    throw CFileException(FileCause::generic);
}

std::int32_t CIndexFile::FindFloorOrThrow(std::string_view key, bool foldCase) {
    int s = StartSlot(key, foldCase, false);
    if (s < 0)
        return -1;
    std::int32_t i = m_header.skip[static_cast<std::size_t>(s)];
    CIndexEntry entry = Load(i);
    const bool single = key.size() == 1;
    if (!single && CompareKeys(entry.Key(), key, foldCase) > 0)
        return entry.previous != -1 ? entry.previous : i;
    for (std::int64_t budget = WalkBudget(); budget > 0; --budget) {
        bool above = CompareKeys(entry.Key(), key, foldCase) > 0;
        if (single && above)
            return i;
        if (entry.next == -1)
            return single ? -1 : i;
        CIndexEntry next = Load(entry.next);
        if (!single && CompareKeys(next.Key(), key, foldCase) > 0)
            return i;
        i = entry.next;
        entry = next;
    }
    throw CFileException(FileCause::generic);
}

std::int32_t CIndexFile::FindFirstOrBeforeOrThrow(std::string_view key, bool foldCase) {
    int s = StartSlot(key, foldCase, true);
    if (s < 0)
        return -1;
    std::int32_t i = m_header.skip[static_cast<std::size_t>(s)];
    for (std::int64_t budget = WalkBudget(); budget > 0; --budget) {
        CIndexEntry entry = Load(i);
        int c = CompareKeys(entry.Key(), key, foldCase);
        if (c >= 0) {
            if (key.size() == 1 || c == 0)
                return i;
            return entry.previous != -1 ? entry.previous : i;
        }
        if (entry.next == -1)
            return i; // every entry is below key: the last one
        i = entry.next;
    }
    throw CFileException(FileCause::generic);
}

std::int32_t CIndexFile::FindInsertPosition(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] {
        int startSlot = 0;
        return FindInsertPositionOrThrow(key, foldCase, startSlot);
    });
}

std::int32_t CIndexFile::FindFloor(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] { return FindFloorOrThrow(key, foldCase); });
}

std::int32_t CIndexFile::FindFirstOrBefore(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] { return FindFirstOrBeforeOrThrow(key, foldCase); });
}

std::int32_t CIndexFile::FindExact(std::string_view key, bool foldCase) {
    return Guard(std::int32_t{-1}, [&] {
        std::int32_t i = FindFloorOrThrow(key, foldCase);
        if (i < 0)
            return std::int32_t{-1};
        return CompareKeys(Load(i).Key(), key, foldCase) == 0 ? i : std::int32_t{-1};
    });
}

// --- insertion and the skip table ---

void CIndexFile::Append(CIndexEntry& entry, std::int32_t n) {
    const int length = m_header.skipLength;
    std::int32_t last = length > 0 ? m_header.skip[static_cast<std::size_t>(length - 1)] : -1;
    entry.next = -1;
    if (last == -1) {
        // An empty table over entries that are linked into a list is damage: a new list
        // started here would leave every one of them behind. (An entry on no list is what
        // a first insertion that failed before its header was written leaves.)
        for (std::int32_t i = 0; i < n; ++i) {
            const CIndexEntry old = Load(i);
            if (old.previous != -1 || old.next != -1)
                throw CFileException(FileCause::generic);
        }
        entry.previous = -1;
        Store(entry, n);
        m_header.skip[0] = n;
        m_header.skip[1] = n;
        m_header.skipLength = 2;
    } else {
        CIndexEntry tail = Load(last);
        // The last slot must name the entry that ends the list; linking after any other
        // would cut off the entries that follow it.
        if (tail.next != -1)
            throw CFileException(FileCause::generic);
        entry.previous = last;
        Store(entry, n);
        tail.next = n;
        Store(tail, last);
        m_header.skip[static_cast<std::size_t>(length - 1)] = n;
    }
    WriteHeader(false);
    m_lastInserted = n;
}

void CIndexFile::InsertBefore(CIndexEntry& entry, std::int32_t p, std::int32_t n, int startSlot) {
    CIndexEntry after = Load(p);
    std::int32_t q = after.previous;
    CIndexEntry before;
    if (q != -1) {
        before = Load(q);
        // A previous link that does not lead back is damage: linking the new entry after
        // q would cut off the entries between q and p.
        if (before.next != p)
            throw CFileException(FileCause::generic);
    } else if (p != m_header.skip[0])
        throw CFileException(FileCause::generic); // only the first entry lacks a previous one
    entry.previous = q;
    entry.next = p;
    Store(entry, n);
    after.previous = n;
    Store(after, p);
    if (q != -1) {
        before.next = n;
        Store(before, q);
        BumpModificationCount();
    } else {
        m_header.skip[0] = n;
        WriteHeader(false);
    }
    m_lastInserted = n;
    // Entries before p keep their list positions, and so do the slots that name them.
    bool startMoved = p == m_header.skip[static_cast<std::size_t>(startSlot)] || q == -1;
    m_exactSlots = std::min(m_exactSlots, startMoved ? startSlot : startSlot + 1);
}

int CIndexFile::InsertKey(CIndexEntry& entry, bool foldCase) {
    return Guard(0, [&] {
        std::string key(entry.Key());
        int startSlot = 0;
        std::int32_t p = FindInsertPositionOrThrow(key, foldCase, startSlot);
        std::int32_t n = CountEntries();
        entry.flags = entry.flags == -1 ? 0 : entry.flags;
        try {
            if (p == -2) {
                Append(entry, n);
                RebuildOrThrow(true);
            } else {
                InsertBefore(entry, p, n, startSlot);
                RebuildOrThrow(false);
            }
        } catch (const CFileException&) {
            m_exactSlots = 0;
            throw;
        }
        return 1;
    });
}

CIndexFile::Savepoint CIndexFile::MakeSavepoint() {
    Savepoint point;
    Guard(0, [&] {
        RefreshHeaderOrThrow();
        point.header = m_header;
        point.entries = CountEntries();
        point.lastInserted = m_lastInserted;
        return 1;
    });
    return point;
}

int CIndexFile::RollBack(const Savepoint& point) {
    return Guard(0, [&] {
        if (point.entries < 0)
            throw CFileException(FileCause::generic);
        RefreshHeaderOrThrow();
        const std::int32_t generation = m_header.generation;
        const std::int32_t count = CountEntries();
        // Nothing was written since: nothing to take back.
        if (count == point.entries && generation == point.header.generation &&
            m_file.GetLength() == EntryOffset(count))
            return 1;
        // Latest first: each entry is then linked between the neighbours it was inserted
        // between. An entry whose insertion failed before its neighbours named it is
        // only cut off.
        for (std::int32_t i = count - 1; i >= point.entries; --i) {
            const CIndexEntry entry = Load(i);
            if (entry.previous >= 0 && entry.previous < count) {
                CIndexEntry before = Load(entry.previous);
                if (before.next == i) {
                    before.next = entry.next;
                    Store(before, entry.previous);
                }
            }
            if (entry.next >= 0 && entry.next < count) {
                CIndexEntry after = Load(entry.next);
                if (after.previous == i) {
                    after.previous = entry.previous;
                    Store(after, entry.next);
                }
            }
        }
        ForgetCaches();
        m_file.SetLength(EntryOffset(point.entries));
        m_header = point.header;
        m_header.generation = generation;
        WriteHeader(false);
        m_skipTableSane = SkipTableIsSane();
        m_lastInserted = point.lastInserted;
        return 1;
    });
}

std::int32_t CIndexFile::NextLink(std::int32_t i) {
    // The writer's walks follow a plain array of links: a whole list in a few milliseconds.
    if (m_imageLoaded) {
        if (i < 0)
            throw CFileException(FileCause::badSeek);
        if (static_cast<std::size_t>(i) >= m_nextLinks.size())
            throw CFileException(FileCause::endOfFile);
        return m_nextLinks[static_cast<std::size_t>(i)];
    }
    return Load(i).next;
}

void CIndexFile::RebuildOrThrow(bool force) {
    if (!force && static_cast<std::uint32_t>(FileModificationCount()) < rebuildThreshold)
        return;
    if (m_header.skip[0] == -1)
        return;
    if (UsesImage() && !m_imageLoaded)
        LoadImage();
    const std::int32_t count = CountEntries();
    const std::int32_t stride = SkipStrideFor(count);
    const int length = m_header.skipLength;

    // Walk from the last slot still known to sit at its place (the first entry at worst);
    // the slots before it would be written again unchanged.
    int from = 0;
    if (stride == m_exactStride && length >= 2)
        from = std::max(0, std::min(m_exactSlots, length - 1) - 1);
    std::int32_t i = m_header.skip[static_cast<std::size_t>(from)];
    std::int64_t position = std::int64_t{stride} * from;
    std::fill(m_header.skip.begin() + from, m_header.skip.end(), -1);
    m_exactSlots = 0;

    int used = from;
    std::int32_t last = i;
    for (std::int64_t budget = WalkBudget();; --budget) {
        if (budget <= 0)
            throw CFileException(FileCause::generic);
        const std::int32_t next = NextLink(i);
        if (position % stride == 0 && used < skipSlots - 1)
            m_header.skip[static_cast<std::size_t>(used++)] = i;
        last = i;
        if (next == -1)
            break;
        i = next;
        ++position;
    }
    m_header.skip[static_cast<std::size_t>(used++)] = last;
    m_header.skipLength = used;
    WriteHeader(true);
    m_skipTableSane = true;
    m_exactSlots = used - 1;
    m_exactStride = stride;
}

int CIndexFile::RebuildSkipTable(bool force) {
    return Guard(0, [&] {
        RefreshHeaderOrThrow();
        RebuildOrThrow(force);
        return 1;
    });
}

// --- the cursor ---

char CIndexFile::FamilyPrefix() const {
    switch (m_order) {
    case OrderFamily::dateSaved:
        return dateFamily;
    case OrderFamily::keyword:
        return keywordFamily;
    default:
        return nameFamily;
    }
}

int CIndexFile::GoTo(std::int32_t i) {
    // No entry to go to: the search before it has already set the last error, or none.
    if (i < 0)
        return 0;
    return Guard(0, [&] {
        m_current = Load(i);
        return 1;
    });
}

std::int32_t CIndexFile::GetCurrentRecord() const {
    return m_current.flags == -1 ? -1 : m_current.record;
}

std::int32_t CIndexFile::GetCurrentNumber() const {
    return m_current.flags == -1 ? -1 : m_current.number;
}

int CIndexFile::GoFirst() {
    return GoTo(FindFloor(std::string(1, FamilyPrefix()), false));
}

int CIndexFile::GoLast() {
    return GoTo(FindFloor(std::string(1, FamilyPrefix()) + std::string(46, 'z'), false));
}

int CIndexFile::GoPrevious(bool& wrapped) {
    wrapped = false;
    if (m_current.flags != -1) {
        int moved = Guard(-1, [&] {
            // Read the cursor's entry again: another instance may have linked entries to it.
            CIndexEntry current = Load(m_current.number);
            if (current.previous == -1)
                return 0;
            CIndexEntry previous = Load(current.previous);
            if (previous.Key().empty() || previous.Key()[0] != FamilyPrefix())
                return 0;
            m_current = previous;
            return 1;
        });
        if (moved != 0)
            return moved == 1 ? 1 : 0;
    }
    wrapped = true;
    return GoLast();
}

int CIndexFile::GoNext(bool& wrapped) {
    wrapped = false;
    if (m_current.flags != -1) {
        int moved = Guard(-1, [&] {
            CIndexEntry current = Load(m_current.number);
            if (current.next == -1)
                return 0;
            CIndexEntry next = Load(current.next);
            if (next.Key().empty() || next.Key()[0] != FamilyPrefix())
                return 0;
            m_current = next;
            return 1;
        });
        if (moved != 0)
            return moved == 1 ? 1 : 0;
    }
    wrapped = true;
    return GoFirst();
}
