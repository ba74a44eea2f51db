// PxGifDecoder: the LZW decoder of one GIF image's data. It reads the minimum code size
// byte and the data sub-blocks through an image's buffered reader and writes the pixel
// indices straight into the image's pixel block in the canonical form (bottom-up rows of
// `pitch` bytes), placing the rows of an interlaced image by the four interlace passes.
//
// Codes are read least significant bit first across sub-block boundaries, with code sizes
// from the minimum code size + 1 up to 12 bits. A stream that goes on after the string
// table is full without a clear code is decoded with the full table, adding no strings.
//
// Nothing the data says can make the decoder read or write outside its tables or the
// pixel block: a code above the next free one, a string code before any string exists, a
// code size byte outside 1 to 8, the end of the data or of the file before the end code,
// all stop decoding, and the pixels not reached keep their value (the block comes zeroed).
// Decoding also stops once every pixel of the image is written; the bytes after that are
// not read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class PxImage;

class PxGifDecoder {
public:
    // First row and row step of the four passes of an interlaced image.
    static constexpr std::uint32_t passStart[4] = {0, 4, 2, 1};
    static constexpr std::uint32_t passStep[4] = {8, 8, 4, 2};

    // pixels holds height rows of pitch bytes (pitch >= width), bottom line first.
    PxGifDecoder(PxImage& source, std::span<std::uint8_t> pixels, std::uint32_t width,
                 std::uint32_t height, std::uint32_t pitch, bool interlaced);

    // Reads the code size byte and decodes. 0 when the code size byte cannot be read,
    // else 1, also when damaged data stopped decoding early.
    int Decode();
    // Pixels written by the last Decode.
    std::uint64_t PixelsWritten() const { return m_written; }

private:
    static constexpr unsigned maxCode = 4096;
    static constexpr unsigned noCode = 0xFFFF;

    bool NextSubBlock();
    bool ReadCode(unsigned& code);
    void ResetTable();
    void StartRows();
    void NextRow();
    // Writes the string of code (length m_length[code]) at the output position.
    void Emit(unsigned code);
    void EmitAcrossRows(unsigned code);

    PxImage& m_source;
    std::span<std::uint8_t> m_pixels;
    std::uint32_t m_width;
    std::uint32_t m_height;
    std::uint32_t m_pitch;
    bool m_interlaced;

    // Code stream: the current sub-block and the bits not yet used.
    std::uint8_t m_block[255];
    unsigned m_blockSize = 0;
    unsigned m_blockPos = 0;
    bool m_dataEnded = false;
    std::uint64_t m_bits = 0;
    unsigned m_bitCount = 0;

    // String table: prefix code, last and first pixel, and length of every string.
    unsigned m_clearCode = 0;
    unsigned m_codeSize = 0;
    unsigned m_codeMask = 0;
    unsigned m_nextCode = 0;
    std::uint16_t m_prefix[maxCode];
    std::uint8_t m_suffix[maxCode];
    std::uint8_t m_first[maxCode];
    std::uint16_t m_length[maxCode];
    std::uint8_t m_stack[maxCode];

    // Output position: the current row (top line 0), pass, and the place in the row.
    std::uint32_t m_row = 0;
    unsigned m_pass = 0;
    bool m_rowsDone = false;
    std::uint8_t* m_out = nullptr;
    std::uint32_t m_rowLeft = 0;
    std::uint64_t m_written = 0;
};
