#include "platform/GdiMapping.h"

#include <algorithm>
#include <limits>

namespace {

// (value - from) × num / den + to, rounded to the nearest integer with halves away from
// zero. The product is formed in 128 bits and the result held within ±2^62, so that no
// input, however damaged, overflows.
std::int64_t Map(std::int64_t value, std::int32_t from, std::int32_t num, std::int32_t den,
                 std::int32_t to) {
    __int128 a = static_cast<__int128>(value - from) * num;
    __int128 b = den;
    if (b < 0) {
        a = -a;
        b = -b;
    }
    __int128 half = b / 2;
    __int128 q = a >= 0 ? (a + half) / b : -((-a + half) / b);
    constexpr __int128 limit = static_cast<__int128>(1) << 62;
    q = std::clamp<__int128>(q + to, -limit, limit);
    return static_cast<std::int64_t>(q);
}

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

int CGdiMapping::SetMapMode(int mode) {
    if (mode != MM_TEXT && mode != MM_ANISOTROPIC)
        return 0;
    int previous = m_mode;
    m_mode = mode;
    if (mode == MM_TEXT) {
        m_windowExt = {1, 1};
        m_viewportExt = {1, 1};
    }
    return previous;
}

CSize CGdiMapping::SetWindowExt(CSize extent) {
    if (m_mode != MM_ANISOTROPIC || extent.cx == 0 || extent.cy == 0)
        return {0, 0};
    CSize previous = m_windowExt;
    m_windowExt = extent;
    return previous;
}

CSize CGdiMapping::SetViewportExt(CSize extent) {
    if (m_mode != MM_ANISOTROPIC || extent.cx == 0 || extent.cy == 0)
        return {0, 0};
    CSize previous = m_viewportExt;
    m_viewportExt = extent;
    return previous;
}

CPoint CGdiMapping::SetWindowOrg(CPoint origin) {
    CPoint previous = m_windowOrg;
    m_windowOrg = origin;
    return previous;
}

CPoint CGdiMapping::SetViewportOrg(CPoint origin) {
    CPoint previous = m_viewportOrg;
    m_viewportOrg = origin;
    return previous;
}

std::int64_t CGdiMapping::LogicalToDeviceX(std::int64_t x) const {
    return Map(x, m_windowOrg.x, m_viewportExt.cx, m_windowExt.cx, m_viewportOrg.x);
}

std::int64_t CGdiMapping::LogicalToDeviceY(std::int64_t y) const {
    return Map(y, m_windowOrg.y, m_viewportExt.cy, m_windowExt.cy, m_viewportOrg.y);
}

CPoint CGdiMapping::LPtoDP(CPoint p) const {
    return {Clamp32(LogicalToDeviceX(p.x)), Clamp32(LogicalToDeviceY(p.y))};
}

CPoint CGdiMapping::DPtoLP(CPoint p) const {
    return {Clamp32(Map(p.x, m_viewportOrg.x, m_windowExt.cx, m_viewportExt.cx, m_windowOrg.x)),
            Clamp32(Map(p.y, m_viewportOrg.y, m_windowExt.cy, m_viewportExt.cy, m_windowOrg.y))};
}

CRect CGdiMapping::LPtoDP(const CRect& r) const {
    CPoint a = LPtoDP(CPoint{r.left, r.top});
    CPoint b = LPtoDP(CPoint{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}

CRect CGdiMapping::DPtoLP(const CRect& r) const {
    CPoint a = DPtoLP(CPoint{r.left, r.top});
    CPoint b = DPtoLP(CPoint{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
}
