#include "platform/MemFile.h"

#include <algorithm>
#include <cstring>

namespace {
// Memory files hold one picture; anything beyond this is a damaged size, not a picture.
constexpr std::size_t maxMemFileLength = std::size_t{1} << 32;
} // namespace

CMemFile::CMemFile(std::size_t growthStep) : m_growthStep(growthStep == 0 ? 1024 : growthStep) {}

void CMemFile::Reserve(std::size_t length) {
    if (length <= m_buffer.size())
        return;
    if (length > maxMemFileLength)
        throw CFileException(FileCause::diskFull);
    std::size_t wanted = std::max(length, m_buffer.size() * 2);
    wanted = (wanted + m_growthStep - 1) / m_growthStep * m_growthStep;
    m_buffer.resize(wanted);
}

std::size_t CMemFile::Read(void* buffer, std::size_t count) {
    if (m_position >= static_cast<std::int64_t>(m_length))
        return 0;
    std::size_t available = m_length - static_cast<std::size_t>(m_position);
    std::size_t n = std::min(count, available);
    if (n > 0)
        std::memcpy(buffer, m_buffer.data() + m_position, n);
    m_position += static_cast<std::int64_t>(n);
    return n;
}

void CMemFile::Write(const void* buffer, std::size_t count) {
    if (count == 0)
        return;
    auto position = static_cast<std::size_t>(m_position);
    if (count > maxMemFileLength || position > maxMemFileLength - count)
        throw CFileException(FileCause::diskFull);
    std::size_t end = position + count;
    Reserve(end);
    if (position > m_length)
        std::memset(m_buffer.data() + m_length, 0, position - m_length);
    std::memcpy(m_buffer.data() + position, buffer, count);
    m_length = std::max(m_length, end);
    m_position = static_cast<std::int64_t>(end);
}

std::int64_t CMemFile::Seek(std::int64_t offset, SeekPosition from) {
    std::int64_t base = from == begin ? 0 : from == current ? m_position : GetLength();
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset))
        throw CFileException(FileCause::badSeek);
    m_position = base + offset;
    return m_position;
}

void CMemFile::SetLength(std::int64_t length) {
    if (length < 0 || static_cast<std::uint64_t>(length) > maxMemFileLength)
        throw CFileException(FileCause::badSeek);
    auto newLength = static_cast<std::size_t>(length);
    Reserve(newLength);
    if (newLength > m_length)
        std::memset(m_buffer.data() + m_length, 0, newLength - m_length);
    m_length = newLength;
    if (m_position > length)
        m_position = length;
}

void CMemFile::Close() {
    m_buffer.clear();
    m_buffer.shrink_to_fit();
    m_length = 0;
    m_position = 0;
}
