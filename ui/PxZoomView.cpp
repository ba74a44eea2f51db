#include "ui/PxZoomView.h"

#include "platform/GdiDc.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

// Larger zoomed sizes are held here so that positions and scroll ranges stay inside int.
constexpr std::int32_t kMaxDeviceSide = std::int32_t{1} << 30;

std::int32_t ZoomedSide(std::int32_t side, float zoom) {
    const float zoomed = static_cast<float>(side) * zoom;
    if (!(zoomed > 0.0f)) // also NaN
        return 0;
    if (zoomed >= static_cast<float>(kMaxDeviceSide))
        return kMaxDeviceSide;
    return static_cast<std::int32_t>(zoomed);
}

std::int32_t AbsoluteSide(std::int32_t side) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::llabs(side), kMaxDeviceSide));
}

// The mapping refuses a zero extent and would keep its previous one, drawing a picture
// that has shrunk to nothing at full size; a one-unit extent draws it as the dot it is.
CSize AtLeastOne(CSize size) {
    return {std::max(size.cx, 1), std::max(size.cy, 1)};
}

int ClampToRange(std::int64_t value, int maximum) {
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, std::max(maximum, 0)));
}

void SetBar(QScrollBar* bar, std::int32_t content, int client, std::int32_t page,
            std::int32_t line) {
    bar->setRange(0, static_cast<int>(std::max<std::int64_t>(0, std::int64_t{content} - client)));
    bar->setPageStep(page);
    bar->setSingleStep(line);
}

} // namespace

PxZoomView::PxZoomView(QWidget* parent) : QAbstractScrollArea(parent) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every paint covers the whole client area.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateViewport();
}

PxZoomView::~PxZoomView() = default;

void PxZoomView::SetScrollSizes(int, CSize total, CSize page, CSize line) {
    if (total.cx == 0 && total.cy == 0)
        total = {1, 1};
    m_totalLog = total;
    // At the default 1:1 extents a logical unit is a device pixel.
    m_unzoomedDev = total;
    // The device size always follows the zoom in force, so the mapping stays consistent
    // when the size changes at a zoom other than 100 %.
    m_totalDev = {ZoomedSide(total.cx, m_zoom), ZoomedSide(total.cy, m_zoom)};
    m_pageRequested = page;
    m_lineRequested = line;
    UpdateViewport();
    OnZoomLevelChanged();
}

void PxZoomView::ZoomIn(const CPoint* point, float factor) {
    if (m_zoomMode != zoomNormal)
        return;
    SetZoomLevel(m_zoom * factor);
    UpdateZoom(point);
}

void PxZoomView::ZoomOut(const CPoint* point, float factor) {
    if (m_zoomMode != zoomNormal)
        return;
    SetZoomLevel(m_zoom / factor);
    UpdateZoom(point);
}

void PxZoomView::ZoomOriginal(const CPoint* point) {
    if (m_zoomMode != zoomNormal)
        return;
    m_zoom = 1.0f;
    UpdateZoom(point);
}

void PxZoomView::ZoomPercent(int percent, const CPoint* point) {
    if (m_zoomMode != zoomNormal)
        return;
    m_zoom = static_cast<float>(percent) * 0.01f;
    UpdateZoom(point);
}

CPoint PxZoomView::GetDeviceScrollPosition() const {
    const CSize client = GetClientSize();
    CPoint position{horizontalScrollBar()->value(), verticalScrollBar()->value()};
    if (client.cx > m_totalDev.cx)
        position.x = -((client.cx - m_totalDev.cx) / 2);
    if (client.cy > m_totalDev.cy)
        position.y = -((client.cy - m_totalDev.cy) / 2);
    return position;
}

CSize PxZoomView::GetClientSize() const {
    const QSize size = viewport()->size();
    return {size.width(), size.height()};
}

bool PxZoomView::HasHorizontalScrollBar() const {
    return horizontalScrollBar()->maximum() > 0;
}

bool PxZoomView::HasVerticalScrollBar() const {
    return verticalScrollBar()->maximum() > 0;
}

CPoint PxZoomView::GetLogicalCenterPoint() const {
    const CSize client = GetClientSize();
    CDC dc;
    PrepareDC(dc);
    return dc.DPtoLP(CPoint{client.cx / 2, client.cy / 2});
}

void PxZoomView::CenterOnLogicalPoint(CPoint point) {
    CDC dc;
    PrepareDC(dc);
    const CPoint device = dc.LPtoDP(point);
    const CPoint scroll = GetDeviceScrollPosition();
    const CSize client = GetClientSize();
    // device + scroll is the point's position in the zoomed document.
    const std::int64_t x = std::int64_t{device.x} + scroll.x - client.cx / 2;
    const std::int64_t y = std::int64_t{device.y} + scroll.y - client.cy / 2;
    QScrollBar* horizontal = horizontalScrollBar();
    QScrollBar* vertical = verticalScrollBar();
    horizontal->setValue(HasHorizontalScrollBar() ? ClampToRange(x, horizontal->maximum()) : 0);
    vertical->setValue(HasVerticalScrollBar() ? ClampToRange(y, vertical->maximum()) : 0);
}

void PxZoomView::PrepareDC(CDC& dc) const {
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(AtLeastOne(m_totalLog));
    dc.SetViewportExt(AtLeastOne(m_totalDev));
    // In a centred axis the scroll position is minus the centring offset.
    const CPoint scroll = GetDeviceScrollPosition();
    dc.SetViewportOrg(CPoint{-scroll.x, -scroll.y});
}

void PxZoomView::PreparePrintDC(CDC& dc, CSize printable) const {
    CPoint offset;
    const CSize fitted = FitAspect(m_totalLog, printable, offset);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(AtLeastOne(m_totalLog));
    dc.SetViewportExt(AtLeastOne(fitted));
    dc.SetViewportOrg(offset);
}

CSize PxZoomView::FitAspect(CSize source, CSize target, CPoint& offset) {
    offset = {};
    // Ratios of empty or mirrored sizes mean nothing; the target is kept as it is.
    if (source.cx <= 0 || source.cy <= 0 || target.cx <= 0 || target.cy <= 0)
        return target;
    const float sourceRatio = static_cast<float>(source.cx) / static_cast<float>(source.cy);
    const float targetRatio = static_cast<float>(target.cx) / static_cast<float>(target.cy);
    // Both results are below the target's own side, so the conversions cannot overflow.
    if (targetRatio < sourceRatio) {
        const auto height = static_cast<std::int32_t>(static_cast<float>(target.cx) / sourceRatio);
        offset = {0, target.cy - height};
        return {target.cx, height};
    }
    if (targetRatio > sourceRatio) {
        const auto width = static_cast<std::int32_t>(static_cast<float>(target.cy) * sourceRatio);
        offset = {target.cx - width, 0};
        return {width, target.cy};
    }
    return target;
}

QImage PxZoomView::RenderClientArea() {
    if (!RenderSurface())
        return {};
    const QImage view(reinterpret_cast<const uchar*>(m_surface.Pixels()), m_surface.Width(),
                      m_surface.Height(), qsizetype{m_surface.Width()} * 4, QImage::Format_RGB32);
    return view.copy();
}

void PxZoomView::UpdateZoom(const CPoint* point) {
    // Taken through the mapping still in force: the device size has not changed yet.
    const CPoint centre = point ? *point : GetLogicalCenterPoint();
    m_totalDev = {ZoomedSide(m_unzoomedDev.cx, m_zoom), ZoomedSide(m_unzoomedDev.cy, m_zoom)};
    UpdateViewport();
    CenterOnLogicalPoint(centre);
    OnZoomLevelChanged();
}

void PxZoomView::UpdateViewport() {
    // At the default 1:1 extents the requested sizes are already device units.
    m_pageDev = {AbsoluteSide(m_pageRequested.cx), AbsoluteSide(m_pageRequested.cy)};
    m_lineDev = {AbsoluteSide(m_lineRequested.cx), AbsoluteSide(m_lineRequested.cy)};
    if (m_pageDev.cx == 0)
        m_pageDev.cx = m_totalDev.cx / 10;
    if (m_pageDev.cy == 0)
        m_pageDev.cy = m_totalDev.cy / 10;
    if (m_lineDev.cx == 0)
        m_lineDev.cx = m_pageDev.cx / 10;
    if (m_lineDev.cy == 0)
        m_lineDev.cy = m_pageDev.cy / 10;
    UpdateScrollBars();
    viewport()->update();
}

void PxZoomView::UpdateScrollBars() {
    // Showing the scroll bars resizes the viewport, which comes back here through
    // resizeEvent; the loop below already handles that.
    if (m_updatingBars)
        return;
    m_updatingBars = true;
    // A scroll bar in one axis narrows the client area and may call for one in the other
    // axis, so repeat until the client size holds; it only shrinks, so two rounds settle it.
    for (int round = 0; round < 3; ++round) {
        const QSize client = viewport()->size();
        SetBar(horizontalScrollBar(), m_totalDev.cx, client.width(), m_pageDev.cx, m_lineDev.cx);
        SetBar(verticalScrollBar(), m_totalDev.cy, client.height(), m_pageDev.cy, m_lineDev.cy);
        // Qt shows or hides the scroll bars only later from the event loop; a layout request
        // does it now, so that the client size and positions are current for the caller.
        QEvent request(QEvent::LayoutRequest);
        QCoreApplication::sendEvent(this, &request);
        if (viewport()->size() == client)
            break;
    }
    m_updatingBars = false;
}

bool PxZoomView::RenderSurface() {
    const QSize size = viewport()->size();
    if (size.isEmpty())
        return false;
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    if (m_surface.Width() != size.width() || m_surface.Height() != size.height() ||
        !m_surface.IsCreated()) {
        if (!m_surface.CreateCompatibleBitmap(dc, size.width(), size.height()))
            return false;
    }
    CBitmap* previous = dc.SelectObject(&m_surface);
    const QColor background = palette().color(QPalette::Window);
    dc.FillSolidRect(CRect(0, 0, size.width(), size.height()),
                     RGB(static_cast<std::uint8_t>(background.red()),
                         static_cast<std::uint8_t>(background.green()),
                         static_cast<std::uint8_t>(background.blue())));
    PrepareDC(dc);
    OnDraw(dc);
    dc.SelectObject(previous);
    // The device leaves the fourth byte 0; Format_RGB32 wants it 0xFF.
    std::uint32_t* pixels = m_surface.Pixels();
    const std::size_t count = std::size_t(m_surface.Width()) * std::size_t(m_surface.Height());
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] |= 0xFF000000u;
    return true;
}

void PxZoomView::paintEvent(QPaintEvent*) {
    if (!RenderSurface())
        return;
    const QImage view(reinterpret_cast<const uchar*>(m_surface.Pixels()), m_surface.Width(),
                      m_surface.Height(), qsizetype{m_surface.Width()} * 4, QImage::Format_RGB32);
    QPainter painter(viewport());
    painter.drawImage(0, 0, view);
}

void PxZoomView::resizeEvent(QResizeEvent*) {
    UpdateScrollBars();
}

void PxZoomView::scrollContentsBy(int, int) {
    viewport()->update();
}
