#include "imaging/PxJpeg.h"

#include "imaging/PxJpegIo.h"
#include "platform/DibFormat.h"

#include <algorithm>
#include <csetjmp>

// The library calls in ReadImageData and WriteImageData sit between a setjmp and the
// longjmp of a fatal error, which skips every frame in between: those frames hold no
// object with a destructor, and what the landing code reads lives in memory (the library
// objects and the error manager, whose addresses the library holds).

namespace {

// Inverted CMYK, as most four-component JPEGs are written: 255 is no ink.
std::uint8_t InkTimesBlack(unsigned ink, unsigned black) {
    return static_cast<std::uint8_t>((ink * black + 127) / 255);
}

void CmykToBgr(const JSAMPLE* cmyk, std::uint8_t* bgr, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        bgr[0] = InkTimesBlack(cmyk[2], cmyk[3]);
        bgr[1] = InkTimesBlack(cmyk[1], cmyk[3]);
        bgr[2] = InkTimesBlack(cmyk[0], cmyk[3]);
    }
}

void GreyToBgr(const JSAMPLE* grey, std::uint8_t* bgr, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, bgr += 3)
        bgr[0] = bgr[1] = bgr[2] = grey[x];
}

bool IsFourComponent(J_COLOR_SPACE space) {
    return space == JCS_CMYK || space == JCS_YCCK;
}

// How many pixels a stream may declare for each of its bytes, and how many any stream may
// declare. Even a flat picture takes a few bits per 8 x 8 block, so a short stream that
// declares a huge picture is hostile or a sliver of one: decoding it would allocate and
// fill up to a gigabyte from nothing. Real pictures of any size stay far below the ratio.
constexpr std::uint64_t kPixelsPerStreamByte = 1024;
constexpr std::uint64_t kPixelSlack = std::uint64_t{1} << 21;

} // namespace

PxJpeg::PxJpeg() : m_quantizeOnRead(m_displayColorCount != 0) {}

// ---- Reading ----

int PxJpeg::ReadImageData(CFile& file) {
    FreeBlocks();
    m_libraryMessage.clear();
    std::uint64_t streamBytes = 0;
    try {
        const std::int64_t left = file.GetLength() - file.GetPosition();
        streamBytes = left > 0 ? static_cast<std::uint64_t>(left) : 0;
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
        return 0;
    }
    PxJpegError error;
    jpeg_decompress_struct cinfo;
    cinfo.err = PxJpegStdError(error);
    if (setjmp(error.landing)) {
        jpeg_destroy_decompress(&cinfo);
        m_libraryMessage = error.message;
        if (error.fileCause != 0)
            m_lastFileError = error.fileCause;
        return 0;
    }
    jpeg_create_decompress(&cinfo);
    PxJpegFileSource(&cinfo, file);
    const int result = Decode(cinfo, streamBytes);
    jpeg_destroy_decompress(&cinfo);
    return result;
}

int PxJpeg::Decode(jpeg_decompress_struct& cinfo, std::uint64_t streamBytes) {
    if (!DecodeHeader(cinfo, streamBytes) || !DecodeRows(cinfo))
        return 0;
    if (m_quantizeOnRead && cinfo.colormap != nullptr)
        DecodeColorMap(cinfo);
    jpeg_finish_decompress(&cinfo);
    m_rowsPadded = true;
    return 1;
}

// The stream's header: the output colour space, the checks on the picture's size, the
// reduced scale, and the image's blocks with their info header.
int PxJpeg::DecodeHeader(jpeg_decompress_struct& cinfo, std::uint64_t streamBytes) {
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK)
        return 0;
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    if (IsFourComponent(cinfo.jpeg_color_space)) {
        // The library does not turn CMYK into RGB; the rows are converted here.
        cinfo.out_color_space = JCS_CMYK;
    } else if (!grey) {
        if (cinfo.num_components != 3)
            return 0; // two components, or five and more: no picture this program shows
        cinfo.out_color_space = JCS_EXT_BGR;
    }
    if (cinfo.image_width == 0 || cinfo.image_width > kMaxDibSide || cinfo.image_height == 0 ||
        cinfo.image_height > kMaxDibSide ||
        std::uint64_t{cinfo.image_width} * cinfo.image_height >
            streamBytes * kPixelsPerStreamByte + kPixelSlack)
        return 0;

    m_sourceWidth = cinfo.image_width;
    m_sourceHeight = cinfo.image_height;
    if (m_reduceLimit > 0) {
        // The library scales while it decodes (by its DCT), which costs a fraction of a
        // full decode.
        const std::uint32_t longer = std::max(cinfo.image_width, cinfo.image_height);
        unsigned denominator = 1;
        while (denominator < 8 && longer / (denominator * 2) >= m_reduceLimit)
            denominator *= 2;
        cinfo.scale_num = 1;
        cinfo.scale_denom = denominator;
    }
    jpeg_calc_output_dimensions(&cinfo);

    const bool quantize = m_quantizeOnRead;
    m_imageBits = quantize ? 8 : 24;
    m_width = cinfo.output_width;
    m_height = cinfo.output_height;
    m_colorCount = quantize ? 256 : 0;
    const std::uint64_t stride = PaddedRowBytes(m_imageBits, m_width);
    if (!AllocateHeader(kInfoHeaderSize + std::uint64_t{m_colorCount} * 4) ||
        !AllocatePixelsForOverwrite(stride * m_height))
        return 0;
    BITMAPINFOHEADER info;
    info.biWidth = static_cast<std::int32_t>(m_width);
    info.biHeight = static_cast<std::int32_t>(m_height);
    info.biBitCount = static_cast<std::uint16_t>(m_imageBits);
    WriteInfoHeader(m_header.data(), info);
    return 1;
}

// The rows, decoded into the bottom-up pixel block (through the quantiser for 8 bits).
int PxJpeg::DecodeRows(jpeg_decompress_struct& cinfo) {
    const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
    const bool fourComponent = IsFourComponent(cinfo.jpeg_color_space);
    const bool quantize = m_quantizeOnRead;
    if (quantize) {
        cinfo.quantize_colors = TRUE;
        cinfo.desired_number_of_colors = 256;
        // The two-pass quantiser takes three components only; four get the one-pass
        // colour cube, whose map is converted like the rows.
        if (fourComponent)
            cinfo.two_pass_quantize = FALSE;
    }
    jpeg_start_decompress(&cinfo);
    const int components = quantize ? 1 : grey ? 1 : fourComponent ? 4 : 3;
    if (cinfo.output_width != m_width || cinfo.output_height != m_height ||
        cinfo.output_components != components) {
        jpeg_abort_decompress(&cinfo);
        return 0;
    }

    // Rows whose samples are already DIB pixels are decoded straight into their place in
    // the bottom-up block; the others go through one row of library memory. The block may
    // hold an earlier picture's bytes: every row is written whole and its padding cleared.
    const std::uint64_t stride = PaddedRowBytes(m_imageBits, m_width);
    const std::uint64_t rowBytes = PackedRowBytes(m_imageBits, m_width);
    const bool direct = quantize || components == 3;
    JSAMPARRAY scratch = nullptr;
    if (!direct)
        scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                             cinfo.output_width * components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        std::uint8_t* row = m_pixels.data() + (m_height - 1 - cinfo.output_scanline) * stride;
        JSAMPROW target = direct ? row : scratch[0];
        if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) {
            jpeg_abort_decompress(&cinfo);
            return 0;
        }
        std::fill(row + rowBytes, row + stride, std::uint8_t{0});
        if (grey && !direct)
            GreyToBgr(scratch[0], row, m_width);
        else if (!direct)
            CmykToBgr(scratch[0], row, m_width);
    }
    return 1;
}

// The quantiser's colour map, as the colour table of the 8-bit rows.
void PxJpeg::DecodeColorMap(jpeg_decompress_struct& cinfo) {
    const int count = std::min(cinfo.actual_number_of_colors, 256);
    std::uint8_t* table = ColorTable();
    for (int i = 0; i < count; ++i) {
        std::uint8_t* entry = table + 4 * i;
        const JSAMPARRAY map = cinfo.colormap;
        switch (cinfo.out_color_components) {
        case 1:
            entry[0] = entry[1] = entry[2] = map[0][i];
            break;
        case 3: // blue, green, red as the rows
            entry[0] = map[0][i], entry[1] = map[1][i], entry[2] = map[2][i];
            break;
        case 4: {
            const JSAMPLE cmyk[4] = {map[0][i], map[1][i], map[2][i], map[3][i]};
            CmykToBgr(cmyk, entry, 1);
            break;
        }
        default:
            break;
        }
    }
}

// ---- Writing ----

int PxJpeg::WriteImageData(CFile& file) {
    m_libraryMessage.clear();
    if (!HasImage())
        return 0;
    const BITMAPINFOHEADER header = ReadInfoHeader(m_header.data());
    const unsigned bits = m_imageBits;
    if (header.biCompression != BI_RGB ||
        (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 24) || m_width == 0 ||
        m_height == 0)
        return 0;
    const std::uint64_t stride =
        m_rowsPadded ? PaddedRowBytes(bits, m_width) : PackedRowBytes(bits, m_width);
    if (stride * m_height > m_pixels.size())
        return 0;

    // Blue, green, red of every index the depth can hold; black past the colour table.
    std::uint8_t colors[256][3] = {};
    const std::span<const std::uint8_t> table = GetColorTable();
    for (std::size_t i = 0; bits <= 8 && i < 256 && 4 * i + 3 <= table.size(); ++i)
        std::copy_n(table.data() + 4 * i, 3, colors[i]);

    PxJpegError error;
    jpeg_compress_struct cinfo;
    cinfo.err = PxJpegStdError(error);
    if (setjmp(error.landing)) {
        jpeg_destroy_compress(&cinfo);
        m_libraryMessage = error.message;
        if (error.fileCause != 0)
            m_lastFileError = error.fileCause;
        return 0;
    }
    jpeg_create_compress(&cinfo);
    PxJpegFileDestination(&cinfo, file);
    const int result = Encode(cinfo, colors, stride, header.biHeight < 0);
    jpeg_destroy_compress(&cinfo);
    return result;
}

int PxJpeg::Encode(jpeg_compress_struct& cinfo, const std::uint8_t (*colors)[3],
                   std::uint64_t stride, bool topDown) {
    cinfo.image_width = m_width;
    cinfo.image_height = m_height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, std::clamp(m_quality, 1, 100), TRUE);
    cinfo.smoothing_factor = std::clamp(m_smoothing, 0, 100);
    cinfo.optimize_coding = m_optimizeCoding ? TRUE : FALSE;
    cinfo.arith_code = m_arithCoding ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);

    const unsigned bits = m_imageBits;
    JSAMPARRAY scratch = nullptr;
    if (bits != 24)
        scratch = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                             m_width * 3, 1);
    const unsigned mask = (1u << (bits & 15)) - 1;
    for (std::uint32_t y = 0; y < m_height; ++y) {
        // The library reads the rows top line first; DIB rows are bottom-up unless the
        // header's height is negative.
        std::uint8_t* row = m_pixels.data() + (topDown ? y : m_height - 1 - y) * stride;
        JSAMPROW source = row;
        if (bits != 24) {
            source = scratch[0];
            for (std::uint32_t x = 0; x < m_width; ++x) {
                const std::uint64_t bit = std::uint64_t{x} * bits;
                const unsigned index = row[bit / 8] >> (8 - bits - bit % 8) & mask;
                std::copy_n(colors[index], 3, source + 3 * std::size_t{x});
            }
        }
        if (jpeg_write_scanlines(&cinfo, &source, 1) != 1) {
            jpeg_abort_compress(&cinfo);
            return 0;
        }
    }
    jpeg_finish_compress(&cinfo);
    return 1;
}
