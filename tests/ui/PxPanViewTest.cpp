// Panning with real mouse events on the offscreen platform. The test view starts, follows
// and ends a pan from its mouse handlers as the picture view does, and draws a generated
// picture whose pixel colours encode their own coordinates.
#include "ui/PxPanView.h"
#include "ui/PatternPicture.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest>

#include <cstdlib>

namespace {

CPoint ToCPoint(const QPointF& point) {
    return {point.toPoint().x(), point.toPoint().y()};
}

class CPanTestView : public PxPanView {
public:
    // Shown at 1000 × 700 with a picture of width × height at zoom percent, scrolled to
    // (x, y).
    CPanTestView(int width, int height, int zoom = 100, int x = 0, int y = 0) {
        setFrameShape(QFrame::NoFrame);
        SetZoomMode(zoomNormal);
        m_picture.Make(width, height);
        SetScrollSizes(MM_TEXT, CSize(width, height));
        resize(1000, 700);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
        ZoomPercent(zoom);
        horizontalScrollBar()->setValue(x);
        verticalScrollBar()->setValue(y);
    }
    QPoint Scroll() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }
    bool HasOwnCursor() const { return viewport()->testAttribute(Qt::WA_SetCursor); }

    CPoint m_grabbed;

protected:
    void OnDraw(CDC& dc) override { m_picture.Draw(dc); }

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
    CPatternPicture m_picture;
};

} // namespace

class PxPanViewTest : public QObject {
    Q_OBJECT

private slots:
    // The picture point grabbed at the press stays under the pointer, repainted at once; the
    // cursor shows the pan and the one set before comes back.
    void dragMovesThePictureWithThePointer() {
        CPanTestView view(800, 600, 200, 400, 300);
        QWidget* port = view.viewport();
        port->setCursor(Qt::CrossCursor);
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(view.IsPanning());
        QCOMPARE(port->cursor().shape(), Qt::ClosedHandCursor);
        QTest::mouseMove(port, QPoint(550, 350));
        QCOMPARE(view.Scroll(), QPoint(350, 300));
        QTest::mouseMove(port, QPoint(530, 300));
        QCOMPARE(view.Scroll(), QPoint(370, 350));
        const QPoint shown = PatternPoint(view.RenderClientArea().pixel(530, 300));
        QVERIFY(std::abs(shown.x() - view.m_grabbed.x) <= 1);
        QVERIFY(std::abs(shown.y() - view.m_grabbed.y) <= 1);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(530, 300));
        QVERIFY(!view.IsPanning());
        QCOMPARE(port->cursor().shape(), Qt::CrossCursor);
        QTest::mouseMove(port, QPoint(100, 100));
        QCOMPARE(view.Scroll(), QPoint(370, 350));
    }

    // The pan stops at the edges and comes back as soon as the point can sit under the
    // pointer again.
    void panStopsAtTheEdges() {
        CPanTestView view(800, 600, 200, 30, 0);
        const int bottom = view.verticalScrollBar()->maximum();
        view.verticalScrollBar()->setValue(bottom - 10);
        QWidget* port = view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QTest::mouseMove(port, QPoint(600, 250));
        QCOMPARE(view.Scroll(), QPoint(0, bottom));
        QTest::mouseMove(port, QPoint(500, 350));
        QCOMPARE(view.Scroll(), QPoint(30, bottom - 10));
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(500, 350));
    }

    // A picture smaller than the window does not pan; a tall one moves on its one bar only.
    void onlyAnAxisWithAScrollBarMoves() {
        CPanTestView small(400, 300);
        QTest::mousePress(small.viewport(), Qt::LeftButton, {}, QPoint(500, 350));
        QVERIFY(!small.IsPanning() && !small.HasOwnCursor());
        QTest::mouseRelease(small.viewport(), Qt::LeftButton, {}, QPoint(600, 450));
        CPanTestView tall(600, 2000, 100, 0, 500);
        const int x = tall.GetDeviceScrollPosition().x;
        QTest::mousePress(tall.viewport(), Qt::LeftButton, {}, QPoint(400, 400));
        QTest::mouseMove(tall.viewport(), QPoint(300, 300));
        QCOMPARE(tall.GetDeviceScrollPosition().x, x);
        QCOMPARE(tall.verticalScrollBar()->value(), 600);
        QTest::mouseRelease(tall.viewport(), Qt::LeftButton, {}, QPoint(300, 300));
    }

    void releaseOutsideTheWindowEndsThePan() {
        CPanTestView view(800, 600, 200, 300, 300);
        QWidget* port = view.viewport();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(500, 350));
        QTest::mouseMove(port, QPoint(1300, 350));
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(300, 900));
        QVERIFY(!view.IsPanning() && !view.HasOwnCursor());
        // The grabbed point (400, 325) would sit under the release at (500, -250).
        QCOMPARE(view.Scroll(), QPoint(500, 0));
    }

    // Mode 0 moves only on release; distances are rounded to the nearest pixel.
    void panModeZeroAndRounding() {
        CPanTestView view(800, 600, 200, 400, 300);
        view.SetPanMode(0);
        view.StartPan(view.DeviceToLogical(CPoint(500, 350)), 130);
        view.ContinuePan(view.DeviceToLogical(CPoint(450, 250)));
        QCOMPARE(view.Scroll(), QPoint(400, 300));
        view.EndPan(view.DeviceToLogical(CPoint(450, 250)));
        QCOMPARE(view.Scroll(), QPoint(450, 400));
        view.EndPan(view.DeviceToLogical(CPoint(0, 0))); // no pan in progress
        QCOMPARE(view.Scroll(), QPoint(450, 400));
        view.ZoomPercent(250); // 5 logical units are 12.5 pixels
        view.horizontalScrollBar()->setValue(500);
        view.verticalScrollBar()->setValue(500);
        view.SetPanMode(1);
        view.StartPan(CPoint(300, 300), 130);
        view.ContinuePan(CPoint(295, 305));
        QCOMPARE(view.Scroll(), QPoint(513, 487));
        view.EndPan(CPoint(300, 300));
    }
};

QTEST_MAIN(PxPanViewTest)
#include "PxPanViewTest.moc"
