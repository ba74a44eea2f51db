#include "imaging/PxGif.h"

#include "imaging/PxColorQuantizer.h"
#include "imaging/PxGifDecoder.h"
#include "imaging/PxGifEncoder.h"
#include "platform/ByteOrder.h"
#include "platform/DibFormat.h"
#include "platform/DibSource.h"
#include "platform/GdiTypes.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr std::size_t readBufferSize = 60000;
constexpr std::size_t colorTableRoom = 256 * 4;
constexpr std::uint8_t globalTableFlag = 0x80;
constexpr std::uint8_t interlaceFlag = 0x40;
constexpr std::uint32_t maxGifSide = 0xFFFF;
// How many pixels an image may declare for each byte of its file, and how many any image
// may declare. One LZW code yields at most as many pixels as the string table has
// entries, and strings only grow one pixel per code, so a full table of 4096 codes
// (about 6 KB) yields at most about 8.4 million pixels: some 1500 per byte. A file that
// declares far more is hostile or a sliver of a picture, and reading it would allocate a
// gigabyte for pixels that can only stay at index 0.
constexpr std::uint64_t pixelsPerStreamByte = 4096;
constexpr std::uint64_t pixelSlack = std::uint64_t{1} << 21;

} // namespace

// ---- Reading ----

int PxGif::ReadImageData(CFile& file) {
    FreeBlocks();
    try {
        const std::int64_t left = file.GetLength() - file.GetPosition();
        m_streamBytes = left > 0 ? static_cast<std::uint64_t>(left) : 0;
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
        return 0;
    }
    if (!OpenReadBuffer(readBufferSize, 1))
        return 0;
    const int result = ReadStream();
    CloseReadBuffer();
    return result;
}

bool PxGif::ReadExactly(void* destination, std::size_t count) {
    return BufferedRead(destination, count) == count;
}

int PxGif::ReadStream() {
    if (!ReadExactly(m_signature, sizeof m_signature) || std::memcmp(m_signature, "GIF8", 4) != 0 ||
        (m_signature[4] != '7' && m_signature[4] != '9') ||
        (m_signature[5] != 'a' && m_signature[5] != 'A'))
        return 0;
    m_gif87a = m_signature[4] == '7';

    std::uint8_t screen[7];
    if (!ReadExactly(screen, sizeof screen))
        return 0;
    m_screenWidth = GetLe16(screen);
    m_screenHeight = GetLe16(screen + 2);
    m_screenFlags = screen[4];
    m_background = screen[5];
    m_aspect = screen[6];
    m_imageBits = 8;
    m_width = m_screenWidth;
    m_height = m_screenHeight;
    m_colorCount = static_cast<std::uint16_t>(2u << (m_screenFlags & 7));

    // The header block comes zeroed, so every entry no table fills is black.
    if (!AllocateHeader(kInfoHeaderSize + colorTableRoom))
        return 0;
    if ((m_screenFlags & globalTableFlag) && !ReadColorTable(m_colorCount))
        return 0;

    // The block loop ends at the first image; every turn reads at least one byte, so the
    // end of the file ends it too.
    for (;;) {
        std::uint8_t introducer = 0;
        if (!ReadExactly(&introducer, 1))
            return 0;
        if (introducer == 0)
            continue;
        if (introducer == '!') {
            if (!SkipExtension())
                return 0;
            continue;
        }
        if (introducer == ',')
            return ReadImage();
        return 0; // the trailer before any image, or a byte no block starts with
    }
}

bool PxGif::ReadColorTable(unsigned entries) {
    std::uint8_t rgb[256 * 3];
    if (entries > 256 || !ReadExactly(rgb, entries * 3))
        return false;
    std::uint8_t* table = ColorTable();
    for (unsigned i = 0; i < entries; ++i) {
        table[i * 4] = rgb[i * 3 + 2];
        table[i * 4 + 1] = rgb[i * 3 + 1];
        table[i * 4 + 2] = rgb[i * 3];
        table[i * 4 + 3] = 0;
    }
    return true;
}

bool PxGif::SkipExtension() {
    // The label says what the extension holds; none of them (graphic control, comment,
    // plain text, application) changes the decoded picture. Each is a chain of
    // sub-blocks ending with an empty one, so that is how all of them are skipped.
    std::uint8_t label = 0;
    if (!ReadExactly(&label, 1))
        return false;
    std::uint8_t skipped[255];
    for (;;) {
        std::uint8_t size = 0;
        if (!ReadExactly(&size, 1))
            return false;
        if (size == 0)
            return true;
        if (!ReadExactly(skipped, size))
            return false;
    }
}

int PxGif::ReadImage() {
    std::uint8_t descriptor[9];
    if (!ReadExactly(descriptor, sizeof descriptor))
        return 0;
    m_imageLeft = GetLe16(descriptor);
    m_imageTop = GetLe16(descriptor + 2);
    m_imageWidth = GetLe16(descriptor + 4);
    m_imageHeight = GetLe16(descriptor + 6);
    m_imageFlags = descriptor[8];
    m_interlaced = (m_imageFlags & interlaceFlag) != 0;
    if ((m_imageFlags & globalTableFlag) && !ReadColorTable(2u << (m_imageFlags & 7)))
        return 0;
    if (m_imageWidth == 0 || m_imageHeight == 0 ||
        std::uint64_t{m_imageWidth} * m_imageHeight >
            m_streamBytes * pixelsPerStreamByte + pixelSlack)
        return 0;
    m_width = m_imageWidth;
    m_height = m_imageHeight;

    BITMAPINFOHEADER info;
    info.biWidth = m_imageWidth;
    info.biHeight = m_imageHeight;
    info.biPlanes = 1;
    info.biBitCount = 8;
    info.biClrUsed = 256;
    info.biClrImportant = 256;
    WriteInfoHeader(m_header.data(), info);

    // The decoder writes the rows in their final place: bottom-up, padded to 4 bytes.
    const std::uint32_t pitch = (std::uint32_t{m_imageWidth} + 3) & ~3u;
    if (!AllocatePixels(std::uint64_t{pitch} * m_imageHeight))
        return 0;
    auto decoder = std::make_unique<PxGifDecoder>(*this, std::span<std::uint8_t>(m_pixels),
                                                  m_imageWidth, m_imageHeight, pitch, m_interlaced);
    if (!decoder->Decode())
        return 0;
    m_rowsPadded = true;
    return 1;
}

// ---- Writing ----

int PxGif::WriteImageData(CFile& file) {
    if (!HasImage() || !PadRows())
        return 0;
    CDibFormat format;
    if (!format.Parse(m_header, DIB_RGB_COLORS, nullptr))
        return 0;
    const auto width = static_cast<std::uint32_t>(format.Width());
    const auto height = static_cast<std::uint32_t>(format.Height());
    if (width > maxGifSide || height > maxGifSide)
        return 0;
    const unsigned bits = format.BitCount();

    if (format.Compression() == BI_RGB && (bits == 1 || bits == 4 || bits == 8)) {
        if (format.ImageBytes() > m_pixels.size())
            return 0;
        const std::uint8_t* const block = m_pixels.data();
        const std::uint64_t rowBytes = format.RowBytes();
        const bool topDown = format.IsTopDown();
        std::vector<std::uint8_t> unpacked(bits == 8 ? 0 : width);
        auto row = [&](std::uint32_t y) -> const std::uint8_t* {
            const std::uint8_t* stored = block + (topDown ? y : height - 1 - y) * rowBytes;
            if (bits == 8)
                return stored;
            // 1- and 4-bit pixels become one index a byte, leftmost pixel first.
            for (std::uint32_t x = 0; x < width; ++x)
                unpacked[x] = bits == 4 ? (stored[x >> 1] >> (x & 1 ? 0 : 4)) & 15
                                        : (stored[x >> 3] >> (7 - (x & 7))) & 1;
            return unpacked.data();
        };
        return WriteIndices(file, format.Colors(), width, height, row);
    }

    // Any other form is turned into at most 256 colours first.
    CDibSource source;
    PxColorQuantizer quantizer;
    if (!source.Init(format, m_pixels) || !quantizer.Quantize(source))
        return 0;
    std::array<std::uint32_t, 256> colors{};
    std::copy(quantizer.Palette().begin(), quantizer.Palette().end(), colors.begin());
    const std::uint8_t* const indices = quantizer.Indices().data();
    auto row = [&](std::uint32_t y) { return indices + std::uint64_t{y} * width; };
    return WriteIndices(file, colors, width, height, row);
}

int PxGif::WriteIndices(CFile& file, const std::array<std::uint32_t, 256>& colors,
                        std::uint32_t width, std::uint32_t height,
                        const std::function<const std::uint8_t*(std::uint32_t)>& row) {
    constexpr unsigned codeSize = 8;
    PxGifEncoder encoder;
    // Signature, logical screen, colour table and image descriptor go out in one write.
    std::uint8_t head[6 + 7 + 256 * 3 + 10];
    std::uint8_t* p = head;
    std::memcpy(p, "GIF89a", 6);
    PutLe16(p + 6, static_cast<std::uint16_t>(width));
    PutLe16(p + 8, static_cast<std::uint16_t>(height));
    p[10] = 0xF0 | (codeSize - 1); // global table of 256 colours, 8-bit resolution
    p[11] = 0;                     // background index
    p[12] = 0;                     // no aspect ratio
    p += 13;
    for (std::uint32_t color : colors) {
        *p++ = static_cast<std::uint8_t>(color >> 16);
        *p++ = static_cast<std::uint8_t>(color >> 8);
        *p++ = static_cast<std::uint8_t>(color);
    }
    *p = ',';
    PutLe16(p + 1, 0);
    PutLe16(p + 3, 0);
    PutLe16(p + 5, static_cast<std::uint16_t>(width));
    PutLe16(p + 7, static_cast<std::uint16_t>(height));
    p[9] = m_interlaced ? interlaceFlag : 0;
    if (!encoder.Begin(file, codeSize))
        return 0;
    file.Write(head, sizeof head);
    if (m_interlaced) {
        for (unsigned pass = 0; pass < 4; ++pass)
            for (std::uint32_t y = PxGifDecoder::passStart[pass]; y < height;
                 y += PxGifDecoder::passStep[pass])
                encoder.AddPixels(row(y), width);
    } else {
        for (std::uint32_t y = 0; y < height; ++y)
            encoder.AddPixels(row(y), width);
    }
    encoder.End();
    file.Write(";", 1);
    return 1;
}
