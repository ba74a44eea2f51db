// CGdiMapping: the logical-to-device coordinate mapping of a device context.
//
//   device x = (logical x - window origin x) × viewport extent x / window extent x
//              + viewport origin x,  rounded to the nearest integer (halves away from 0),
//
// and the same for y; DPtoLP is the inverse with the same rounding. MM_TEXT fixes both
// extents at 1 (setting them changes nothing); MM_ANISOTROPIC takes any extents but 0.
// A negative extent ratio mirrors that axis. Results beyond 32 bits are clamped.
#pragma once

#include "platform/GdiTypes.h"

#include <cstdint>

class CGdiMapping {
public:
    // Returns the previous mode; 0 (and no change) for a mode other than MM_TEXT and
    // MM_ANISOTROPIC. MM_TEXT resets both extents to 1 × 1.
    int SetMapMode(int mode);
    int GetMapMode() const { return m_mode; }

    // Each returns the previous value. Setting an extent fails (returns (0, 0), no change)
    // under MM_TEXT, where the extents stay 1 × 1, or for a component 0.
    CSize SetWindowExt(CSize extent);
    CSize SetViewportExt(CSize extent);
    CPoint SetWindowOrg(CPoint origin);
    CPoint SetViewportOrg(CPoint origin);
    CSize GetWindowExt() const { return m_windowExt; }
    CSize GetViewportExt() const { return m_viewportExt; }
    CPoint GetWindowOrg() const { return m_windowOrg; }
    CPoint GetViewportOrg() const { return m_viewportOrg; }

    CPoint LPtoDP(CPoint logical) const;
    CPoint DPtoLP(CPoint device) const;
    CRect LPtoDP(const CRect& logical) const;
    CRect DPtoLP(const CRect& device) const;
    // Unclamped 64-bit forms for the device's own use.
    std::int64_t LogicalToDeviceX(std::int64_t x) const;
    std::int64_t LogicalToDeviceY(std::int64_t y) const;

private:
    int m_mode = MM_TEXT;
    CPoint m_windowOrg;
    CPoint m_viewportOrg;
    CSize m_windowExt{1, 1};
    CSize m_viewportExt{1, 1};
};
