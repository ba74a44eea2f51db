// PxTiff: the image class of TIFF files (".TIF", ".TIFF"), over libtiff.
//
// Loading (LoadFromFile, and LoadFromPath through it) decodes the bytes from the file's
// position to its end in memory, through libtiff's client I/O (PxTiffMemory): a memory
// file's own bytes, any other file's read into memory first (at most 1 GiB). No temporary
// file is made. Saving is by path only, since libtiff writes its files itself: SaveToFile
// fails at once (WriteImageData only fails).
//
// A load reads the first image of the file into:
//  - a 1-bit image for 1-bit grey, bits as stored, with a table of white, black for
//    min-is-white and black, white for min-is-black;
//  - an 8-bit image for 2-, 4- and 8-bit grey (sample values as indices into a ramp of
//    MaxSampleValue − MinSampleValue + 1 greys, darkest first for min-is-black), for
//    16-bit grey (the high byte into a 256-grey ramp) and for 1-, 2-, 4- and 8-bit
//    palette images (the ColorMap taken as 8-bit values when every value is below 256,
//    else scaled by 255 / 65535);
//  - a 24-bit image for RGB of 8 or 16 bits per sample with 3 or 4 samples (a fourth is
//    dropped), interleaved or in separate planes, and for 8-bit interleaved YCbCr.
// Anything else fails (0): other photometric interpretations (CMYK among them), depths,
// sample counts or layouts, a palette image without a ColorMap, sides beyond the DIB limits,
// more than 16 MB of samples and 16 (uncompressed) or 2048 (compressed) bytes of samples
// per byte of the file (a huge size in a tiny file), tiles overhanging the picture by more
// than 256 pixels.
// Orientations 1, 2, 5 and 6 put the file's first row at the top of the picture, 3, 4, 7
// and 8 at the bottom; columns are never mirrored, rows and columns never exchanged.
// Strips or tiles that do not read leave their lines at index 0 (black for RGB).
// libtiff's warnings and errors go to its own handlers.
//
// SaveToPath writes one strip with the object's compression (1, none, at construction):
// 24-bit images as 8-bit RGB, 8- and 4-bit images as 8-bit palette images with the colour
// table, 1-bit images as min-is-black bits, inverted when the table's first colour is the
// lighter one (so white stays white). Other depths and compressed DIBs fail. The image is
// the same after the save as before, whether it succeeds or fails.
// Both report a path that cannot be opened, and a load a file that cannot be read, through
// LastFileError().
#pragma once

#include "imaging/PxImage.h"

#include <cstdint>
#include <span>
#include <string>

#include <tiffio.h>

class PxTiff : public PxImage {
public:
    const char* GetClassName() const override { return "PxTiff"; }
    int SaveToPath(const std::string& path) override;
    int ReadImageData(CFile& file) override;
    int WriteImageData(CFile&) override { return 0; }

    // The TIFF compression code the writer uses; 3 (CCITT Group 3) adds Group3Options 5.
    std::uint16_t GetCompression() const { return m_compression; }
    void SetCompression(std::uint16_t compression) { m_compression = compression; }

private:
    // Decodes the TIFF in bytes and fills the header; the rows are left padded.
    int ReadTiffBytes(std::span<const std::uint8_t> bytes);
    int ReadTiff(TIFF* tif);
    int MakeGreyTable(TIFF* tif, unsigned bitsPerSample, bool minIsWhite);
    int MakePaletteTable(TIFF* tif, unsigned bitsPerSample);
    // Writes strip (top line first, packed, in the file's sample order) as the one strip
    // of a new TIFF at path.
    int WriteTiff(const std::string& path, std::uint8_t* strip, std::uint64_t stripBytes);

    std::uint16_t m_compression = COMPRESSION_NONE;
};
