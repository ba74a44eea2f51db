#include "ui/PxPanView.h"

#include "platform/GdiDc.h"

#include <QScrollBar>

#include <algorithm>
#include <cstdint>

namespace {

// A logical distance in device units: distance × num ÷ den, rounded to the nearest unit
// with halves away from zero, as the mapping rounds positions. den is never 0 (the
// mapping refuses a zero extent).
std::int64_t ScaleDistance(std::int64_t distance, std::int32_t num, std::int32_t den) {
    __int128 a = static_cast<__int128>(distance) * num;
    __int128 b = den;
    if (b < 0) {
        a = -a;
        b = -b;
    }
    const __int128 half = b / 2;
    const __int128 q = a >= 0 ? (a + half) / b : -((-a + half) / b);
    constexpr __int128 limit = static_cast<__int128>(1) << 40;
    return static_cast<std::int64_t>(std::clamp<__int128>(q, -limit, limit));
}

int Scrolled(const QScrollBar* bar, std::int64_t delta) {
    return static_cast<int>(
        std::clamp<std::int64_t>(std::int64_t{bar->value()} + delta, 0, bar->maximum()));
}

} // namespace

PxPanView::PxPanView(QWidget* parent) : PxZoomView(parent) {}

PxPanView::~PxPanView() = default;

void PxPanView::StartPan(CPoint point, unsigned cursorId) {
    m_panning = true;
    m_panCursorId = cursorId;
    if (!m_cursorSaved) {
        m_hadOwnCursor = viewport()->testAttribute(Qt::WA_SetCursor);
        m_savedCursor = viewport()->cursor();
        m_cursorSaved = true;
    }
    // The program has no cursor resource of that id; the closed hand stands for it.
    viewport()->setCursor(Qt::ClosedHandCursor);
    m_start = point;
}

void PxPanView::ContinuePan(CPoint point) {
    if (m_panning && m_panMode == 1)
        PanBy(point);
}

void PxPanView::EndPan(CPoint point) {
    if (!m_panning)
        return;
    m_panning = false;
    RestoreCursor();
    PanBy(point);
}

void PxPanView::PanBy(CPoint point) {
    CDC dc;
    PrepareDC(dc);
    const CSize window = dc.GetWindowExt();
    const CSize viewportExt = dc.GetViewportExt();
    std::int64_t dx = ScaleDistance(std::int64_t{m_start.x} - point.x, viewportExt.cx, window.cx);
    std::int64_t dy = ScaleDistance(std::int64_t{m_start.y} - point.y, viewportExt.cy, window.cy);
    if (!HasHorizontalScrollBar())
        dx = 0;
    if (!HasVerticalScrollBar())
        dy = 0;
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    const int x = Scrolled(horizontal, dx);
    const int y = Scrolled(vertical, dy);
    if (x == horizontal->value() && y == vertical->value())
        return;
    horizontal->setValue(x);
    vertical->setValue(y);
    // The pointer is moving now; waiting for the next paint cycle makes the picture lag.
    viewport()->repaint();
}

CPoint PxPanView::DeviceToLogical(CPoint device) const {
    CDC dc;
    PrepareDC(dc);
    return dc.DPtoLP(device);
}

void PxPanView::RestoreCursor() {
    if (!m_cursorSaved)
        return;
    if (m_hadOwnCursor)
        viewport()->setCursor(m_savedCursor);
    else
        viewport()->unsetCursor();
    m_cursorSaved = false;
}
