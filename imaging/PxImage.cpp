#include "imaging/PxImage.h"

#include "imaging/ImageOptions.h"
#include "imaging/PxBmpCodec.h"
#include "platform/DibFormat.h"
#include "platform/GdiDc.h"

#include <cstring>
#include <new>

namespace {

// No picture's blocks are larger: the pixel data of the largest DIB the device accepts,
// and a header with the longest colour table and masks.
constexpr std::uint64_t kMaxPixelBlock = kMaxDibPixelBytes;
constexpr std::uint64_t kMaxHeaderBlock = 64 * 1024;

} // namespace

PxImage::PxImage() {
    CDC screen;
    screen.CreateScreenDC();
    int bits = screen.GetDeviceCaps(BITSPIXEL);
    m_displayPlanes = static_cast<unsigned>(screen.GetDeviceCaps(PLANES));
    if (Force256Colors())
        bits = 8;
    switch (bits) {
    case 1:
        m_displayBits = 1;
        m_displayColorCount =
            static_cast<std::uint16_t>(m_displayPlanes < 16 ? 1u << m_displayPlanes : 0);
        break;
    case 2:
        m_displayBits = 2, m_displayColorCount = 4;
        break;
    case 4:
        m_displayBits = 4, m_displayColorCount = 16;
        break;
    case 8:
        m_displayBits = 8, m_displayColorCount = 256;
        break;
    default:
        m_displayBits = 0, m_displayColorCount = 0;
        break; // true colour
    }
}

PxImage::~PxImage() = default;

std::uint64_t PxImage::PackedRowBytes(unsigned bits, std::uint64_t width) {
    return (std::uint64_t{bits} * width + 7) / 8;
}

std::uint64_t PxImage::PaddedRowBytes(unsigned bits, std::uint64_t width) {
    return (std::uint64_t{bits} * width + 31) / 32 * 4;
}

std::uint32_t PxImage::PitchForWidth() const {
    return static_cast<std::uint32_t>((std::uint64_t{m_width} * 8 + 31) / 32 * 4);
}

unsigned PxImage::ColorCountForDepth() const {
    if (m_header.size() < kInfoHeaderSize)
        return 0;
    switch (ReadInfoHeader(m_header.data()).biBitCount) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

std::span<const std::uint8_t> PxImage::GetColorTable() const {
    if (m_header.size() <= kInfoHeaderSize)
        return {};
    return std::span<const std::uint8_t>(m_header).subspan(kInfoHeaderSize);
}

int PxImage::AllocatePixels(std::uint64_t size) {
    return AllocatePixelBlock(size, true);
}

int PxImage::AllocatePixelsForOverwrite(std::uint64_t size) {
    return AllocatePixelBlock(size, false);
}

int PxImage::AllocatePixelBlock(std::uint64_t size, bool clear) {
    m_pixels = {};
    std::vector<std::uint8_t> kept = std::move(m_keptBlock);
    m_keptBlock = {};
    if (size > kMaxPixelBlock)
        return 0;
    // Within the kept block's capacity no memory is newly mapped: shrinking writes nothing,
    // growing clears only the added tail.
    const bool reuse = size <= kept.capacity() && size >= kept.capacity() / 2;
    if (!reuse)
        kept = {};
    try {
        if (reuse && !clear) {
            kept.resize(static_cast<std::size_t>(size));
            m_pixels = std::move(kept);
        } else if (reuse) {
            kept.assign(static_cast<std::size_t>(size), 0);
            m_pixels = std::move(kept);
        } else {
            m_pixels.assign(static_cast<std::size_t>(size), 0);
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

std::vector<std::uint8_t> PxImage::TakePixelBlock() {
    std::vector<std::uint8_t> block = std::move(m_pixels);
    FreeBlocks();
    return block;
}

void PxImage::KeepPixelBlock(std::vector<std::uint8_t> block) {
    m_keptBlock = std::move(block);
}

int PxImage::AllocateHeader(std::uint64_t size) {
    m_header = {};
    if (size > kMaxHeaderBlock)
        return 0;
    try {
        m_header.assign(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return 1;
}

void PxImage::FreeBlocks() {
    m_pixels = {};
    m_header = {};
}

void PxImage::ReleaseFile() {
    CloseReadBuffer();
    m_file = nullptr;
}

// ---- Load and save sequence ----

int PxImage::LoadFromPath(const std::string& path) {
    CloseReadBuffer();
    if (!m_ownedFile)
        m_ownedFile = std::make_unique<CFile>();
    CFile& file = *m_ownedFile;
    m_file = &file;
    try {
        if (file.IsOpen())
            file.Close();
    } catch (const CFileException&) {
        // A failed close of the previous file does not stop the next open.
    }
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone, &error)) {
        m_lastFileError = error.Cause();
        return 0;
    }
    int result = LoadFromFile(file);
    CloseReadBuffer();
    try {
        file.Close();
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
    }
    return result;
}

int PxImage::LoadFromFile(CFile& file) {
    CloseReadBuffer();
    m_file = &file;
    m_lastFileError = 0;
    int result = 0;
    try {
        result = PrepareLoad() && ReadImageData(file) && FinishLoad();
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
    } catch (const std::bad_alloc&) {
    }
    if (!result)
        FreeBlocks();
    return result;
}

int PxImage::SaveToPath(const std::string& path) {
    CloseReadBuffer();
    if (!m_ownedFile)
        m_ownedFile = std::make_unique<CFile>();
    CFile& file = *m_ownedFile;
    m_file = &file;
    try {
        if (file.IsOpen())
            file.Close();
    } catch (const CFileException&) {
    }
    CFileException error;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite, &error)) {
        m_lastFileError = error.Cause();
        return 0;
    }
    int result = SaveToFile(file);
    try {
        file.Close();
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
        result = 0;
    }
    return result;
}

int PxImage::SaveToFile(CFile& file) {
    m_file = &file;
    m_lastFileError = 0;
    try {
        return PrepareSave() && WriteImageData(file) && FinishSave();
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
    } catch (const std::bad_alloc&) {
    }
    return 0;
}

int PxImage::Serialize(CFile& archiveFile, bool storing) {
    m_lastFileError = 0;
    try {
        if (storing)
            return PxBmpCodec::Write(*this, archiveFile);
        CloseReadBuffer();
        if (PrepareLoad() && PxBmpCodec::Read(*this, archiveFile) && FinishLoad())
            return 1;
    } catch (const CFileException& e) {
        m_lastFileError = e.Cause();
    } catch (const std::bad_alloc&) {
    }
    if (!storing)
        FreeBlocks();
    return 0;
}

int PxImage::PrepareLoad() {
    m_header = {};
    return 1;
}

int PxImage::FinishLoad() {
    // A depth without a colour table (16 or 32 bits) simply has no palette.
    CreateImagePalette();
    m_rowPitch = PitchForWidth();
    PadRows();
    // On a true-colour screen the display bits are 0, so every picture is halftoned; on a
    // palette screen only the pictures of the screen's own depth are drawn with their own
    // colours. The flag is set afresh on every load, as the object may be reused.
    m_halftone = m_displayBits != m_imageBits;
    if (m_header.empty()) {
        if (!AllocateHeader(kInfoHeaderSize + std::uint64_t{m_colorCount} * 4))
            return 0;
        BITMAPINFOHEADER info;
        info.biWidth = static_cast<std::int32_t>(m_width);
        info.biHeight = static_cast<std::int32_t>(m_height);
        info.biPlanes = static_cast<std::uint16_t>(m_displayPlanes);
        info.biBitCount = static_cast<std::uint16_t>(m_imageBits);
        info.biSizeImage = m_rowPitch * m_height;
        WriteInfoHeader(m_header.data(), info);
    }
    return 1;
}

// ---- Row forms ----

bool PxImage::HoldsRleData() const {
    if (m_header.size() < kInfoHeaderSize)
        return false;
    std::uint32_t compression = ReadInfoHeader(m_header.data()).biCompression;
    return compression == BI_RLE8 || compression == BI_RLE4;
}

bool PxImage::RowsFit(std::uint64_t rowBytes) const {
    return !HoldsRleData() && rowBytes * m_height <= m_pixels.size();
}

int PxImage::PadRows() {
    m_rowPitch = PitchForWidth();
    const std::uint64_t packed = PackedRowBytes(m_imageBits, m_width);
    const std::uint64_t padded = PaddedRowBytes(m_imageBits, m_width);
    if (m_rowsPadded || packed == padded)
        return 1;
    if (!RowsFit(padded))
        return 0;
    // From the last row down, so that no row is overwritten before it has moved; the
    // bytes that become padding are cleared.
    for (std::uint64_t row = m_height; row-- > 1;) {
        std::uint8_t* to = m_pixels.data() + row * padded;
        std::memmove(to, m_pixels.data() + row * packed, packed);
        std::memset(to + packed, 0, padded - packed);
    }
    if (m_height > 0)
        std::memset(m_pixels.data() + packed, 0, padded - packed);
    m_rowsPadded = true;
    return 1;
}

int PxImage::PackRows() {
    if (!m_rowsPadded)
        return 1;
    const std::uint64_t packed = PackedRowBytes(m_imageBits, m_width);
    const std::uint64_t padded = PaddedRowBytes(m_imageBits, m_width);
    if (!RowsFit(padded))
        return 0;
    for (std::uint64_t row = 1; row < m_height; ++row)
        std::memmove(m_pixels.data() + row * packed, m_pixels.data() + row * padded, packed);
    m_rowsPadded = false;
    return 1;
}

int PxImage::FlipRows() {
    if (!m_rowsPadded && !PadRows())
        return 0;
    const std::uint64_t padded = PaddedRowBytes(m_imageBits, m_width);
    if (!RowsFit(padded))
        return 0;
    std::vector<std::uint8_t> scratch;
    try {
        scratch.resize(static_cast<std::size_t>(padded));
    } catch (const std::bad_alloc&) {
        return 0;
    }
    for (std::uint64_t i = 0; i < m_height / 2; ++i) {
        std::uint8_t* a = m_pixels.data() + i * padded;
        std::uint8_t* b = m_pixels.data() + (m_height - 1 - i) * padded;
        std::memcpy(scratch.data(), a, padded);
        std::memcpy(a, b, padded);
        std::memcpy(b, scratch.data(), padded);
    }
    return 1;
}

// ---- Buffered reader ----

int PxImage::OpenReadBuffer(std::size_t capacity, int fill) {
    return m_readBuffer.Open(m_file, capacity, fill);
}

std::size_t PxImage::FillReadBuffer() {
    return m_readBuffer.Fill();
}

std::size_t PxImage::BufferedRead(void* destination, std::size_t count) {
    if (!m_readBuffer.IsOpen())
        return m_file ? m_file->Read(destination, count) : 0;
    return m_readBuffer.Read(destination, count);
}

void PxImage::CloseReadBuffer() {
    m_readBuffer.Close();
}

// ---- Copy ----

int PxImage::CopyFrom(const PxImage& source) {
    if (&source == this)
        return 1;
    CloseReadBuffer();
    try {
        m_pixels = source.m_pixels;
        m_header = source.m_header;
    } catch (const std::bad_alloc&) {
        FreeBlocks();
        return 0;
    }
    m_imageBits = source.m_imageBits;
    m_displayPlanes = source.m_displayPlanes;
    m_rowsPadded = source.m_rowsPadded;
    m_rowPitch = source.m_rowPitch;
    m_width = source.m_width;
    m_height = source.m_height;
    m_colorCount = source.m_colorCount;
    m_displayColorCount = source.m_displayColorCount;
    CreateImagePalette();
    return 1;
}
