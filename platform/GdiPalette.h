// CPalette: a logical palette of the software drawing device, and the halftone palette.
// The device is true colour, so a palette never changes how anything is drawn except
// where a DIB's colour table holds palette indices (DIB_PAL_COLORS); it is kept so that
// the code that selects and realises palettes runs unchanged.
#pragma once

#include "platform/GdiTypes.h"

#include <cstdint>
#include <span>
#include <vector>

class CDC;

struct PALETTEENTRY {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
};

class CPalette {
public:
    // Largest number of entries a logical palette may hold.
    static constexpr std::size_t maxEntries = 1024;

    CPalette() = default;
    CPalette(const CPalette&) = delete;
    CPalette& operator=(const CPalette&) = delete;

    // Replaces the entries; false (and no palette) for zero entries or more than maxEntries.
    bool CreatePalette(std::span<const PALETTEENTRY> entries);
    // The 256-entry halftone palette: the 6 × 6 × 6 colour cube on the levels 0, 51, ...,
    // 255 followed by 40 greys that the cube lacks. The device context is not consulted.
    bool CreateHalftonePalette(CDC& dc);
    void DeleteObject() { m_entries.clear(); }

    bool IsCreated() const { return !m_entries.empty(); }
    std::size_t GetEntryCount() const { return m_entries.size(); }
    std::span<const PALETTEENTRY> Entries() const { return m_entries; }
    // The entry closest to color (sum of squared differences); 0 for an empty palette.
    unsigned GetNearestPaletteIndex(COLORREF color) const;

private:
    std::vector<PALETTEENTRY> m_entries;
};
