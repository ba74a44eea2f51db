// PxTiffRows: reads every strip or tile of an open TIFF and places its rows into the
// bottom-up rows of a DIB pixel block, converting the samples to what the image holds.
//
// Forms of the source data and what each row of the block receives:
//  bits1   1-bit grey: the bits as they are (most significant bit first)
//  index   1-, 2-, 4- or 8-bit grey or palette samples: one index byte per pixel
//  grey16  16-bit grey: the high byte of each sample
//  rgb     8- or 16-bit RGB with 3 or more samples per pixel (the first three are used),
//          interleaved or one plane per sample: blue, green, red bytes, 16-bit samples
//          to the nearest 8-bit value
//  ycbcr   8-bit interleaved YCbCr, subsampled 1, 2 or 4 times in each direction: blue,
//          green, red by libtiff's conversion from the file's coefficients and reference
//          black and white
//
// The first row of the file goes to the top line of the picture, or with firstRowAtTop
// false to the bottom line; columns stay in the file's order. Everything taken from a
// strip or tile is bounded by the bytes libtiff delivered for it: a strip or tile that
// fails to read, or reads short, leaves the lines it does not bring as they were.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <tiffio.h>

struct PxTiffLayout {
    enum Kind { bits1, index, grey16, rgb, ycbcr };

    Kind kind = index;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    unsigned bitsPerSample = 8;
    unsigned samplesPerPixel = 1;
    bool separatePlanes = false;
    bool firstRowAtTop = true;
};

class PxTiffRows {
public:
    // pixels holds height rows of stride bytes, each wide enough for width pixels of the
    // form's output (1 bit, 1 byte or 3 bytes per pixel).
    PxTiffRows(TIFF* tif, const PxTiffLayout& layout, std::span<std::uint8_t> pixels,
               std::uint64_t stride);

    // 1 when every strip or tile has been tried; 0 when the file's strip or tile geometry
    // cannot be walked (zero or oversized strips or tiles, subsampling or YCbCr values
    // outside the range the conversion takes) or the memory for one strip or tile cannot
    // be had.
    int ReadAll();

private:
    int InitYCbCr();
    // A strip or tile of bytes bytes whose top-left pixel is (x0, y0) in file order and
    // that spans chunkWidth × chunkRows pixels.
    void PlaceChunk(const std::uint8_t* data, std::uint64_t bytes, std::uint32_t x0,
                    std::uint32_t y0, std::uint32_t chunkWidth, std::uint32_t chunkRows,
                    unsigned plane);
    void PlaceRow(const std::uint8_t* source, std::uint8_t* row, std::uint32_t x0,
                  std::uint32_t count, unsigned plane) const;
    void PlaceYCbCr(const std::uint8_t* data, std::uint64_t bytes, std::uint32_t x0,
                    std::uint32_t y0, std::uint32_t chunkWidth, std::uint32_t chunkRows);
    std::uint8_t* Row(std::uint32_t fileRow) const;

    TIFF* m_tif;
    PxTiffLayout m_layout;
    std::span<std::uint8_t> m_pixels;
    std::uint64_t m_stride;
    unsigned m_chunkPixelBits; // bits of one pixel within a strip or tile (one plane)
    unsigned m_subsampleH = 1;
    unsigned m_subsampleV = 1;
    std::vector<std::uint8_t> m_chunk;
    std::vector<std::uint8_t> m_ycbcrState; // libtiff's conversion tables
};
