// PxColorQuantizer: reduces a picture of more than 256 colours (or stored in a form the
// GIF writer cannot take as it is) to a palette of at most 256 colours and one palette
// index per pixel, so that it can be written as GIF.
//
// A picture of at most that many distinct colours keeps them exactly. Otherwise the
// colours are counted in a histogram of 32 x 32 x 32 cells and cut by median cut: the box
// of cells with the largest squared error is split, on the axis and at the place that
// lower the error most, until there are enough boxes; each box's mean colour becomes a
// palette entry, and every pixel takes the entry nearest to the mean colour of its cell.
// No dithering: each pixel stays as close to its colour as the palette allows.
#pragma once

#include <cstdint>
#include <vector>

class CDibSource;

class PxColorQuantizer {
public:
    // Quantises every pixel of source to at most maxColors (1 to 256) colours. 0 when the
    // memory for the histogram or the indices cannot be had, or maxColors is out of range.
    int Quantize(CDibSource& source, unsigned maxColors = 256);

    // The palette as 0x00RRGGBB values.
    const std::vector<std::uint32_t>& Palette() const { return m_palette; }
    // One index a pixel, width bytes a row, top line first.
    const std::vector<std::uint8_t>& Indices() const { return m_indices; }

private:
    struct Cell;
    struct Box;

    bool TryExactColors(CDibSource& source, unsigned maxColors);
    bool MedianCut(CDibSource& source, unsigned maxColors);
    void Measure(const std::vector<Cell>& cells, Box& box) const;
    bool Split(const std::vector<Cell>& cells, Box& box, Box& upper) const;

    std::vector<std::uint32_t> m_palette;
    std::vector<std::uint8_t> m_indices;
};
