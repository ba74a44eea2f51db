#include "imaging/PxGifDecoder.h"

#include "imaging/PxImage.h"

#include <algorithm>
#include <cstring>

PxGifDecoder::PxGifDecoder(PxImage& source, std::span<std::uint8_t> pixels, std::uint32_t width,
                           std::uint32_t height, std::uint32_t pitch, bool interlaced)
    : m_source(source), m_pixels(pixels), m_width(width), m_height(height), m_pitch(pitch),
      m_interlaced(interlaced) {}

int PxGifDecoder::Decode() {
    m_written = 0;
    m_bits = 0;
    m_bitCount = 0;
    m_blockSize = m_blockPos = 0;
    m_dataEnded = false;
    std::uint8_t minCodeSize = 0;
    if (m_source.BufferedRead(&minCodeSize, 1) != 1)
        return 0;
    StartRows();
    // Pixels are bytes, so literal codes above 8 bits have nowhere to go.
    if (minCodeSize < 1 || minCodeSize > 8)
        return 1;
    m_clearCode = 1u << minCodeSize;
    for (unsigned i = 0; i < m_clearCode; ++i) {
        m_prefix[i] = static_cast<std::uint16_t>(i);
        m_suffix[i] = m_first[i] = static_cast<std::uint8_t>(i);
        m_length[i] = 1;
    }
    ResetTable();
    const unsigned endCode = m_clearCode + 1;
    unsigned previous = noCode;
    unsigned code = 0;
    while (!m_rowsDone && ReadCode(code)) {
        if (code == m_clearCode) {
            ResetTable();
            previous = noCode;
            continue;
        }
        if (code == endCode)
            break;
        if (previous == noCode) {
            // After a clear only a pixel value can follow: no string exists yet.
            if (code > m_clearCode)
                break;
            Emit(code);
            previous = code;
            continue;
        }
        // code == next free is the string just being defined: the previous one plus its
        // own first pixel. Anything above it is damage.
        if (code > m_nextCode)
            break;
        // A full table is kept as it is until a clear code comes (a deferred clear).
        if (m_nextCode < maxCode) {
            const unsigned added = m_nextCode++;
            m_prefix[added] = static_cast<std::uint16_t>(previous);
            m_first[added] = m_first[previous];
            m_suffix[added] = m_first[code];
            m_length[added] = static_cast<std::uint16_t>(m_length[previous] + 1);
            if (m_nextCode > m_codeMask && m_codeSize < 12) {
                ++m_codeSize;
                m_codeMask = (1u << m_codeSize) - 1;
            }
        }
        Emit(code);
        previous = code;
    }
    return 1;
}

void PxGifDecoder::ResetTable() {
    m_codeSize = 0;
    while ((1u << m_codeSize) <= m_clearCode)
        ++m_codeSize;
    m_codeMask = (1u << m_codeSize) - 1;
    m_nextCode = m_clearCode + 2;
}

bool PxGifDecoder::NextSubBlock() {
    if (m_dataEnded)
        return false;
    std::uint8_t size = 0;
    if (m_source.BufferedRead(&size, 1) != 1 || size == 0) {
        m_dataEnded = true;
        return false;
    }
    m_blockSize = static_cast<unsigned>(m_source.BufferedRead(m_block, size));
    m_blockPos = 0;
    if (m_blockSize == 0)
        m_dataEnded = true;
    return m_blockSize != 0;
}

bool PxGifDecoder::ReadCode(unsigned& code) {
    while (m_bitCount < m_codeSize) {
        if (m_blockPos == m_blockSize && !NextSubBlock())
            return false;
        // Take as many bytes as the accumulator holds, so most codes need no refill.
        while (m_bitCount <= 56 && m_blockPos < m_blockSize) {
            m_bits |= std::uint64_t{m_block[m_blockPos++]} << m_bitCount;
            m_bitCount += 8;
        }
    }
    code = static_cast<unsigned>(m_bits) & m_codeMask;
    m_bits >>= m_codeSize;
    m_bitCount -= m_codeSize;
    return true;
}

void PxGifDecoder::StartRows() {
    m_row = 0;
    m_pass = 0;
    // A block too small for the rows gets nothing at all.
    m_rowsDone = m_width == 0 || m_height == 0 || m_pitch < m_width ||
                 std::uint64_t{m_pitch} * m_height > m_pixels.size();
    if (!m_rowsDone) {
        m_out = m_pixels.data() + std::uint64_t{m_height - 1} * m_pitch;
        m_rowLeft = m_width;
    }
}

void PxGifDecoder::NextRow() {
    if (m_interlaced) {
        m_row += passStep[m_pass];
        while (m_row >= m_height) {
            if (++m_pass == 4) {
                m_rowsDone = true;
                return;
            }
            m_row = passStart[m_pass];
        }
    } else if (++m_row >= m_height) {
        m_rowsDone = true;
        return;
    }
    m_out = m_pixels.data() + std::uint64_t{m_height - 1 - m_row} * m_pitch;
    m_rowLeft = m_width;
}

void PxGifDecoder::Emit(unsigned code) {
    const unsigned length = m_length[code];
    if (length > m_rowLeft) {
        EmitAcrossRows(code);
        return;
    }
    // The chain gives the pixels last to first; the walk is bounded by the length, and
    // every code in it is below 4096, so it stays inside the tables and the row.
    std::uint8_t* out = m_out;
    for (unsigned i = length - 1; i > 0; --i) {
        out[i] = m_suffix[code];
        code = m_prefix[code];
    }
    out[0] = m_suffix[code];
    m_out += length;
    m_rowLeft -= length;
    m_written += length;
    if (m_rowLeft == 0)
        NextRow();
}

void PxGifDecoder::EmitAcrossRows(unsigned code) {
    const unsigned length = m_length[code];
    for (unsigned i = length - 1; i > 0; --i) {
        m_stack[i] = m_suffix[code];
        code = m_prefix[code];
    }
    m_stack[0] = m_suffix[code];
    // Pixels beyond the last row are dropped.
    for (unsigned done = 0; done < length && !m_rowsDone;) {
        const unsigned n = std::min(length - done, m_rowLeft);
        std::memcpy(m_out, m_stack + done, n);
        done += n;
        m_out += n;
        m_rowLeft -= n;
        m_written += n;
        if (m_rowLeft == 0)
            NextRow();
    }
}
