// Panning with real mouse events on the offscreen platform. The test view starts, follows
// and ends a pan from its mouse handlers as the picture view does, and draws a generated
// picture whose pixel colours encode their own coordinates.
#include "ui/PxPanView.h"
#include "ui/PatternPicture.h"

#include <QMouseEvent>
#include <QScrollBar>
#include <QtTest>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

CPoint ToCPoint(const QPointF& point) {
    const QPoint p = point.toPoint();
    return {p.x(), p.y()};
}

class CPanTestView : public PxPanView {
public:
    explicit CPanTestView(int width, int height) {
        setFrameShape(QFrame::NoFrame);
        SetZoomMode(zoomNormal);
        m_picture.Make(width, height);
        SetScrollSizes(MM_TEXT, CSize(width, height));
        resize(1000, 700);
    }

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
