#include "imaging/PxReadBuffer.h"

#include <cstring>
#include <new>

int PxReadBuffer::Open(CFile* file, std::size_t capacity, int fill) {
    Close();
    if (!file || capacity == 0)
        return 0;
    try {
        m_buffer.assign(capacity, 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_file = file;
    if (fill == 1)
        Fill();
    return 1;
}

std::size_t PxReadBuffer::Fill() {
    m_position = 0;
    m_filled = 0;
    if (!IsOpen())
        return 0;
    m_filled = m_file->Read(m_buffer.data(), m_buffer.size());
    return m_filled;
}

std::size_t PxReadBuffer::Read(void* destination, std::size_t count) {
    if (!IsOpen())
        return m_file ? m_file->Read(destination, count) : 0;
    auto* out = static_cast<std::uint8_t*>(destination);
    std::size_t delivered = 0;
    for (;;) {
        std::size_t available = m_filled - m_position;
        std::size_t wanted = count - delivered;
        if (available > wanted) {
            std::memcpy(out + delivered, m_buffer.data() + m_position, wanted);
            m_position += wanted;
            return count;
        }
        if (available > 0)
            std::memcpy(out + delivered, m_buffer.data() + m_position, available);
        delivered += available;
        m_position = m_filled;
        if (Fill() == 0 || delivered == count)
            return delivered;
    }
}

void PxReadBuffer::Close() {
    m_buffer = {};
    m_filled = 0;
    m_position = 0;
}
