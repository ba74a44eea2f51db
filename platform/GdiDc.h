// CDC: a device context of the software drawing device. It stands in for the screen, for
// memory device contexts with a selected bitmap (what the views, the thumbnail maker and
// the printer draw into) and carries the state the program's drawing code sets: the
// mapping mode with its extents and origins, the stretch mode, the selected palette.
//
// The device is true colour. The screen context only answers capability queries (its
// format is process-wide, see SetScreenCaps) and draws nothing; a memory context draws
// into the 32-bit surface of the bitmap selected into it, clipped to that surface.
// Selected bitmaps and palettes are not owned: each must outlive its selection.
//
// Results follow the drawing interface the program was written for: StretchDIBits and
// GetDIBits return the number of scan lines (0 on failure), the others true or false.
#pragma once

#include "platform/GdiMapping.h"
#include "platform/GdiTypes.h"

#include <cstdint>
#include <span>

class CBitmap;
class CPalette;

class CDC {
public:
    // The screen's format as the process reports it: true colour unless a test or the
    // windowed front end says otherwise.
    struct ScreenCaps {
        int bitsPerPixel = 32;
        int planes = 1;
        int width = 1920;
        int height = 1080;
    };
    static void SetScreenCaps(const ScreenCaps& caps);
    static ScreenCaps GetScreenCaps();

    CDC() = default;
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // Makes this the screen context (capability queries only).
    void CreateScreenDC();
    // Makes this a memory context with no bitmap; other may be null. Always succeeds.
    bool CreateCompatibleDC(CDC* other);
    bool IsScreen() const { return m_screen; }

    // HORZRES and VERTRES give the size of the selected bitmap (the screen's size for the
    // screen context); BITSPIXEL and PLANES the format (32 and 1 for memory contexts);
    // NUMCOLORS, SIZEPALETTE and RASTERCAPS follow from the bits; LOGPIXELSX/Y are 96.
    int GetDeviceCaps(int index) const;

    // Each returns what was selected before.
    CBitmap* SelectObject(CBitmap* bitmap);
    CPalette* SelectPalette(CPalette* palette, bool forceBackground);
    CBitmap* GetCurrentBitmap() const { return m_bitmap; }
    CPalette* GetCurrentPalette() const { return m_palette; }
    // Number of entries that changed in the system palette: always 0 on a true-colour device.
    unsigned RealizePalette() { return 0; }

    // Returns the previous mode; 0 (no change) for a mode other than 1 to 4.
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const { return m_stretchMode; }

    int SetMapMode(int mode) { return m_mapping.SetMapMode(mode); }
    int GetMapMode() const { return m_mapping.GetMapMode(); }
    CSize SetWindowExt(CSize extent) { return m_mapping.SetWindowExt(extent); }
    CSize SetViewportExt(CSize extent) { return m_mapping.SetViewportExt(extent); }
    CPoint SetWindowOrg(CPoint origin) { return m_mapping.SetWindowOrg(origin); }
    CPoint SetViewportOrg(CPoint origin) { return m_mapping.SetViewportOrg(origin); }
    CSize GetWindowExt() const { return m_mapping.GetWindowExt(); }
    CSize GetViewportExt() const { return m_mapping.GetViewportExt(); }
    CPoint GetWindowOrg() const { return m_mapping.GetWindowOrg(); }
    CPoint GetViewportOrg() const { return m_mapping.GetViewportOrg(); }
    CPoint LPtoDP(CPoint point) const { return m_mapping.LPtoDP(point); }
    CPoint DPtoLP(CPoint point) const { return m_mapping.DPtoLP(point); }
    CRect LPtoDP(const CRect& rect) const { return m_mapping.LPtoDP(rect); }
    CRect DPtoLP(const CRect& rect) const { return m_mapping.DPtoLP(rect); }

    // Draws the source rectangle of a DIB (bits: its pixel block; info: its header and
    // colour table) onto the logical destination rectangle in the current stretch mode.
    // The source origin is the DIB's lower-left corner for a bottom-up DIB and its upper-
    // left corner for a top-down one; the source rectangle must lie inside the DIB. A
    // negative width or height on either side mirrors. Returns the source height in scan
    // lines; 0 with nothing drawn for a DIB the device does not accept (CDibFormat), a
    // pixel block smaller than the rows, an empty or outside source rectangle, or an
    // unknown raster operation.
    int StretchDIBits(int x, int y, int width, int height, int xSrc, int ySrc, int srcWidth,
                      int srcHeight, std::span<const std::uint8_t> bits,
                      std::span<const std::uint8_t> info, unsigned usage, std::uint32_t rop);
    // Copies a logical rectangle of source's bitmap (in source's mapping) onto a logical
    // rectangle of this context, scaled in this context's stretch mode.
    bool StretchBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                    int srcWidth, int srcHeight, std::uint32_t rop);
    // StretchBlt with the same logical width and height on both sides.
    bool BitBlt(int x, int y, int width, int height, CDC* source, int xSrc, int ySrc,
                std::uint32_t rop);
    // Copies scan lines of bitmap into a DIB described by info, whose width and absolute
    // height must be the bitmap's and whose depth must be 24 or 32 (BI_RGB). Line numbers
    // count from the bottom for a bottom-up DIB. With bits empty it only completes info
    // (depth 32 when it gave 0, size of the image) and returns the bitmap's height.
    // Returns the number of lines copied; 0 when bits is too small for them.
    int GetDIBits(const CBitmap& bitmap, unsigned startScan, unsigned scanLines,
                  std::span<std::uint8_t> bits, std::span<std::uint8_t> info, unsigned usage);
    // Fills a logical rectangle with a colour (0x00BBGGRR).
    void FillSolidRect(const CRect& rect, COLORREF color);

private:
    bool m_screen = false;
    CBitmap* m_bitmap = nullptr;
    CPalette* m_palette = nullptr;
    int m_stretchMode = BLACKONWHITE;
    CGdiMapping m_mapping;
};
