#include "imaging/PxTiff.h"

#include "imaging/PxTiffMemory.h"
#include "imaging/PxTiffRows.h"
#include "platform/DibFormat.h"
#include "platform/File.h"
#include "platform/MemFile.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

constexpr std::size_t kTableBytes = 256 * 4;
// How many bytes of samples a file may declare for each of its own bytes, and how many any
// file may declare. Uncompressed samples are in the file (a truncated file may lack some);
// no codec expands by more than about a thousand (LZW and Deflate) except on blank fax
// pages, whose samples are one bit each. A file far shorter is hostile or a sliver, and
// loading it would allocate and fill up to a gigabyte from nothing.
constexpr std::uint64_t kUncompressedPerFileByte = 16;
constexpr std::uint64_t kDecodedPerFileByte = 2048;
constexpr std::uint64_t kSampleSlack = std::uint64_t{1} << 24;
// The largest file read into memory to be decoded, as large as the largest pixel block.
constexpr std::uint64_t kMaxFileBytes = kMaxDibPixelBytes;

void SetEntry(std::uint8_t* table, unsigned i, unsigned red, unsigned green, unsigned blue) {
    std::uint8_t* entry = table + 4 * i;
    entry[0] = static_cast<std::uint8_t>(blue);
    entry[1] = static_cast<std::uint8_t>(green);
    entry[2] = static_cast<std::uint8_t>(red);
    entry[3] = 0;
}

// The file-error cause that keeps path from being opened with flags, else 0. libtiff
// reports only that it failed; this gives the same causes as the other formats.
int OpenFailureCause(const std::string& path, unsigned flags, CFile& file) {
    CFileException error;
    if (file.Open(path, flags, &error))
        return 0;
    return error.Cause() != FileCause::none ? error.Cause() : FileCause::generic;
}

} // namespace

// ---- Reading ----

int PxTiff::ReadImageData(CFile& file) {
    const std::int64_t position = file.GetPosition();
    const std::int64_t length = file.GetLength();
    if (position < 0 || length < position)
        return 0;
    // A memory file (a record's picture) is decoded where it lies; any other file is read
    // into memory first.
    if (const auto* memory = dynamic_cast<const CMemFile*>(&file)) {
        const std::span<const std::uint8_t> bytes = memory->Data();
        return ReadTiffBytes(bytes.subspan(std::min(bytes.size(), std::size_t(position))));
    }
    const std::uint64_t left = std::uint64_t(length - position);
    if (left > kMaxFileBytes)
        return 0;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(left));
    const std::size_t read = file.Read(bytes.data(), bytes.size());
    return ReadTiffBytes({bytes.data(), read});
}

int PxTiff::ReadTiffBytes(std::span<const std::uint8_t> bytes) {
    const PxTiffMemory tiff(bytes);
    if (!tiff.Handle() || !ReadTiff(tiff.Handle()))
        return 0;
    BITMAPINFOHEADER info;
    info.biWidth = static_cast<std::int32_t>(m_width);
    info.biHeight = static_cast<std::int32_t>(m_height);
    info.biPlanes = static_cast<std::uint16_t>(m_displayPlanes);
    info.biBitCount = static_cast<std::uint16_t>(m_imageBits);
    info.biSizeImage = static_cast<std::uint32_t>(m_pixels.size());
    WriteInfoHeader(m_header.data(), info);
    m_rowsPadded = true;
    return 1;
}

int PxTiff::ReadTiff(TIFF* tif) {
    std::uint32_t width = 0, height = 0;
    std::uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, orientation = 0;
    std::uint16_t compression = 0;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height))
        return 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        photometric = samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB;
    if (width == 0 || height == 0 || width > kMaxDibSide || height > kMaxDibSide)
        return 0;
    if ((bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) ||
        (samples != 1 && samples != 3 && samples != 4))
        return 0;
    const std::uint64_t fileBytes = TIFFGetSizeProc(tif)(TIFFClientdata(tif));
    const std::uint64_t sampleBytes = std::uint64_t{width} * height * bits * samples / 8;
    const std::uint64_t expansion =
        compression == COMPRESSION_NONE ? kUncompressedPerFileByte : kDecodedPerFileByte;
    if (sampleBytes > fileBytes * expansion + kSampleSlack)
        return 0;

    PxTiffLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerSample = bits;
    layout.samplesPerPixel = samples;
    layout.separatePlanes = planar == PLANARCONFIG_SEPARATE && samples > 1;
    // Bottom-first orientations are turned the right way up; the mirrored and rotated
    // ones are shown as their rows run.
    layout.firstRowAtTop =
        orientation != ORIENTATION_BOTRIGHT && orientation != ORIENTATION_BOTLEFT &&
        orientation != ORIENTATION_RIGHTBOT && orientation != ORIENTATION_LEFTBOT;
    if (!AllocateHeader(kInfoHeaderSize + kTableBytes))
        return 0;
    m_colorCount = 0;
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        if (samples != 1 || !MakeGreyTable(tif, bits, photometric == PHOTOMETRIC_MINISWHITE))
            return 0;
        layout.kind = bits == 1    ? PxTiffLayout::bits1
                      : bits == 16 ? PxTiffLayout::grey16
                                   : PxTiffLayout::index;
        m_imageBits = bits == 1 ? 1 : 8;
        break;
    case PHOTOMETRIC_PALETTE:
        if (samples != 1 || bits > 8 || !MakePaletteTable(tif, bits))
            return 0;
        layout.kind = PxTiffLayout::index;
        m_imageBits = 8;
        break;
    case PHOTOMETRIC_YCBCR:
        if (bits != 8 || samples != 3 || layout.separatePlanes)
            return 0;
        layout.kind = PxTiffLayout::ycbcr;
        // The JPEG codec turns its YCbCr into RGB itself when asked.
        if (compression == COMPRESSION_JPEG) {
            if (!TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
                return 0;
            layout.kind = PxTiffLayout::rgb;
        }
        m_imageBits = 24;
        break;
    case PHOTOMETRIC_RGB:
        if (samples < 3 || bits < 8)
            return 0;
        layout.kind = PxTiffLayout::rgb;
        m_imageBits = 24;
        break;
    default:
        return 0;
    }
    m_width = width;
    m_height = height;
    const std::uint64_t stride = PaddedRowBytes(m_imageBits, width);
    if (!AllocatePixels(stride * height))
        return 0;
    PxTiffRows rows(tif, layout, m_pixels, stride);
    return rows.ReadAll();
}

int PxTiff::MakeGreyTable(TIFF* tif, unsigned bitsPerSample, bool minIsWhite) {
    // 16-bit samples are reduced to their high byte, which indexes a full ramp. For
    // smaller ones the ramp spans the declared sample range, held to what the depth can
    // express so that it fits the table.
    const unsigned top = bitsPerSample == 16 ? 255 : (1u << bitsPerSample) - 1;
    unsigned n = top;
    if (bitsPerSample != 16) {
        std::uint16_t minimum = 0, maximum = 0;
        TIFFGetFieldDefaulted(tif, TIFFTAG_MINSAMPLEVALUE, &minimum);
        TIFFGetFieldDefaulted(tif, TIFFTAG_MAXSAMPLEVALUE, &maximum);
        if (maximum > minimum)
            n = std::min<unsigned>(maximum - minimum, top);
    }
    std::uint8_t* table = ColorTable();
    for (unsigned i = 0; i <= n; ++i) {
        const unsigned grey = (minIsWhite ? n - i : i) * 255 / n;
        SetEntry(table, i, grey, grey, grey);
    }
    m_colorCount = static_cast<std::uint16_t>(n + 1);
    return 1;
}

int PxTiff::MakePaletteTable(TIFF* tif, unsigned bitsPerSample) {
    std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
        return 0;
    const unsigned n = 1u << bitsPerSample;
    // Some writers store 8-bit values in the 16-bit map; a map with nothing above 255 is
    // taken as such.
    bool eightBit = true;
    for (unsigned i = 0; i < n; ++i)
        eightBit = eightBit && red[i] < 256 && green[i] < 256 && blue[i] < 256;
    auto value = [eightBit](unsigned v) { return eightBit ? v : v * 255 / 65535; };
    for (unsigned i = 0; i < n; ++i)
        SetEntry(ColorTable(), i, value(red[i]), value(green[i]), value(blue[i]));
    m_colorCount = static_cast<std::uint16_t>(n);
    return 1;
}

// ---- Writing ----

int PxTiff::SaveToPath(const std::string& path) {
    ReleaseFile();
    m_lastFileError = 0;
    if (!PrepareSave() || !HasImage())
        return 0;
    const BITMAPINFOHEADER header = ReadInfoHeader(m_header.data());
    const unsigned bits = m_imageBits;
    if (header.biCompression != BI_RGB || (bits != 1 && bits != 4 && bits != 8 && bits != 24) ||
        m_width == 0 || m_height == 0 || PaddedRowBytes(bits, m_width) * m_height > m_pixels.size())
        return 0;
    CFile stream;
    if ((m_lastFileError = OpenFailureCause(
             path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite, stream)) != 0)
        return 0;

    const bool topDown = header.biHeight < 0;
    const std::span<const std::uint8_t> table = GetColorTable();
    int result = 0;
    if (bits == 4) {
        // Written as 8-bit indices, top line first, into a block of its own.
        std::vector<std::uint8_t> strip;
        try {
            strip.resize(static_cast<std::size_t>(std::uint64_t{m_width} * m_height));
        } catch (const std::bad_alloc&) {
            return 0;
        }
        const std::uint64_t stride =
            m_rowsPadded ? PaddedRowBytes(4, m_width) : PackedRowBytes(4, m_width);
        for (std::uint32_t y = 0; y < m_height; ++y) {
            const std::uint8_t* row = m_pixels.data() + (topDown ? y : m_height - 1 - y) * stride;
            std::uint8_t* out = strip.data() + std::uint64_t{y} * m_width;
            for (std::uint32_t x = 0; x < m_width; ++x)
                out[x] = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
        }
        result = WriteTiff(path, strip.data(), strip.size());
    } else {
        // In place: top line first, packed, red and blue exchanged (TIFF keeps red first)
        // or 1-bit samples inverted; all of it undone afterwards.
        const auto lightness = [&table](std::size_t i) {
            return 4 * i + 3 <= table.size()
                       ? 114u * table[4 * i] + 587u * table[4 * i + 1] + 299u * table[4 * i + 2]
                       : 0u;
        };
        const bool invert = bits == 1 && lightness(0) > lightness(1);
        if (!topDown && !FlipRows())
            return 0;
        if (PackRows()) {
            const std::uint64_t bytes = PackedRowBytes(bits, m_width) * m_height;
            auto transform = [&] {
                if (bits == 24)
                    for (std::uint64_t i = 0; i + 2 < bytes; i += 3)
                        std::swap(m_pixels[i], m_pixels[i + 2]);
                else if (invert)
                    for (std::uint64_t i = 0; i < bytes; ++i)
                        m_pixels[i] = static_cast<std::uint8_t>(~m_pixels[i]);
            };
            transform();
            result = WriteTiff(path, m_pixels.data(), bytes);
            transform();
        }
        PadRows();
        if (!topDown)
            FlipRows();
    }
    try {
        stream.Close();
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
        result = 0;
    }
    return result && FinishSave();
}

int PxTiff::WriteTiff(const std::string& path, std::uint8_t* strip, std::uint64_t stripBytes) {
    // libtiff reports a compression it cannot write only as a message, so it is asked first.
    if (!TIFFIsCODECConfigured(m_compression))
        return 0;
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (!tif)
        return 0;
    const unsigned bits = m_imageBits;
    const std::uint16_t photometric = bits == 24  ? PHOTOMETRIC_RGB
                                      : bits == 1 ? PHOTOMETRIC_MINISBLACK
                                                  : PHOTOMETRIC_PALETTE;
    bool ok =
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, m_width) &&
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, m_height) &&
        TIFFSetField(tif, TIFFTAG_COMPRESSION, m_compression) &&
        (m_compression != COMPRESSION_CCITTFAX3 || TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 5)) &&
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, bits == 24 ? 3 : 1) &&
        TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, m_height) &&
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits == 1 ? 1 : 8) &&
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
    if (ok && photometric == PHOTOMETRIC_PALETTE) {
        // Each 8-bit colour to the 16-bit range; entries past the colour count are black.
        std::vector<std::uint16_t> map(3 * 256, 0);
        const std::span<const std::uint8_t> table = GetColorTable();
        for (std::size_t i = 0; i < m_colorCount && i < 256 && 4 * i + 3 <= table.size(); ++i) {
            map[i] = static_cast<std::uint16_t>(table[4 * i + 2] * 65535 / 255);
            map[256 + i] = static_cast<std::uint16_t>(table[4 * i + 1] * 65535 / 255);
            map[512 + i] = static_cast<std::uint16_t>(table[4 * i] * 65535 / 255);
        }
        ok = TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    const tmsize_t size = ok ? TIFFStripSize(tif) : 0;
    ok = ok && size > 0 && static_cast<std::uint64_t>(size) <= stripBytes &&
         TIFFWriteEncodedStrip(tif, 0, strip, size) != -1 && TIFFFlush(tif);
    TIFFClose(tif);
    return ok ? 1 : 0;
}
