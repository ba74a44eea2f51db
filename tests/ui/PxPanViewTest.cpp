// Panning with real mouse events on the offscreen platform. The test view starts, follows
// and ends a pan from its mouse handlers as the picture view does, and draws a generated
// picture whose pixel colours encode their own coordinates.
#include "ui/PxPanView.h"
#include "platform/DibFormat.h"
#include "platform/GdiDc.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

QRgb PatternColor(int x, int y) {
    return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) & 0xF) | (((y >> 8) & 0xF) << 4));
}

QPoint PatternPoint(QRgb color) {
    return {qRed(color) | ((qBlue(color) & 0xF) << 8), qGreen(color) | ((qBlue(color) >> 4) << 8)};
}

CPoint ToCPoint(const QPointF& point) {
    const QPoint p = point.toPoint();
    return {p.x(), p.y()};
}

class CPanTestView : public PxPanView {
public:
    explicit CPanTestView(int width, int height) : m_width(width), m_height(height) {
        setFrameShape(QFrame::NoFrame);
        SetZoomMode(zoomNormal);
        m_bits.resize(std::size_t(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                m_bits[std::size_t(y) * width + x] = PatternColor(x, y) & 0xFFFFFF;
        BITMAPINFOHEADER header;
        header.biWidth = width;
        header.biHeight = -height;
        header.biBitCount = 32;
        m_info.resize(kInfoHeaderSize);
        WriteInfoHeader(m_info.data(), header);
        SetScrollSizes(MM_TEXT, CSize(width, height));
        resize(1000, 700);
    }

    CPoint m_grabbed;

protected:
    void OnDraw(CDC& dc) override {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_bits.data());
        dc.StretchDIBits(0, 0, m_width, m_height, 0, 0, m_width, m_height,
                         {bytes, m_bits.size() * 4}, m_info, DIB_RGB_COLORS, SRCCOPY);
    }

    void mousePressEvent(QMouseEvent* event) override {
        const CPoint scroll = GetDeviceScrollPosition();
        if (event->button() == Qt::LeftButton && (scroll.x >= 0 || scroll.y >= 0)) {
            SetPanMode(1);
            m_grabbed = DeviceToLogical(ToCPoint(event->position()));
            StartPan(m_grabbed, 130);
        }
        PxPanView::mousePressEvent(event);
        event->accept();
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        if (IsPanning())
            ContinuePan(DeviceToLogical(ToCPoint(event->position())));
        PxPanView::mouseMoveEvent(event);
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && IsPanning())
            EndPan(DeviceToLogical(ToCPoint(event->position())));
        PxPanView::mouseReleaseEvent(event);
        event->accept();
    }

private:
    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_bits;
    std::vector<std::uint8_t> m_info;
};

} // namespace

class PxPanViewTest : public QObject {
    Q_OBJECT

private:
    static void Show(CPanTestView& view) {
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    static QPoint Scroll(const CPanTestView& view) {
        return {view.horizontalScrollBar()->value(), view.verticalScrollBar()->value()};
    }

    static bool HasOwnCursor(const CPanTestView& view) {
        return view.viewport()->testAttribute(Qt::WA_SetCursor);
    }

private slots:
    void dragMovesThePictureWithThePointer() {
        CPanTestView view(800, 600);
        Show(view);
        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(400);
        view.verticalScrollBar()->setValue(300);
        QWidget* port = view.viewport();

        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(view.IsPanning());
        QTest::mouseMove(port, QPoint(550, 350));
        QCOMPARE(Scroll(view), QPoint(350, 300));
        QTest::mouseMove(port, QPoint(530, 300));
        QCOMPARE(Scroll(view), QPoint(370, 350));
        // The picture point grabbed at the press is under the pointer after each move.
        const CPoint under = view.DeviceToLogical(CPoint(530, 300));
        QCOMPARE(under.x, view.m_grabbed.x);
        QCOMPARE(under.y, view.m_grabbed.y);
        // The moves repainted at once: the grabbed pixel shows under the pointer.
        const QImage image = view.RenderClientArea();
        const QPoint shown = PatternPoint(image.pixel(530, 300));
        QVERIFY(std::abs(shown.x() - view.m_grabbed.x) <= 1);
        QVERIFY(std::abs(shown.y() - view.m_grabbed.y) <= 1);

        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(530, 300));
        QVERIFY(!view.IsPanning());
        QCOMPARE(Scroll(view), QPoint(370, 350));
        // Moves after the release do not pan.
        QTest::mouseMove(port, QPoint(100, 100));
        QCOMPARE(Scroll(view), QPoint(370, 350));
    }

    void panStopsAtTheEdges() {
        CPanTestView view(800, 600);
        Show(view);
        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(30);
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() - 10);
        QWidget* port = view.viewport();

        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QTest::mouseMove(port, QPoint(550, 350));
        QCOMPARE(view.horizontalScrollBar()->value(), 0);
        QTest::mouseMove(port, QPoint(600, 350));
        QCOMPARE(view.horizontalScrollBar()->value(), 0);
        // Dragging up scrolls down, but no further than the bottom.
        QTest::mouseMove(port, QPoint(600, 250));
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        // Back to where the grabbed point can sit under the pointer again.
        QTest::mouseMove(port, QPoint(500, 350));
        QCOMPARE(view.horizontalScrollBar()->value(), 30);
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum() - 10);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(!view.IsPanning());
    }

    void pictureSmallerThanTheWindowDoesNotPan() {
        CPanTestView view(400, 300);
        Show(view);
        QVERIFY(view.GetDeviceScrollPosition().x < 0 && view.GetDeviceScrollPosition().y < 0);
        QWidget* port = view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(!view.IsPanning());
        QVERIFY(!HasOwnCursor(view));
        QTest::mouseMove(port, QPoint(600, 450));
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(600, 450));
        QCOMPARE(view.GetDeviceScrollPosition(), CPoint(-300, -200));
    }

    void onlyAnAxisWithAScrollBarMoves() {
        CPanTestView view(600, 2000);
        Show(view);
        QVERIFY(!view.HasHorizontalScrollBar());
        QVERIFY(view.HasVerticalScrollBar());
        view.verticalScrollBar()->setValue(500);
        const CPoint before = view.GetDeviceScrollPosition();
        QWidget* port = view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(400, 400));
        QVERIFY(view.IsPanning());
        QTest::mouseMove(port, QPoint(300, 300));
        QCOMPARE(view.GetDeviceScrollPosition().x, before.x);
        QCOMPARE(view.verticalScrollBar()->value(), 600);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(300, 300));
    }

    void releaseOutsideTheWindowEndsThePan() {
        CPanTestView view(800, 600);
        Show(view);
        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(300);
        view.verticalScrollBar()->setValue(300);
        QWidget* port = view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QTest::mouseMove(port, QPoint(1300, 350));
        QCOMPARE(view.horizontalScrollBar()->value(), 0);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(300, 900));
        QVERIFY(!view.IsPanning());
        QVERIFY(!HasOwnCursor(view));
        // The release below the window still counts: the grabbed point (400, 325) would sit
        // under it at scroll position (500, -250), which the range stops at 0.
        QCOMPARE(view.horizontalScrollBar()->value(), 500);
        QCOMPARE(view.verticalScrollBar()->value(), 0);
    }

    void cursorShowsThePanAndComesBack() {
        CPanTestView view(800, 600);
        Show(view);
        view.ZoomPercent(200);
        QWidget* port = view.viewport();
        QVERIFY(!HasOwnCursor(view));
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(HasOwnCursor(view));
        QCOMPARE(port->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(!HasOwnCursor(view));

        // A cursor the viewport had before comes back.
        port->setCursor(Qt::CrossCursor);
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QCOMPARE(port->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(500, 350));
        QCOMPARE(port->cursor().shape(), Qt::CrossCursor);
    }

    void panModeZeroMovesOnlyOnRelease() {
        CPanTestView view(800, 600);
        Show(view);
        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(400);
        view.verticalScrollBar()->setValue(300);
        view.SetPanMode(0);
        view.StartPan(view.DeviceToLogical(CPoint(500, 350)), 130);
        view.ContinuePan(view.DeviceToLogical(CPoint(450, 250)));
        QCOMPARE(Scroll(view), QPoint(400, 300));
        view.EndPan(view.DeviceToLogical(CPoint(450, 250)));
        QCOMPARE(Scroll(view), QPoint(450, 400));
        // Without a pan in progress nothing moves.
        view.ContinuePan(view.DeviceToLogical(CPoint(0, 0)));
        view.EndPan(view.DeviceToLogical(CPoint(0, 0)));
        QCOMPARE(Scroll(view), QPoint(450, 400));
    }

    void distanceIsRoundedToTheNearestPixel() {
        CPanTestView view(800, 600);
        Show(view);
        view.ZoomPercent(250);
        view.horizontalScrollBar()->setValue(500);
        view.verticalScrollBar()->setValue(500);
        // 5 logical units at 2.5 are 12.5 pixels: rounded away from zero either way.
        view.SetPanMode(1);
        view.StartPan(CPoint(300, 300), 130);
        view.ContinuePan(CPoint(295, 305));
        QCOMPARE(Scroll(view), QPoint(513, 487));
        view.EndPan(CPoint(300, 300));
        QCOMPARE(Scroll(view), QPoint(513, 487));
    }
};

QTEST_MAIN(PxPanViewTest)
#include "PxPanViewTest.moc"
