// PxZoomView: a scrolling view with a zoom factor. The document draws in its own logical
// units (one unit = one picture pixel); the view maps them to the screen scaled by the
// zoom, centred in each axis where the zoomed document is smaller than the window, and
// fitted to the page when printing. The mapping is that of the platform drawing device
// (MM_ANISOTROPIC extents and origins), so drawing code is the same for the screen, the
// clipboard and the printer. Generic: it knows nothing of pictures or databases.
//
// Painting: each paint renders the viewport into a memory device context of the
// viewport's size (background in the window colour), prepared with PrepareDC, calls
// OnDraw and shows the result.
#pragma once

#include "platform/GdiBitmap.h"
#include "platform/GdiTypes.h"

#include <QAbstractScrollArea>
#include <QImage>

class CDC;

class PxZoomView : public QAbstractScrollArea {
    Q_OBJECT

public:
    // Zoom modes: zoom off (the zoom operations do nothing) and zoom normal.
    enum : unsigned { zoomOff = 0, zoomNormal = 2 };

    explicit PxZoomView(QWidget* parent = nullptr);
    ~PxZoomView() override;

    // Sets the logical total size (0 × 0 becomes 1 × 1; a size with one zero side is used
    // as it is) and the requested page and line sizes (0 = a tenth and a hundredth of the
    // zoomed size). The mapping-mode argument is ignored: the mode is MM_ANISOTROPIC. The
    // zoom factor is not changed.
    void SetScrollSizes(int mapMode, CSize total, CSize page = {}, CSize line = {});
    void SetZoomMode(unsigned mode) { m_zoomMode = mode; }
    unsigned GetZoomMode() const { return m_zoomMode; }

    // In zoom normal only. point is the logical point to keep at the window's centre;
    // null means the current logical centre.
    void ZoomIn(const CPoint* point, float factor);
    void ZoomOut(const CPoint* point, float factor);
    // Zoom factor exactly 1.
    void ZoomOriginal(const CPoint* point = nullptr);
    // Zoom factor percent × 0.01 in single precision.
    void ZoomPercent(int percent, const CPoint* point = nullptr);
    // Stores the factor (device units per logical unit).
    virtual void SetZoomLevel(float factor) { m_zoom = factor; }
    float GetZoomLevel() const { return m_zoom; }

    CSize GetTotalSize() const { return m_totalLog; }
    // The zoomed size in device pixels (each side truncated toward zero).
    CSize GetDeviceTotalSize() const { return m_totalDev; }
    CSize GetDevicePageSize() const { return m_pageDev; }
    CSize GetDeviceLineSize() const { return m_lineDev; }
    // The scroll position in device pixels; in an axis where the document is centred it
    // is minus the centring offset (negative).
    CPoint GetDeviceScrollPosition() const;
    // The window's client area (the scroll area's viewport), in device pixels.
    CSize GetClientSize() const;
    bool HasHorizontalScrollBar() const;
    bool HasVerticalScrollBar() const;

    // The centre of the client area, in logical units.
    CPoint GetLogicalCenterPoint() const;
    // Scrolls so that the logical point sits at the centre of the client area, as far as
    // the scroll range allows.
    void CenterOnLogicalPoint(CPoint point);

    // Prepares dc for drawing on the screen: MM_ANISOTROPIC, window extent = logical
    // total size, viewport extent = device total size, viewport origin = minus the scroll
    // position, or the centring offset in an axis where the client area is larger.
    void PrepareDC(CDC& dc) const;
    // Prepares dc for a printable area of printable device pixels: the logical total size
    // fitted into it with FitAspect, at the leftover offset.
    void PreparePrintDC(CDC& dc, CSize printable) const;

    // Fits source (w × h) into target (W × H) keeping source's aspect ratio, ratios in
    // single precision: when W/H < w/h the height becomes W ÷ (w/h) truncated and offset is
    // (0, H − H'); when W/H > w/h the width becomes H × (w/h) truncated and offset is
    // (W − W', 0); otherwise target and (0, 0). Returns the adjusted target size.
    static CSize FitAspect(CSize source, CSize target, CPoint& offset);

    // Renders the client area as a paint would (for tests, benchmarks and printing code).
    QImage RenderClientArea();

protected:
    // Draws the document in logical units into dc, already prepared.
    virtual void OnDraw(CDC& dc) = 0;
    // The zoom-level-changed notification: does nothing here.
    virtual void OnZoomLevelChanged() {}

    void UpdateZoom(const CPoint* point);
    void UpdateViewport();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Scroll bar ranges and steps from the device sizes and the client size; settles the
    // layout at once, so the client size is current when it returns.
    void UpdateScrollBars();
    // Draws the client area into m_surface (opaque 0xFFRRGGBB pixels); false when the
    // client area is empty or no surface can be had.
    bool RenderSurface();

    unsigned m_zoomMode = zoomOff;
    float m_zoom = 1.0f;
    CSize m_totalLog{1, 1};
    CSize m_totalDev{1, 1};
    CSize m_unzoomedDev{1, 1};
    CSize m_pageRequested;
    CSize m_lineRequested;
    CSize m_pageDev;
    CSize m_lineDev;
    CBitmap m_surface;
    bool m_updatingBars = false;
};
