// PxGifEncoder: the LZW encoder of GIF image data. It writes the minimum code size byte,
// the code stream in sub-blocks of up to 254 bytes and the zero-length block that ends
// them, taking the pixels (one byte each, below 2^minimum code size) in the order they
// are given.
//
// Strings are found in a hashed table of 5003 slots (a prime, so a probe sequence visits
// every slot; it never holds more than 4090 strings, so a probe always ends). When
// all 4096 codes are taken the encoder sends a clear code and starts a new table. Codes
// grow from the minimum code size + 1 bits to 12 bits exactly as a decoder's table grows.
//
// The code stream is gathered in a buffer and cut into sub-blocks when it is written to
// the file, in large pieces; file errors arrive as CFileException from the file.
#pragma once

#include "platform/File.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class PxGifEncoder {
public:
    PxGifEncoder();
    ~PxGifEncoder();
    PxGifEncoder(const PxGifEncoder&) = delete;
    PxGifEncoder& operator=(const PxGifEncoder&) = delete;

    // Starts a code stream with the minimum code size (2 to 8) on file: writes the code
    // size byte and the first clear code. 0 when the tables cannot be allocated or the
    // code size is out of range.
    int Begin(CFile& file, unsigned minCodeSize);
    // Encodes count pixels.
    void AddPixels(const std::uint8_t* pixels, std::size_t count);
    // Sends the pending string and the end code, and writes what is left and the block
    // terminator.
    void End();

private:
    static constexpr int tableSize = 5003;
    static constexpr unsigned maxCode = 4096;

    void ClearTable();
    void Output(unsigned code);
    void GrowCodeSize();
    // Writes the whole sub-blocks of the stream gathered so far (all of it when last).
    void Flush(bool last);

    CFile* m_file = nullptr;
    // Each slot: (prefix code << 8 | pixel) << 12 | code, 0 when empty (no stored code is 0).
    std::unique_ptr<std::uint32_t[]> m_table;
    // The code stream as it grows, and the same cut into sub-blocks for the file.
    std::unique_ptr<std::uint8_t[]> m_stream;
    std::size_t m_streamUsed = 0;
    std::unique_ptr<std::uint8_t[]> m_blocks;
    std::size_t m_blocksUsed = 0;

    unsigned m_initialCodeSize = 0;
    unsigned m_clearCode = 0;
    unsigned m_codeSize = 0;
    unsigned m_maxCodeForSize = 0;
    unsigned m_nextCode = 0;
    unsigned m_current = 0; // code of the string matched so far
    bool m_started = false;
    std::uint64_t m_bits = 0;
    unsigned m_bitCount = 0;
};
