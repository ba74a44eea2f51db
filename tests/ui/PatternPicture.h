// A generated picture for the zoom and pan tests: the colour of pixel (x, y), x and y
// below 4096, encodes x and y (red and green hold the low bytes, blue the high nibbles),
// so a rendered pixel tells which picture pixel landed there.
#pragma once

#include "platform/DibFormat.h"
#include "platform/GdiDc.h"

#include <QColor>
#include <QPoint>

#include <cstdint>
#include <vector>

inline QRgb PatternColor(int x, int y) {
    return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) & 0xF) | (((y >> 8) & 0xF) << 4));
}

inline QPoint PatternPoint(QRgb color) {
    return {qRed(color) | ((qBlue(color) & 0xF) << 8), qGreen(color) | ((qBlue(color) >> 4) << 8)};
}

class CPatternPicture {
public:
    void Make(int width, int height) {
        m_width = width;
        m_height = height;
        m_bits.resize(std::size_t(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                m_bits[std::size_t(y) * width + x] = PatternColor(x, y) & 0xFFFFFF;
        BITMAPINFOHEADER header;
        header.biWidth = width;
        header.biHeight = -height; // top-down
        header.biBitCount = 32;
        m_info.resize(kInfoHeaderSize);
        WriteInfoHeader(m_info.data(), header);
    }

    // Draws the whole picture at logical (0, 0), one unit per pixel.
    void Draw(CDC& dc) const {
        if (m_bits.empty())
            return;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_bits.data());
        dc.StretchDIBits(0, 0, m_width, m_height, 0, 0, m_width, m_height,
                         {bytes, m_bits.size() * 4}, m_info, DIB_RGB_COLORS, SRCCOPY);
    }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_bits;
    std::vector<std::uint8_t> m_info;
};
