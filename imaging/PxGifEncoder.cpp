#include "imaging/PxGifEncoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t blockData = 254;
// The stream buffer holds a whole number of sub-blocks and room for the bits of one more
// code; cut into sub-blocks it fits the block buffer with the code size byte and the
// terminator.
constexpr std::size_t streamBlocks = 128;
constexpr std::size_t streamCapacity = blockData * streamBlocks;
constexpr std::size_t blocksCapacity = (blockData + 1) * (streamBlocks + 1) + 2;

} // namespace

PxGifEncoder::PxGifEncoder() = default;
PxGifEncoder::~PxGifEncoder() = default;

int PxGifEncoder::Begin(CFile& file, unsigned minCodeSize) {
    if (minCodeSize < 2 || minCodeSize > 8)
        return 0;
    if (!m_table)
        m_table.reset(new (std::nothrow) std::uint32_t[tableSize]);
    if (!m_stream)
        m_stream.reset(new (std::nothrow) std::uint8_t[streamCapacity + 8]);
    if (!m_blocks)
        m_blocks.reset(new (std::nothrow) std::uint8_t[blocksCapacity]);
    if (!m_table || !m_stream || !m_blocks)
        return 0;
    m_file = &file;
    m_blocks[0] = static_cast<std::uint8_t>(minCodeSize);
    m_blocksUsed = 1;
    m_streamUsed = 0;
    m_bits = 0;
    m_bitCount = 0;
    m_started = false;
    m_initialCodeSize = minCodeSize + 1;
    m_clearCode = 1u << minCodeSize;
    m_codeSize = m_initialCodeSize;
    m_maxCodeForSize = (1u << m_codeSize) - 1;
    m_nextCode = m_clearCode + 2;
    ClearTable();
    Output(m_clearCode);
    return 1;
}

inline void PxGifEncoder::Output(unsigned code) {
    m_bits |= std::uint64_t{code} << m_bitCount;
    m_bitCount += m_codeSize;
    // Whole 32-bit words go out, least significant byte first.
    if (m_bitCount >= 32) {
        const auto word = static_cast<std::uint32_t>(m_bits);
        const std::uint8_t bytes[4] = {
            static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
            static_cast<std::uint8_t>(word >> 16), static_cast<std::uint8_t>(word >> 24)};
        std::memcpy(m_stream.get() + m_streamUsed, bytes, 4);
        m_streamUsed += 4;
        m_bits >>= 32;
        m_bitCount -= 32;
        if (m_streamUsed >= streamCapacity)
            Flush(false);
    }
}

inline void PxGifEncoder::GrowCodeSize() {
    if (m_nextCode > m_maxCodeForSize) {
        ++m_codeSize;
        m_maxCodeForSize = m_codeSize == 12 ? maxCode : (1u << m_codeSize) - 1;
    }
}

void PxGifEncoder::AddPixels(const std::uint8_t* pixels, std::size_t count) {
    const std::uint8_t* p = pixels;
    const std::uint8_t* const end = pixels + count;
    if (p == end)
        return;
    if (!m_started) {
        m_current = *p++;
        m_started = true;
    }
    std::uint32_t* const table = m_table.get();
    unsigned current = m_current;
    for (; p < end; ++p) {
        const unsigned c = *p;
        const std::uint32_t key = (current << 8) | c;
        int i = static_cast<int>(c << 4) + static_cast<int>(current);
        if (i >= tableSize)
            i -= tableSize;
        std::uint32_t slot = table[i];
        if (slot != 0) {
            if ((slot >> 12) == key) {
                current = slot & 0xFFF;
                continue;
            }
            const int step = i == 0 ? 1 : tableSize - i;
            do {
                i -= step;
                if (i < 0)
                    i += tableSize;
                slot = table[i];
            } while (slot != 0 && (slot >> 12) != key);
            if (slot != 0) {
                current = slot & 0xFFF;
                continue;
            }
        }
        // Not in the table: send the string matched so far and add it plus c.
        Output(current);
        GrowCodeSize();
        if (m_nextCode < maxCode) {
            table[i] = (key << 12) | m_nextCode++;
        } else {
            ClearTable();
            m_nextCode = m_clearCode + 2;
            Output(m_clearCode);
            m_codeSize = m_initialCodeSize;
            m_maxCodeForSize = (1u << m_codeSize) - 1;
        }
        current = c;
    }
    m_current = current;
}

void PxGifEncoder::End() {
    if (m_started) {
        Output(m_current);
        GrowCodeSize();
    }
    Output(m_clearCode + 1);
    for (; m_bitCount > 0; m_bitCount -= std::min(m_bitCount, 8u), m_bits >>= 8)
        m_stream[m_streamUsed++] = static_cast<std::uint8_t>(m_bits);
    Flush(true);
}

void PxGifEncoder::ClearTable() {
    std::memset(m_table.get(), 0, sizeof(std::uint32_t) * tableSize);
}

void PxGifEncoder::Flush(bool last) {
    std::size_t done = 0;
    while (m_streamUsed - done >= blockData || (last && done < m_streamUsed)) {
        const std::size_t n = std::min(blockData, m_streamUsed - done);
        m_blocks[m_blocksUsed++] = static_cast<std::uint8_t>(n);
        std::memcpy(m_blocks.get() + m_blocksUsed, m_stream.get() + done, n);
        m_blocksUsed += n;
        done += n;
    }
    // The bytes of a sub-block not yet full move to the front.
    std::memmove(m_stream.get(), m_stream.get() + done, m_streamUsed - done);
    m_streamUsed -= done;
    if (last)
        m_blocks[m_blocksUsed++] = 0;
    m_file->Write(m_blocks.get(), m_blocksUsed);
    m_blocksUsed = 0;
}
