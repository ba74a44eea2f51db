#include "storage/IndexImage.h"

#include "platform/ByteOrder.h"
#include "platform/FileException.h"

#include <cstring>

using namespace IndexFormat;

namespace {
// Entries held in memory at most (about five million: over half a million records with
// every keyword field filled); a larger file is read entry by entry instead. Below the cap
// the writer's walks cost memory reads; above it a rebuild of the skip table costs one
// read call per entry of the list, seconds at a million entries.
constexpr std::int64_t maxImageBytes = std::int64_t{256} << 20;
} // namespace

void CIndexImage::Load(CFile& file) {
    const std::int64_t length = file.GetLength();
    const std::int64_t count = length < headerSize ? 0 : (length - headerSize) / entrySize;
    if (count * entrySize > maxImageBytes) {
        m_tooLarge = true;
        return;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count * entrySize));
    if (!bytes.empty() && file.ReadAt(bytes.data(), bytes.size(), headerSize) != bytes.size())
        throw CFileException(FileCause::endOfFile);
    m_bytes = std::move(bytes);
    m_nextLinks.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < m_nextLinks.size(); ++i)
        m_nextLinks[i] = GetLe32(m_bytes.data() + i * entrySize + 4);
    m_loaded = true;
}

void CIndexImage::LoadEmpty() {
    Forget();
    m_loaded = true;
}

void CIndexImage::Forget() {
    m_bytes.clear();
    m_nextLinks.clear();
    m_loaded = false;
}

void CIndexImage::Reset() {
    Forget();
    m_tooLarge = false;
}

std::int32_t CIndexImage::Count() const {
    return static_cast<std::int32_t>(m_bytes.size() / entrySize);
}

CIndexEntry CIndexImage::Entry(std::int32_t i) const {
    if (i >= Count())
        throw CFileException(FileCause::endOfFile);
    CIndexEntry entry;
    entry.Decode(m_bytes.data() + static_cast<std::size_t>(i) * entrySize);
    entry.number = i;
    return entry;
}

std::int32_t CIndexImage::NextLink(std::int32_t i) const {
    if (i < 0)
        throw CFileException(FileCause::badSeek);
    if (static_cast<std::size_t>(i) >= m_nextLinks.size())
        throw CFileException(FileCause::endOfFile);
    return m_nextLinks[static_cast<std::size_t>(i)];
}

void CIndexImage::Store(std::int32_t i, const std::uint8_t* bytes, std::int32_t next) {
    const std::size_t end = (static_cast<std::size_t>(i) + 1) * entrySize;
    if (m_bytes.size() < end)
        m_bytes.resize(end);
    std::memcpy(m_bytes.data() + end - entrySize, bytes, entrySize);
    if (m_nextLinks.size() <= static_cast<std::size_t>(i))
        m_nextLinks.resize(static_cast<std::size_t>(i) + 1);
    m_nextLinks[static_cast<std::size_t>(i)] = next;
}
