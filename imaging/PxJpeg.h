// PxJpeg: the image class of JPEG files (".JPG", ".JPEG", ".JPE"). Decoding and encoding
// are the JPEG library's (libjpeg-turbo through its IJG interface, in blue-green-red pixel
// order, the order of DIB pixels); this class feeds it the image's file object and moves
// rows and colours between the library and the DIB.
//
// Reading, from the file's position:
//  - on a true-colour screen a 24-bit image: colour streams as the library decodes them,
//    grey streams with red = green = blue, and four-component streams (CMYK, YCCK) turned
//    into RGB as inverted ("Adobe") CMYK, R = C × K / 255 and so on;
//  - when the screen has a palette (or the 256-colour option is on, fixed at construction):
//    an 8-bit image of the library's 256-colour quantisation with its colour map; entries
//    the map does not fill stay black.
//  A truncated stream is not an error: what is missing decodes as the library decodes an
//  end of image. A stream the library rejects (damaged headers, 12-bit or lossless data),
//  or a file error, ends the read with 0 and no image; LibraryMessage() then holds the
//  library's text, LastFileError() the file-error cause if any. So does a picture of more
//  than 2^21 pixels and 1024 pixels per byte of the stream (a huge size in a tiny file).
//
// Writing, at the file's position: a baseline JFIF stream of three components at the
// object's quality, smoothing, optimised-coding and arithmetic-coding settings, with the
// standard Huffman tables. Images of 1, 2, 4 and 8 bits are written in their colour-table
// colours (indices past the table as black); 24-bit rows as they are. Other depths and
// compressed DIBs fail. The image is not changed by writing.
#pragma once

#include "imaging/PxImage.h"

#include <string>

struct jpeg_decompress_struct;
struct jpeg_compress_struct;

class PxJpeg : public PxImage {
public:
    PxJpeg();

    const char* GetClassName() const override { return "PxJpeg"; }
    int ReadImageData(CFile& file) override;
    int WriteImageData(CFile& file) override;

    // Set at construction when the screen has a palette: reading then quantises to 256
    // colours and gives an 8-bit image.
    bool IsQuantizeOnRead() const { return m_quantizeOnRead; }
    // Encoder settings: quality 1 to 100 (75 at construction; values outside are held to
    // the range), smoothing 0 to 100 (0), optimised Huffman coding and arithmetic coding
    // (both off).
    int GetQuality() const { return m_quality; }
    void SetQuality(int quality) { m_quality = quality; }
    int GetSmoothing() const { return m_smoothing; }
    void SetSmoothing(int smoothing) { m_smoothing = smoothing; }
    bool GetOptimizeCoding() const { return m_optimizeCoding; }
    void SetOptimizeCoding(bool on) { m_optimizeCoding = on; }
    bool GetArithCoding() const { return m_arithCoding; }
    void SetArithCoding(bool on) { m_arithCoding = on; }
    // For previews: with limit > 0 the following reads decode at 1/2, 1/4 or 1/8 of the
    // picture's size, the smallest scale whose longer side still reaches limit pixels, so a
    // large photograph is not decoded whole to be shown small. 0 (the start) reads at full
    // size. GetWidth and GetHeight give the size decoded; GetSourceWidth and
    // GetSourceHeight the picture's own size from the file.
    void SetReducedDecode(std::uint32_t limit) { m_reduceLimit = limit; }
    std::uint32_t GetSourceWidth() const { return m_sourceWidth; }
    std::uint32_t GetSourceHeight() const { return m_sourceHeight; }
    // The library's message of the fatal error that ended the last read or write; empty
    // when it succeeded or failed before the library was reached.
    const std::string& LibraryMessage() const { return m_libraryMessage; }

private:
    // streamBytes: the length of the stream from its start, which bounds the picture size.
    int Decode(jpeg_decompress_struct& cinfo, std::uint64_t streamBytes);
    // Decode's steps: the header (and the image's blocks), the rows, the colour map of
    // quantised rows. 0 on failure.
    int DecodeHeader(jpeg_decompress_struct& cinfo, std::uint64_t streamBytes);
    int DecodeRows(jpeg_decompress_struct& cinfo);
    void DecodeColorMap(jpeg_decompress_struct& cinfo);
    int Encode(jpeg_compress_struct& cinfo, const std::uint8_t (*colors)[3], std::uint64_t stride,
               bool topDown);

    bool m_quantizeOnRead = false;
    int m_quality = 75;
    int m_smoothing = 0;
    bool m_optimizeCoding = false;
    bool m_arithCoding = false;
    std::uint32_t m_reduceLimit = 0;
    std::uint32_t m_sourceWidth = 0;
    std::uint32_t m_sourceHeight = 0;
    std::string m_libraryMessage;
};
