// AdjustContrast: each colour goes through HSV; its value moves half-way
// towards (or away from) a sine curve that darkens values below one half and lightens
// those above, hue and saturation staying. The arithmetic is double precision in a fixed
// order with one rounding at the end, so every platform gives the same bytes.
#include "imaging/Contrast.h"

#include "imaging/PxImage.h"
#include "platform/DibFormat.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

namespace {

// What one step does to a colour depends on its bytes alone, so both byte-indexed parts
// of the computation are tabled once per step: each byte as a fraction (the same doubles
// the division gives) and the new value for each possible maximum byte, whose sine would
// otherwise be taken once per pixel.
struct StepTables {
    std::array<double, 256> unit;
    std::array<double, 256> value;
};

StepTables MakeStepTables(double direction) {
    StepTables tables;
    for (int i = 0; i < 256; ++i) {
        const double v = i / 255.0;
        const double curve = (std::sin((v - 0.5) * std::numbers::pi) + 1) * 0.5;
        tables.unit[i] = v;
        tables.value[i] = std::clamp(v + direction * 0.5 * (curve - v), 0.0, 1.0);
    }
    return tables;
}

std::uint8_t ToByte(double component) {
    return static_cast<std::uint8_t>(std::floor(component * 255 + 0.5));
}

// Transforms one colour in place: bytes blue, green, red (DIB order).
void TransformColor(std::uint8_t* bgr, const StepTables& tables) {
    const double b = tables.unit[bgr[0]], g = tables.unit[bgr[1]], r = tables.unit[bgr[2]];
    const double v = std::max({r, g, b});
    const double m = std::min({r, g, b});
    const double s = v > 0 ? (v - m) / v : 0;
    const double nv = tables.value[std::max({bgr[0], bgr[1], bgr[2]})];
    if (s == 0) {
        bgr[0] = bgr[1] = bgr[2] = ToByte(nv);
        return;
    }
    double h = r == v ? (g - b) / (v - m) : g == v ? 2 + (b - r) / (v - m) : 4 + (r - g) / (v - m);
    h *= 60;
    if (h < 0)
        h += 360;
    if (h == 360)
        h = 0;
    h /= 60;
    const int sector = std::clamp(static_cast<int>(std::floor(h)), 0, 5);
    const double f = h - sector;
    const double p = nv * (1 - s), q = nv * (1 - s * f), t = nv * (1 - s * (1 - f));
    static constexpr int order[6][3] = {{0, 3, 1}, {2, 0, 1}, {1, 0, 3},
                                        {1, 2, 0}, {3, 1, 0}, {0, 1, 2}};
    const double picks[4] = {nv, p, q, t};
    const int* rgb = order[sector]; // which of V', p, q, t red, green and blue take
    bgr[2] = ToByte(picks[rgb[0]]);
    bgr[1] = ToByte(picks[rgb[1]]);
    bgr[0] = ToByte(picks[rgb[2]]);
}

// The image's blocks are changed in place: PxImage hands out its blocks read-only, but
// they belong to the (non-const) image the caller gave us.
std::uint8_t* Writable(std::span<const std::uint8_t> block) {
    return const_cast<std::uint8_t*>(block.data());
}

void TransformTable(PxImage& image, const StepTables& tables) {
    std::span<const std::uint8_t> table = image.GetColorTable();
    const std::size_t entries = std::min<std::size_t>(image.GetColorCount(), table.size() / 4);
    std::uint8_t* entry = Writable(table);
    for (std::size_t i = 0; i < entries; ++i)
        TransformColor(entry + i * 4, tables);
    image.CreateImagePalette();
}

// Photographs repeat their colours: a direct-mapped cache of recent results saves most
// of the per-pixel arithmetic without changing a single result.
class CColorCache {
public:
    CColorCache() : m_slots(slotCount, {emptyKey, 0}) {}
    void Transform(std::uint8_t* bgr, const StepTables& tables) {
        const std::uint32_t key =
            bgr[0] | (std::uint32_t{bgr[1]} << 8) | (std::uint32_t{bgr[2]} << 16);
        std::pair<std::uint32_t, std::uint32_t>& slot =
            m_slots[(key * 2654435761u) >> (32 - slotBits)];
        if (slot.first != key) {
            TransformColor(bgr, tables);
            slot = {key, bgr[0] | (std::uint32_t{bgr[1]} << 8) | (std::uint32_t{bgr[2]} << 16)};
            return;
        }
        bgr[0] = static_cast<std::uint8_t>(slot.second);
        bgr[1] = static_cast<std::uint8_t>(slot.second >> 8);
        bgr[2] = static_cast<std::uint8_t>(slot.second >> 16);
    }

private:
    static constexpr unsigned slotBits = 16;
    static constexpr std::size_t slotCount = std::size_t{1} << slotBits;
    static constexpr std::uint32_t emptyKey = 0xFFFFFFFF; // no colour has this key
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_slots;
};

void TransformPixels(PxImage& image, unsigned bytesPerPixel, const StepTables& tables) {
    const std::uint64_t rowBytes = PxImage::PaddedRowBytes(bytesPerPixel * 8, image.GetWidth());
    const std::uint64_t height = image.GetHeight();
    if (height == 0 || rowBytes > image.GetBits().size() / height)
        return;
    std::uint8_t* rows = Writable(image.GetBits());
    const std::uint64_t used = std::uint64_t{image.GetWidth()} * bytesPerPixel;
    CColorCache cache;
    for (std::uint64_t y = 0; y < height; ++y) {
        std::uint8_t* row = rows + y * rowBytes;
        for (std::uint64_t x = 0; x < used; x += bytesPerPixel)
            cache.Transform(row + x, tables);
    }
}

} // namespace

void AdjustContrast(PxImage& image, int step) {
    if (!image.HasImage())
        return;
    const StepTables tables = MakeStepTables(step > 0 ? 1.0 : -1.0);
    const BITMAPINFOHEADER header = ReadInfoHeader(image.GetHeader().data());
    switch (image.GetImageBits()) {
    case 4:
    case 8:
        TransformTable(image, tables);
        break;
    case 24:
    case 32:
        try {
            if (header.biCompression == BI_RGB)
                TransformPixels(image, image.GetImageBits() / 8, tables);
        } catch (const std::bad_alloc&) {
            // No memory for the cache: nothing was changed yet.
        }
        break;
    default:
        break;
    }
}
