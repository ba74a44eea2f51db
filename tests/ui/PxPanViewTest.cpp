// The zoom and pan view on the offscreen platform, with real mouse events: centring, the
// pixels rendered at a scroll position, zooming about a point, and a drag that keeps the grabbed
// picture point under the pointer. The view draws a picture whose pixel (x, y) has red and green x
// and y (blue their high nibbles), so a rendered pixel tells which picture pixel landed there.
#include "ui/PxPanView.h"
#include "platform/DibFormat.h"
#include "platform/GdiDc.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest>

#include <cstdlib>
#include <vector>

namespace {

CPoint ToCPoint(const QPointF& point) {
    return {point.toPoint().x(), point.toPoint().y()};
}

class CPatternView : public PxPanView {
public:
    // Shown at 1000 × 700 with a width × height picture at zoom percent, scrolled to (x, y).
    CPatternView(int width, int height, int zoom = 100, int x = 0, int y = 0)
        : m_pattern(width, height, QImage::Format_RGB32) {
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                m_pattern.setPixel(
                    column, row,
                    qRgb(column & 0xFF, row & 0xFF, (column >> 8 & 0xF) | (row >> 8 & 0xF) << 4));
        BITMAPINFOHEADER header;
        header.biWidth = width;
        header.biHeight = -height; // top-down, as the image's rows are
        header.biBitCount = 32;
        m_info.resize(kInfoHeaderSize);
        WriteInfoHeader(m_info.data(), header);
        setFrameShape(QFrame::NoFrame);
        SetZoomMode(zoomNormal);
        SetScrollSizes(MM_TEXT, CSize(width, height));
        resize(1000, 700);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
        ZoomPercent(zoom);
        horizontalScrollBar()->setValue(x);
        verticalScrollBar()->setValue(y);
    }
    QPoint Scroll() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }
    QPoint Centre() { return {GetLogicalCenterPoint().x, GetLogicalCenterPoint().y}; }
    // The picture pixel rendered at device point (x, y).
    QPoint PictureAt(int x, int y) {
        const QRgb c = RenderClientArea().pixel(x, y);
        return {qRed(c) | (qBlue(c) & 0xF) << 8, qGreen(c) | (qBlue(c) >> 4) << 8};
    }
    CPoint m_grabbed;

protected:
    void OnDraw(CDC& dc) override {
        const int w = m_pattern.width(), h = m_pattern.height();
        dc.StretchDIBits(0, 0, w, h, 0, 0, w, h,
                         {m_pattern.constBits(), std::size_t(m_pattern.sizeInBytes())}, m_info,
                         DIB_RGB_COLORS, SRCCOPY);
    }
    // Pans with the left button, as the picture view does over a picture larger than the
    // window (which pictures pan is the picture view's test).
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            SetPanMode(1);
            m_grabbed = DeviceToLogical(ToCPoint(event->position()));
            StartPan(m_grabbed, 130);
        }
        PxPanView::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        if (IsPanning())
            ContinuePan(DeviceToLogical(ToCPoint(event->position())));
        PxPanView::mouseMoveEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && IsPanning())
            EndPan(DeviceToLogical(ToCPoint(event->position())));
        PxPanView::mouseReleaseEvent(event);
    }

private:
    QImage m_pattern;
    std::vector<std::uint8_t> m_info;
};

bool Near(QPoint a, QPoint b, int tolerance = 1) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

} // namespace

class PxPanViewTest : public QObject {
    Q_OBJECT

private slots:
    // A smaller picture is centred without bars; what a paint shows is what the rendering
    // gives.
    void smallPictureIsCentred() {
        CPatternView view(800, 600, 50);
        QVERIFY(!view.HasHorizontalScrollBar() && !view.HasVerticalScrollBar());
        QVERIFY(Near(view.PictureAt(300, 200), QPoint(0, 0)));
        QVERIFY(Near(view.PictureAt(699, 499), QPoint(798, 598)));
        QCOMPARE(view.RenderClientArea().pixel(299, 200),
                 view.palette().color(QPalette::Window).rgb());
        QCOMPARE(view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32),
                 view.RenderClientArea());
    }

    // The pixels shown follow the scroll position at any zoom; bars only where the picture
    // is larger, the other axis centred.
    void renderShowsThePixelsAtTheScrollPosition() {
        CPatternView view(2000, 1500, 100, 300, 200);
        QCOMPARE(view.PictureAt(10, 20), QPoint(310, 220));
        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(1001);
        view.verticalScrollBar()->setValue(600);
        QVERIFY(Near(view.PictureAt(99, 41), QPoint(550, 320)));
        view.ZoomOriginal();
        view.SetScrollSizes(MM_TEXT, CSize(3000, 300));
        QVERIFY(view.HasHorizontalScrollBar() && !view.HasVerticalScrollBar());
        QCOMPARE(view.GetDeviceScrollPosition().y, -((view.GetClientSize().cy - 300) / 2));
    }

    // Zooming keeps the centre point, or brings a given point there, within the scroll range.
    void zoomKeepsTheCentrePointWithinTheScrollRange() {
        CPatternView view(2000, 1500);
        view.CenterOnLogicalPoint(CPoint(1000, 750));
        for (int step = 0; step < 3; ++step) {
            view.ZoomIn(nullptr, 1.25f);
            QVERIFY(Near(view.Centre(), QPoint(1000, 750), 2));
        }
        const CPoint target(600, 400);
        view.ZoomPercent(200, &target);
        QVERIFY(Near(view.PictureAt(view.GetClientSize().cx / 2, view.GetClientSize().cy / 2),
                     QPoint(600, 400)));
        const CPoint corner(2000, 1500);
        view.ZoomPercent(150, &corner);
        QCOMPARE(view.Scroll(), QPoint(view.horizontalScrollBar()->maximum(),
                                       view.verticalScrollBar()->maximum()));
    }

    // The grabbed point stays under the pointer, repainted at once, as far as the edges
    // allow; the pan cursor shows and the one set before comes back; a release outside the
    // window ends the pan where it would put the point.
    void dragMovesThePictureWithThePointer() {
        CPatternView view(800, 600, 200, 400, 300);
        QWidget* port = view.viewport();
        port->setCursor(Qt::CrossCursor);
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QCOMPARE(port->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseMove(port, QPoint(530, 300));
        QCOMPARE(view.Scroll(), QPoint(370, 350));
        QVERIFY(Near(view.PictureAt(530, 300), QPoint(view.m_grabbed.x, view.m_grabbed.y)));
        QTest::mouseMove(port, QPoint(1300, 1000));
        QCOMPARE(view.Scroll(), QPoint(0, 0));
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(300, 900));
        QVERIFY(!view.IsPanning());
        QCOMPARE(view.Scroll(), QPoint(600, 0)); // the point (450, 325) under (300, 900)
        QCOMPARE(port->cursor().shape(), Qt::CrossCursor);
        QTest::mouseMove(port, QPoint(100, 100));
        QCOMPARE(view.Scroll(), QPoint(600, 0));
    }
};

QTEST_MAIN(PxPanViewTest)
#include "PxPanViewTest.moc"
