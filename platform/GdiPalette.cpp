#include "platform/GdiPalette.h"

bool CPalette::CreatePalette(std::span<const PALETTEENTRY> entries) {
    m_entries.clear();
    if (entries.empty() || entries.size() > maxEntries)
        return false;
    m_entries.assign(entries.begin(), entries.end());
    return true;
}

bool CPalette::CreateHalftonePalette(CDC&) {
    std::vector<PALETTEENTRY> entries;
    entries.reserve(256);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                entries.push_back({static_cast<std::uint8_t>(r * 51),
                                   static_cast<std::uint8_t>(g * 51),
                                   static_cast<std::uint8_t>(b * 51), 0});
    // 40 greys spread over the gaps between the cube's six grey levels.
    for (int i = 1; entries.size() < 256; ++i) {
        int level = i * 255 / 41;
        if (level % 51 == 0)
            level += 1;
        auto v = static_cast<std::uint8_t>(level);
        entries.push_back({v, v, v, 0});
    }
    return CreatePalette(entries);
}

unsigned CPalette::GetNearestPaletteIndex(COLORREF color) const {
    unsigned best = 0;
    long bestDistance = -1;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        long dr = long{m_entries[i].peRed} - GetRValue(color);
        long dg = long{m_entries[i].peGreen} - GetGValue(color);
        long db = long{m_entries[i].peBlue} - GetBValue(color);
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<unsigned>(i);
        }
    }
    return best;
}
