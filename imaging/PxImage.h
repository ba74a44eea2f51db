// PxImage: the one in-memory picture form, a device-independent bitmap held as two owned
// blocks: the header block (a 40-byte BITMAPINFOHEADER followed by the colour table, or
// for BI_BITFIELDS by the three colour masks) and the pixel block (all rows). The format
// classes derive from it and plug their reader and writer into the load and save sequence.
//
// Canonical row form after every load: bottom-up rows of PaddedRowBytes(bits, width)
// bytes, 1- and 4-bit pixels leftmost in the high bits. Codecs may move the block to the
// transient forms (packed rows, top-down order) with PackRows, PadRows and FlipRows, and
// leave it canonical when they are done. A BMP file may bring forms the codecs do not
// make (a negative height for top-down rows, RLE data, 16- and 32-bit pixels); they stay
// as the file has them and go to the device as they are. The pixel block always holds at
// least the uncompressed rows that the header declares, so drawing never reads outside it.
//
// Every operation returns 1 for success and 0 for failure and shows nothing; no exception
// leaves the class. File errors are kept as a cause (LastFileError) for the caller.
//
// File ownership: the file a path-based load or save opens belongs to the object, is
// reused (reopened) by the next path-based operation and deleted with the object. A file
// passed in by the caller stays the caller's; the object keeps a plain pointer to it
// (GetFile) until ReleaseFile or the next load or save.
#pragma once

#include "imaging/PxReadBuffer.h"
#include "platform/File.h"
#include "platform/GdiPalette.h"
#include "platform/GdiTypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class CDC;
class CBitmap;

class PxImage {
public:
    // Reads the screen's bits per pixel and planes and the 256-colour option.
    PxImage();
    virtual ~PxImage();
    PxImage(const PxImage&) = delete;
    PxImage& operator=(const PxImage&) = delete;

    // The name the class is registered under ("PxDib", "PxGif", ...).
    virtual const char* GetClassName() const = 0;
    // The archive form of every image class is a BMP file: storing writes the image as
    // the BMP writer does at the file's position; loading reads one with the BMP reader.
    virtual int Serialize(CFile& archiveFile, bool storing);

    // Opens path for reading (deny none), LoadFromFile, closes it.
    virtual int LoadFromPath(const std::string& path);
    // Holds the file, then PrepareLoad, ReadImageData, FinishLoad; stops at the first
    // failure and then leaves no image (both blocks freed).
    virtual int LoadFromFile(CFile& file);
    // Creates path (truncating), SaveToFile, closes it.
    virtual int SaveToPath(const std::string& path);
    // Holds the file, then PrepareSave, WriteImageData, FinishSave.
    virtual int SaveToFile(CFile& file);
    // Frees the header block.
    virtual int PrepareLoad();
    // Builds the palette, puts the rows into the padded form, sets the halftone flag and
    // makes a header when the reader made none.
    virtual int FinishLoad();
    virtual int PrepareSave() { return 1; }
    virtual int FinishSave() { return 1; }
    virtual int WriteImageData(CFile& file) = 0;
    virtual int ReadImageData(CFile& file) = 0;

    // Takes over source's blocks (copied), size, depth, row form and colour counts, and
    // rebuilds the palette; the display bits and halftone flag stay this object's own.
    int CopyFrom(const PxImage& source);
    // Captures a device bitmap: depths up to 8 bits keep theirs, deeper ones become 24
    // bits; rows and colours come from the device's GetDIBits.
    int CreateFromBitmap(CDC& dc, const CBitmap& bitmap);
    // The drawing call. With the halftone flag set it draws in the HALFTONE stretch mode
    // with a halftone palette selected for the call, otherwise in COLORONCOLOR; the
    // previous stretch mode and palette are restored. Returns the scan lines drawn.
    int StretchToDC(CDC& dc, const CRect& destination, const CRect& source,
                    std::span<const std::uint8_t> bits, std::span<const std::uint8_t> header,
                    unsigned usage, std::uint32_t rop);
    // The same with this image's own blocks, DIB_RGB_COLORS and SRCCOPY.
    int StretchToDC(CDC& dc, const CRect& destination, const CRect& source);
    // A logical palette from the colour table: max(biClrUsed, colour count) entries, the
    // first biClrUsed (else colour count) copied, the rest black. 24-bit images get none
    // and succeed; any image without colours (16 and 32 bits) gets none and fails.
    int CreateImagePalette();
    // 2, 16 or 256 for a header depth of 1, 4 or 8 bits, else 0.
    unsigned ColorCountForDepth() const;

    // Row forms; each works in place and returns 0, moving nothing, when the pixel block
    // is smaller than the rows or the rows are RLE data.
    int PadRows();
    int PackRows();
    int FlipRows();
    static std::uint64_t PackedRowBytes(unsigned bits, std::uint64_t width);
    static std::uint64_t PaddedRowBytes(unsigned bits, std::uint64_t width);

    // The decoders' buffered reader over the held file (see PxReadBuffer).
    int OpenReadBuffer(std::size_t capacity, int fill);
    std::size_t FillReadBuffer();
    std::size_t BufferedRead(void* destination, std::size_t count);
    void CloseReadBuffer();

    unsigned GetImageBits() const { return m_imageBits; }
    unsigned GetDisplayBits() const { return m_displayBits; }
    unsigned GetDisplayPlanes() const { return m_displayPlanes; }
    bool IsRowsPadded() const { return m_rowsPadded; }
    std::uint32_t GetWidth() const { return m_width; }
    std::uint32_t GetHeight() const { return m_height; }
    std::uint16_t GetColorCount() const { return m_colorCount; }
    std::uint16_t GetDisplayColorCount() const { return m_displayColorCount; }
    bool IsHalftone() const { return m_halftone; }
    bool HasImage() const { return !m_pixels.empty() && m_header.size() >= 40; }
    CPalette* GetPalette() { return m_palette.get(); }
    std::span<const std::uint8_t> GetBits() const { return m_pixels; }
    std::span<const std::uint8_t> GetHeader() const { return m_header; }
    // The colour table, 40 bytes into the header block; empty without one.
    std::span<const std::uint8_t> GetColorTable() const;
    CFile* GetFile() const { return m_file; }
    // Forgets a caller's file held from the last load or save.
    void ReleaseFile();
    // The file-error cause of the last operation that failed on a file error, else 0.
    int LastFileError() const { return m_lastFileError; }

    // Pixel-block reuse. A large picture's block is costly to get from the system: every
    // page is mapped anew and cleared on first touch. TakePixelBlock hands the block over
    // (the image is left with no picture: both blocks freed); KeepPixelBlock gives the
    // object a block that its next load takes instead of a new one when the picture needs
    // no more than the block's capacity and at least half of it (else the block is freed
    // then). Pixels come out the same either way: a reused block is cleared or wholly
    // overwritten by the reader.
    std::vector<std::uint8_t> TakePixelBlock();
    void KeepPixelBlock(std::vector<std::uint8_t> block);

protected:
    // Replace a block with size zero bytes; 0 (block freed) when the memory cannot be had
    // or size passes the cap on any picture's block. The pixel block comes from the kept
    // block when it fits (KeepPixelBlock).
    int AllocatePixels(std::uint64_t size);
    // As AllocatePixels, but a reused block keeps its old bytes: for readers that write
    // every byte of the block, row padding included.
    int AllocatePixelsForOverwrite(std::uint64_t size);
    int AllocateHeader(std::uint64_t size);
    void FreeBlocks();
    std::uint8_t* ColorTable() { return m_header.size() > 40 ? m_header.data() + 40 : nullptr; }

    unsigned m_imageBits = 0;
    unsigned m_displayBits = 0;
    unsigned m_displayPlanes = 0;
    bool m_rowsPadded = false;
    std::uint32_t m_rowPitch = 0;
    std::uint32_t m_width = 0;
    std::uint32_t m_height = 0;
    std::uint16_t m_colorCount = 0;
    std::uint16_t m_displayColorCount = 0;
    std::unique_ptr<CPalette> m_palette;
    CFile* m_file = nullptr;
    std::vector<std::uint8_t> m_pixels;
    std::vector<std::uint8_t> m_header;
    bool m_halftone = false;
    PxReadBuffer m_readBuffer;
    int m_lastFileError = 0;

private:
    friend class PxBmpCodec;

    std::uint32_t PitchForWidth() const;
    // The header's compression is RLE: the pixel block is a byte stream, not rows.
    bool HoldsRleData() const;
    bool RowsFit(std::uint64_t rowBytes) const;

    int AllocatePixelBlock(std::uint64_t size, bool clear);

    std::unique_ptr<CFile> m_ownedFile;
    std::vector<std::uint8_t> m_keptBlock;
};
