#include "imaging/PxColorQuantizer.h"

#include "platform/DibSource.h"

#include <limits>
#include <new>

namespace {

constexpr int cellsPerSide = 32; // 5 bits of each channel
constexpr int cellCount = cellsPerSide * cellsPerSide * cellsPerSide;

int CellIndex(int r, int g, int b) {
    return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
}

// Rows of CDibSource hold blue, green, red (and a byte more in 4-byte pixels).
std::uint32_t ColorAt(const std::uint8_t* p) {
    return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}

} // namespace

struct PxColorQuantizer::Cell {
    std::uint64_t count = 0;
    std::uint64_t sum[3] = {}; // red, green, blue
    std::uint64_t squares = 0;
};

struct PxColorQuantizer::Box {
    int lo[3] = {0, 0, 0};
    int hi[3] = {cellsPerSide - 1, cellsPerSide - 1, cellsPerSide - 1}; // inclusive
    Cell total;
    double error = 0;
    bool splittable = true;
};

namespace {

double SquaredError(const std::uint64_t sum[3], std::uint64_t squares, std::uint64_t count) {
    if (count == 0)
        return 0;
    double s = 0;
    for (int c = 0; c < 3; ++c)
        s += static_cast<double>(sum[c]) * static_cast<double>(sum[c]);
    return static_cast<double>(squares) - s / static_cast<double>(count);
}

} // namespace

int PxColorQuantizer::Quantize(CDibSource& source, unsigned maxColors) {
    m_palette.clear();
    m_indices.clear();
    if (maxColors < 1 || maxColors > 256 || source.Width() < 1 || source.Height() < 1)
        return 0;
    try {
        m_indices.resize(static_cast<std::size_t>(source.Width()) *
                         static_cast<std::size_t>(source.Height()));
        if (TryExactColors(source, maxColors) || MedianCut(source, maxColors))
            return 1;
    } catch (const std::bad_alloc&) {
    }
    m_palette = {};
    m_indices = {};
    return 0;
}

bool PxColorQuantizer::TryExactColors(CDibSource& source, unsigned maxColors) {
    // Open addressing over four times the colours it may take, so probes stay short.
    constexpr unsigned slots = 1024;
    std::vector<std::uint32_t> keys(slots, 0); // colour + 1, 0 when empty
    std::vector<std::uint8_t> values(slots, 0);
    const unsigned step = source.PixelBytes();
    std::uint8_t* out = m_indices.data();
    for (std::int32_t y = 0; y < source.Height(); ++y) {
        const std::uint8_t* p = source.Row(y);
        for (std::int32_t x = 0; x < source.Width(); ++x, p += step) {
            const std::uint32_t key = ColorAt(p) + 1;
            unsigned i = (key * 2654435761u) >> 22;
            while (keys[i] != 0 && keys[i] != key)
                i = (i + 1) & (slots - 1);
            if (keys[i] == 0) {
                if (m_palette.size() == maxColors) {
                    m_palette.clear();
                    return false;
                }
                keys[i] = key;
                values[i] = static_cast<std::uint8_t>(m_palette.size());
                m_palette.push_back(key - 1);
            }
            *out++ = values[i];
        }
    }
    return true;
}

bool PxColorQuantizer::MedianCut(CDibSource& source, unsigned maxColors) {
    std::vector<Cell> cells(cellCount);
    const unsigned step = source.PixelBytes();
    for (std::int32_t y = 0; y < source.Height(); ++y) {
        const std::uint8_t* p = source.Row(y);
        for (std::int32_t x = 0; x < source.Width(); ++x, p += step) {
            const int r = p[2], g = p[1], b = p[0];
            Cell& cell = cells[CellIndex(r, g, b)];
            ++cell.count;
            cell.sum[0] += r, cell.sum[1] += g, cell.sum[2] += b;
            cell.squares += static_cast<std::uint64_t>(r * r + g * g + b * b);
        }
    }

    std::vector<Box> boxes(1);
    Measure(cells, boxes[0]);
    while (boxes.size() < maxColors) {
        std::size_t worst = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].splittable &&
                (worst == boxes.size() || boxes[i].error > boxes[worst].error))
                worst = i;
        if (worst == boxes.size())
            break;
        Box upper;
        if (Split(cells, boxes[worst], upper))
            boxes.push_back(upper);
        else
            boxes[worst].splittable = false;
    }

    for (const Box& box : boxes) {
        if (box.total.count == 0)
            continue;
        std::uint32_t color = 0;
        for (int c = 0; c < 3; ++c)
            color = color << 8 | static_cast<std::uint32_t>(
                                     (box.total.sum[c] + box.total.count / 2) / box.total.count);
        m_palette.push_back(color);
    }

    // Each occupied cell takes the palette colour nearest to its own mean colour.
    std::vector<std::uint8_t> cellColor(cellCount, 0);
    for (int i = 0; i < cellCount; ++i) {
        const Cell& cell = cells[i];
        if (cell.count == 0)
            continue;
        int mean[3];
        for (int c = 0; c < 3; ++c)
            mean[c] = static_cast<int>((cell.sum[c] + cell.count / 2) / cell.count);
        int best = std::numeric_limits<int>::max();
        for (std::size_t k = 0; k < m_palette.size(); ++k) {
            const int dr = mean[0] - static_cast<int>(m_palette[k] >> 16 & 0xFF);
            const int dg = mean[1] - static_cast<int>(m_palette[k] >> 8 & 0xFF);
            const int db = mean[2] - static_cast<int>(m_palette[k] & 0xFF);
            const int d = dr * dr + dg * dg + db * db;
            if (d < best)
                best = d, cellColor[i] = static_cast<std::uint8_t>(k);
        }
    }
    std::uint8_t* out = m_indices.data();
    for (std::int32_t y = 0; y < source.Height(); ++y) {
        const std::uint8_t* p = source.Row(y);
        for (std::int32_t x = 0; x < source.Width(); ++x, p += step)
            *out++ = cellColor[CellIndex(p[2], p[1], p[0])];
    }
    return true;
}

void PxColorQuantizer::Measure(const std::vector<Cell>& cells, Box& box) const {
    box.total = Cell{};
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const Cell& cell = cells[r << 10 | g << 5 | b];
                box.total.count += cell.count;
                for (int c = 0; c < 3; ++c)
                    box.total.sum[c] += cell.sum[c];
                box.total.squares += cell.squares;
            }
    box.error = SquaredError(box.total.sum, box.total.squares, box.total.count);
}

bool PxColorQuantizer::Split(const std::vector<Cell>& cells, Box& box, Box& upper) const {
    // The box's content summed over each slice along each axis, in one pass.
    Cell slices[3][cellsPerSide];
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
        for (int g = box.lo[1]; g <= box.hi[1]; ++g)
            for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                const Cell& cell = cells[r << 10 | g << 5 | b];
                if (cell.count == 0)
                    continue;
                const int at[3] = {r, g, b};
                for (int axis = 0; axis < 3; ++axis) {
                    Cell& slice = slices[axis][at[axis]];
                    slice.count += cell.count;
                    for (int c = 0; c < 3; ++c)
                        slice.sum[c] += cell.sum[c];
                    slice.squares += cell.squares;
                }
            }

    // The cut that lowers the squared error most is the one that maximises
    // |sum below|^2 / count below + |sum above|^2 / count above.
    const Cell& all = box.total;
    double bestScore = -1;
    int bestAxis = -1, bestCut = 0;
    Cell bestLower;
    for (int axis = 0; axis < 3; ++axis) {
        Cell lower;
        for (int t = box.lo[axis]; t < box.hi[axis]; ++t) {
            const Cell& slice = slices[axis][t];
            lower.count += slice.count;
            for (int c = 0; c < 3; ++c)
                lower.sum[c] += slice.sum[c];
            lower.squares += slice.squares;
            const std::uint64_t upperCount = all.count - lower.count;
            if (lower.count == 0 || upperCount == 0)
                continue;
            double a = 0, b = 0;
            for (int c = 0; c < 3; ++c) {
                const double l = static_cast<double>(lower.sum[c]);
                const double u = static_cast<double>(all.sum[c] - lower.sum[c]);
                a += l * l, b += u * u;
            }
            const double score =
                a / static_cast<double>(lower.count) + b / static_cast<double>(upperCount);
            if (score > bestScore)
                bestScore = score, bestAxis = axis, bestCut = t, bestLower = lower;
        }
    }
    if (bestAxis < 0)
        return false;
    upper = box;
    box.hi[bestAxis] = bestCut;
    upper.lo[bestAxis] = bestCut + 1;
    upper.total.count = all.count - bestLower.count;
    for (int c = 0; c < 3; ++c)
        upper.total.sum[c] = all.sum[c] - bestLower.sum[c];
    upper.total.squares = all.squares - bestLower.squares;
    box.total = bestLower;
    box.error = SquaredError(box.total.sum, box.total.squares, box.total.count);
    upper.error = SquaredError(upper.total.sum, upper.total.squares, upper.total.count);
    return true;
}
