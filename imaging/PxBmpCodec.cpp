#include "imaging/PxBmpCodec.h"

#include "imaging/PxImage.h"
#include "platform/ByteOrder.h"
#include "platform/DibFormat.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::uint16_t kSignature = 0x4D42; // "BM"
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kMasksSize = 12;
constexpr std::size_t kMaxHeaderSize = 124;
constexpr std::size_t kTableRoom = 256 * 4;
// How far the declared rows may outrun the pixel data the file holds. Missing rows read
// as zeros, but a file that holds only a sliver of its picture (a tiny file declaring a
// gigabyte) is no picture: allocating and drawing it would cost time and memory that
// nothing in the file justifies. Uncompressed data may be truncated to a sixteenth; RLE
// data expands at most about 128-fold (255 pixels from two bytes). Any picture whose rows
// fit in the slack is accepted whatever the file holds.
constexpr std::uint64_t kTruncationFactor = 16;
constexpr std::uint64_t kRleExpansionFactor = 256;
constexpr std::uint64_t kRowSlack = std::uint64_t{1} << 20;

bool IsInfoHeaderSize(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 64 || size == 108 || size == 124;
}

bool IsPlausibleDepth(unsigned bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool FitsDepth(std::uint32_t compression, unsigned bits, bool topDown, std::uint32_t headerSize) {
    switch (compression) {
    case BI_RGB:
        return true;
    case BI_RLE8:
        return bits == 8 && !topDown;
    case BI_RLE4:
        return bits == 4 && !topDown;
    // The OS/2 2.x header (64 bytes) uses compression 3 for a coding of its own.
    case BI_BITFIELDS:
        return (bits == 16 || bits == 32) && headerSize != 64;
    default:
        return false;
    }
}

// Reads count bytes into destination, as many reads as the file needs; returns the bytes
// read, fewer only at the end of the file.
std::uint64_t ReadFully(CFile& file, std::uint8_t* destination, std::uint64_t count) {
    std::uint64_t done = 0;
    while (done < count) {
        std::size_t n = file.Read(destination + done, static_cast<std::size_t>(count - done));
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

// Writes count bytes of source from offset on; bytes past the end of source go out as zeros.
void WriteZeroFilled(CFile& file, std::span<const std::uint8_t> source, std::uint64_t offset,
                     std::uint64_t count) {
    if (offset < source.size()) {
        std::uint64_t n = std::min<std::uint64_t>(count, source.size() - offset);
        file.Write(source.data() + offset, static_cast<std::size_t>(n));
        count -= n;
    }
    static const std::array<std::uint8_t, 4096> zeros{};
    while (count > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, zeros.size()));
        file.Write(zeros.data(), n);
        count -= n;
    }
}

} // namespace

// What the headers say, carried from the header step to the table and pixel steps.
struct PxBmpCodec::Layout {
    std::int64_t start = 0;       // the file position of "BM"
    std::uint64_t available = 0;  // bytes from there to the end of the file
    std::uint64_t offset = 0;     // of the pixel data, from start
    std::uint32_t headerSize = 0; // of the info header in the file
    bool core = false;            // the 12-byte core header
    std::uint8_t head[kMaxHeaderSize] = {};
    BITMAPINFOHEADER info;        // converted to the 40-byte form
    std::int64_t height = 0;      // rows, whichever way up
    std::uint64_t imageBytes = 0; // of the uncompressed rows
};

int PxBmpCodec::Read(PxImage& image, CFile& file) {
    image.FreeBlocks();
    Layout layout;
    if (!ReadHeaders(file, layout) || !ReadTable(image, file, layout))
        return 0;
    return ReadPixels(image, file, layout);
}

// The file header and the info header, checked for what a BMP can hold.
int PxBmpCodec::ReadHeaders(CFile& file, Layout& layout) {
    layout.start = file.GetPosition();
    const std::int64_t length = file.GetLength();
    if (length <= layout.start)
        return 0;
    layout.available = static_cast<std::uint64_t>(length - layout.start);

    std::uint8_t fileHeader[kFileHeaderSize];
    if (ReadFully(file, fileHeader, kFileHeaderSize) != kFileHeaderSize ||
        GetLe16(fileHeader) != kSignature)
        return 0;
    layout.offset = GetLeU32(fileHeader + 10);

    std::uint8_t* head = layout.head;
    if (ReadFully(file, head, 4) != 4)
        return 0;
    const std::uint32_t headerSize = GetLeU32(head);
    layout.headerSize = headerSize;
    layout.core = headerSize == kCoreHeaderSize;
    if (!layout.core && !IsInfoHeaderSize(headerSize))
        return 0;
    if (ReadFully(file, head + 4, headerSize - 4) != headerSize - 4)
        return 0;

    BITMAPINFOHEADER& info = layout.info;
    if (layout.core) {
        // The core header: 16-bit unsigned width and height, planes, depth; rows are
        // always bottom-up and uncompressed.
        info.biWidth = GetLe16(head + 4);
        info.biHeight = GetLe16(head + 6);
        info.biPlanes = GetLe16(head + 8);
        info.biBitCount = GetLe16(head + 10);
    } else {
        info = ReadInfoHeader(head);
    }
    info.biSize = kInfoHeaderSize;
    const unsigned bits = info.biBitCount;
    const bool topDown = info.biHeight < 0;
    layout.height = topDown ? -std::int64_t{info.biHeight} : info.biHeight;
    if (info.biWidth < 1 || layout.height < 1 || info.biWidth > kMaxDibSide ||
        layout.height > kMaxDibSide || info.biPlanes != 1 || !IsPlausibleDepth(bits) ||
        !FitsDepth(info.biCompression, bits, topDown, headerSize))
        return 0;
    const std::uint64_t rowBytes = DibRowBytes(bits, static_cast<std::uint64_t>(info.biWidth));
    layout.imageBytes = rowBytes * static_cast<std::uint64_t>(layout.height);
    return layout.imageBytes <= kMaxDibPixelBytes;
}

// The masks and the colour table, into the image's header block.
int PxBmpCodec::ReadTable(PxImage& image, CFile& file, Layout& layout) {
    BITMAPINFOHEADER& info = layout.info;
    const unsigned bits = info.biBitCount;
    // Masks: after a 40-byte header, else header fields at the same place.
    const bool fields = info.biCompression == BI_BITFIELDS;
    std::uint8_t masks[kMasksSize] = {};
    std::uint64_t tableStart = kFileHeaderSize + layout.headerSize;
    if (fields && layout.headerSize == kInfoHeaderSize) {
        if (ReadFully(file, masks, kMasksSize) != kMasksSize)
            return 0;
        tableStart += kMasksSize;
    } else if (fields) {
        std::memcpy(masks, layout.head + kInfoHeaderSize, kMasksSize);
    }
    const std::uint64_t offset = layout.offset;
    if (offset < tableStart || offset >= layout.available)
        return 0;

    // Colour table: the entries the depth allows, as many as lie before the pixel data.
    const std::size_t entrySize = layout.core ? 3 : 4;
    std::uint32_t entries = 0;
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        if (info.biClrUsed > full)
            info.biClrUsed = full;
        entries = info.biClrUsed != 0 ? info.biClrUsed : full;
        entries = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(entries, (offset - tableStart) / entrySize));
        if (layout.core && entries < full)
            info.biClrUsed = entries;
    } else {
        info.biClrUsed = 0;
    }
    if (info.biClrImportant > info.biClrUsed)
        info.biClrImportant = 0;

    if (!image.AllocateHeader(kInfoHeaderSize + (fields ? kMasksSize : 0) + kTableRoom))
        return 0;
    std::uint8_t* block = image.m_header.data();
    WriteInfoHeader(block, info);
    std::uint8_t* table = block + kInfoHeaderSize;
    if (fields) {
        std::memcpy(table, masks, kMasksSize);
    } else if (entries > 0) {
        std::array<std::uint8_t, 256 * 4> raw{};
        std::uint64_t got = ReadFully(file, raw.data(), entries * entrySize);
        for (std::uint32_t i = 0; i < entries && (i + 1) * entrySize <= got; ++i) {
            std::memcpy(table + i * 4, raw.data() + i * entrySize, 3);
            table[i * 4 + 3] = 0;
        }
    }
    return 1;
}

// The pixel data into the image's pixel block, and the image's fields.
int PxBmpCodec::ReadPixels(PxImage& image, CFile& file, const Layout& layout) {
    const BITMAPINFOHEADER& info = layout.info;
    const unsigned bits = info.biBitCount;
    const std::uint64_t imageBytes = layout.imageBytes;
    // RLE data is a stream: its size is biSizeImage when the file has that many bytes,
    // else the rest of the file.
    const std::uint64_t remaining = layout.available - layout.offset;
    std::uint64_t dataBytes = std::min(imageBytes, remaining);
    std::uint64_t blockBytes = imageBytes;
    if (info.biCompression == BI_RLE8 || info.biCompression == BI_RLE4) {
        dataBytes =
            info.biSizeImage != 0 && info.biSizeImage <= remaining ? info.biSizeImage : remaining;
        if (dataBytes > kMaxDibPixelBytes)
            return 0;
        blockBytes = std::max(imageBytes, dataBytes);
        if (imageBytes > dataBytes * kRleExpansionFactor + kRowSlack)
            return 0;
    } else if (imageBytes > dataBytes * kTruncationFactor + kRowSlack) {
        return 0;
    }
    if (!image.AllocatePixels(blockBytes)) {
        image.FreeBlocks();
        return 0;
    }
    file.Seek(layout.start + static_cast<std::int64_t>(layout.offset), CFile::begin);
    ReadFully(file, image.m_pixels.data(), dataBytes); // a short file leaves zeros

    image.m_imageBits = bits;
    image.m_width = static_cast<std::uint32_t>(info.biWidth);
    image.m_height = static_cast<std::uint32_t>(layout.height);
    image.m_colorCount = static_cast<std::uint16_t>(bits == 1   ? 2
                                                    : bits == 4 ? 16
                                                    : bits == 8 ? 256
                                                                : 0);
    image.m_rowsPadded = true;
    image.m_rowPitch = image.PitchForWidth();
    return 1;
}

int PxBmpCodec::Write(PxImage& image, CFile& file) {
    image.PadRows();
    if (image.m_header.size() < kInfoHeaderSize)
        return 0;
    BITMAPINFOHEADER info = ReadInfoHeader(image.m_header.data());
    if (info.biWidth < 1 || info.biHeight == 0)
        return 0;
    const bool rle = info.biCompression == BI_RLE8 || info.biCompression == BI_RLE4;
    const std::uint64_t masks = info.biCompression == BI_BITFIELDS ? kMasksSize : 0;
    const std::uint64_t colors = image.ColorCountForDepth();
    const std::uint64_t height = info.biHeight < 0
                                     ? static_cast<std::uint64_t>(-std::int64_t{info.biHeight})
                                     : static_cast<std::uint64_t>(info.biHeight);
    const std::uint64_t pixelBytes =
        rle ? image.m_pixels.size()
            : PxImage::PaddedRowBytes(info.biBitCount, static_cast<std::uint64_t>(info.biWidth)) *
                  height;
    const std::uint64_t offset = kFileHeaderSize + kInfoHeaderSize + masks + colors * 4;
    const std::uint64_t fileSize = offset + pixelBytes;
    if (fileSize > UINT32_MAX)
        return 0;
    info.biSize = kInfoHeaderSize;
    info.biSizeImage = rle ? static_cast<std::uint32_t>(pixelBytes) : 0;
    WriteInfoHeader(image.m_header.data(), info);

    std::uint8_t fileHeader[kFileHeaderSize] = {};
    PutLe16(fileHeader, kSignature);
    PutLe32(fileHeader + 2, static_cast<std::uint32_t>(fileSize));
    PutLe32(fileHeader + 10, static_cast<std::uint32_t>(offset));
    file.Write(fileHeader, kFileHeaderSize);
    WriteZeroFilled(file, image.m_header, 0, kInfoHeaderSize + masks + colors * 4);
    WriteZeroFilled(file, image.m_pixels, 0, pixelBytes);
    return 1;
}
