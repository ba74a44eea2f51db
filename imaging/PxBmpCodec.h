// PxBmpCodec: the BMP reader and writer. PxDib plugs them into the load and save
// sequence, and every image class uses them for its archive form.
//
// File layout (little-endian): 14-byte file header ("BM", file size, two reserved words,
// offset of the pixel data), the info header, for BI_BITFIELDS three colour masks, the
// colour table, then the rows bottom-up (top-down for a negative height), padded to 4 bytes.
//
// The reader trusts nothing in the file. It fails (0) on a wrong signature, an info-header
// size that no BMP has, a width below 1, a height of 0, a plane count other than 1, a
// depth other than 1, 4, 8, 16, 24, 32, a compression that does not fit the depth (RLE8
// for 8 bits, RLE4 for 4 bits, both bottom-up only; bit fields for 16 and 32 bits), a side
// above 2^24 pixels, rows of more than 1 GiB, or a pixel-data offset that is not inside
// the file after the headers (and masks). What it keeps is the canonical header block:
// a 40-byte info header (a 12-byte core header and its 3-byte colours, or a longer
// header, are converted), the masks for BI_BITFIELDS, and room for 256 colours, of which
// those the file has before its pixel data are filled. biClrUsed is held to 2^depth, and
// to 0 above 8 bits, where a colour table is only a hint for palette screens. The pixel
// block holds at least the uncompressed rows the header declares, zero past the end of
// the file; for RLE data it holds the whole stream (biSizeImage bytes when the file gives
// a size that fits, else up to the end of the file).
//
// The writer writes a 40-byte info header with biSizeImage 0, the masks for BI_BITFIELDS,
// 2, 16 or 256 colours for 1-, 4- and 8-bit pictures, then the rows. RLE pictures keep
// their stream whole and its size in biSizeImage. It fails when the image has no header
// or the file would pass 4 GiB; file errors arrive as CFileException.
#pragma once

#include "platform/File.h"

class PxImage;

class PxBmpCodec {
public:
    // Reads a BMP at the file's position into image's fields and blocks (both replaced).
    // The palette and halftone flag are left to FinishLoad.
    static int Read(PxImage& image, CFile& file);
    // Writes the image as a BMP at the file's position.
    static int Write(PxImage& image, CFile& file);

private:
    // The reader's three steps, each 0 on failure: the headers (into layout), the masks
    // and colour table (the image's header block), the pixel data (its pixel block).
    struct Layout;
    static int ReadHeaders(CFile& file, Layout& layout);
    static int ReadTable(PxImage& image, CFile& file, Layout& layout);
    static int ReadPixels(PxImage& image, CFile& file, const Layout& layout);
};
