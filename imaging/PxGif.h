// PxGif: the image class of GIF files (".GIF"), the format of every stored thumbnail.
//
// Reading accepts GIF87a and GIF89a ("GIF8" then '7' or '9', then 'a' or 'A') and
// decodes the first image of the file into an 8-bit picture with a 256-entry colour
// table: the global table, overlaid by the image's local table when it has one, black
// past the tables. The picture has the first image's size (its position and the logical
// screen are ignored); the colour count is the size of the global table the screen
// descriptor declares, present or not. Extensions are skipped; nothing after the first
// image is read. Reading fails (0) on a bad signature or version, a descriptor, colour
// table or code size byte cut short, a trailer or any unknown byte where a block should
// start, the end of the file before an image, an image with no pixels, an image larger
// than its file's bytes could encode (checked before anything is allocated), or when the
// blocks cannot be allocated. Damaged image data never fails a load: decoding stops early
// and the pixels not reached stay at index 0 (see PxGifDecoder).
//
// Writing produces a GIF89a file: logical screen of the picture's size with a 256-entry
// global colour table, one image at (0, 0), interlaced when the interlace flag is set (a
// picture read from an interlaced file keeps it), minimum code size 8 for every depth.
// 1-, 4- and 8-bit pictures without compression are written with their own indices and
// colour table. Any other picture (16, 24 or 32 bits, RLE data) is first reduced to at
// most 256 colours by PxColorQuantizer. The picture itself is left unchanged. Writing
// fails on a missing block, a side above 65535 pixels, pixel data smaller than the header
// declares, or when memory for the encoder or quantiser cannot be had; file errors arrive
// as CFileException.
#pragma once

#include "imaging/PxImage.h"

#include <array>
#include <cstdint>
#include <functional>

class PxGif : public PxImage {
public:
    const char* GetClassName() const override { return "PxGif"; }
    int ReadImageData(CFile& file) override;
    int WriteImageData(CFile& file) override;

    bool IsInterlaced() const { return m_interlaced; }
    void SetInterlaced(bool interlaced) { m_interlaced = interlaced; }
    // What the last read found: the version and the logical screen.
    bool IsGif87a() const { return m_gif87a; }
    std::uint16_t GetScreenWidth() const { return m_screenWidth; }
    std::uint16_t GetScreenHeight() const { return m_screenHeight; }

private:
    int ReadStream();
    bool ReadExactly(void* destination, std::size_t count);
    bool ReadColorTable(unsigned entries);
    bool SkipExtension();
    int ReadImage();
    // Writes the file around the rows of indices that row(y) gives, top line 0.
    int WriteIndices(CFile& file, const std::array<std::uint32_t, 256>& colors, std::uint32_t width,
                     std::uint32_t height,
                     const std::function<const std::uint8_t*(std::uint32_t)>& row);

    std::uint8_t m_signature[6] = {};
    bool m_gif87a = false;
    std::uint16_t m_screenWidth = 0;
    std::uint16_t m_screenHeight = 0;
    std::uint8_t m_screenFlags = 0;
    std::uint8_t m_background = 0;
    std::uint8_t m_aspect = 0;
    std::uint16_t m_imageLeft = 0;
    std::uint16_t m_imageTop = 0;
    std::uint16_t m_imageWidth = 0;
    std::uint16_t m_imageHeight = 0;
    std::uint8_t m_imageFlags = 0;
    bool m_interlaced = false;
    // Bytes of the stream from where the read began to the end of the file.
    std::uint64_t m_streamBytes = 0;
};
