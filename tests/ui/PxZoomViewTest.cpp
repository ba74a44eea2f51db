// The zoom view on the offscreen platform: centring, scroll bars, the print mapping, zooming
// about a point and the pixels a paint shows. The view draws a generated picture whose
// pixel colours encode their own coordinates, so a rendered pixel tells which picture
// pixel landed there.
#include "ui/PxZoomView.h"
#include "ui/PatternPicture.h"

#include <QScrollBar>
#include <QtTest>

#include <cstdlib>

namespace {

class CPatternView : public PxZoomView {
public:
    CPatternView() {
        setFrameShape(QFrame::NoFrame);
        SetZoomMode(zoomNormal);
    }
    // Shows the view with a viewport of 1000 × 700 while no scroll bar is needed.
    void Show(int width, int height) {
        m_picture.Make(width, height);
        SetScrollSizes(MM_TEXT, CSize(width, height));
        resize(1000, 700);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
    QPoint Centre() { return {GetLogicalCenterPoint().x, GetLogicalCenterPoint().y}; }
    QPoint Scroll() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }
    // The picture pixel rendered at device point (x, y).
    QPoint PictureAt(int x, int y) { return PatternPoint(RenderClientArea().pixel(x, y)); }
    using PxZoomView::UpdateZoom;

protected:
    void OnDraw(CDC& dc) override { m_picture.Draw(dc); }

private:
    CPatternPicture m_picture;
};

bool Near(QPoint a, QPoint b, int tolerance = 1) {
    return std::abs(a.x() - b.x()) <= tolerance && std::abs(a.y() - b.y()) <= tolerance;
}

} // namespace

class PxZoomViewTest : public QObject {
    Q_OBJECT

private slots:
    void smallPictureIsCentredWithoutScrollBars() {
        CPatternView view;
        view.Show(800, 600);
        view.ZoomPercent(50);
        QVERIFY(!view.HasHorizontalScrollBar() && !view.HasVerticalScrollBar());
        QCOMPARE(view.GetDeviceScrollPosition().x, -300);
        QCOMPARE(view.GetDeviceScrollPosition().y, -200);
        QVERIFY(Near(view.PictureAt(300, 200), QPoint(0, 0)));
        QVERIFY(Near(view.PictureAt(699, 499), QPoint(798, 598)));
        const QImage image = view.RenderClientArea();
        QCOMPARE(image.pixel(299, 200), view.palette().color(QPalette::Window).rgb());
        // What a paint shows is what the rendering gives.
        QCOMPARE(view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32), image);
    }

    // A bar only on the axis where the picture is larger; the other axis is centred in what
    // the bar leaves. A resize recomputes the bars and keeps the zoom.
    void scrollBarsFollowThePictureAndTheWindow() {
        CPatternView view;
        view.Show(2000, 1500);
        QVERIFY(view.HasHorizontalScrollBar() && view.HasVerticalScrollBar());
        QCOMPARE(view.horizontalScrollBar()->maximum(), 2000 - view.GetClientSize().cx);
        view.SetScrollSizes(MM_TEXT, CSize(3000, 300));
        QVERIFY(view.HasHorizontalScrollBar() && !view.HasVerticalScrollBar());
        QCOMPARE(view.GetDeviceScrollPosition().y, -((view.GetClientSize().cy - 300) / 2));
        view.SetScrollSizes(MM_TEXT, CSize(800, 600));
        view.resize(500, 400);
        QTRY_VERIFY(view.HasHorizontalScrollBar() && view.HasVerticalScrollBar());
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
        view.resize(1000, 700);
        QTRY_VERIFY(!view.HasHorizontalScrollBar());
        QCOMPARE(view.GetDeviceScrollPosition().x, -100);
        QCOMPARE(view.GetZoomLevel(), 1.0f);
    }

    void fitAspect_data() {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("fitted");
        QTest::addColumn<QPoint>("offset");
        QTest::newRow("wide touches the bottom")
            << QSize(400, 100) << QSize(4000, 1000) << QPoint(0, 5000);
        QTest::newRow("tall touches the right")
            << QSize(300, 500) << QSize(3600, 6000) << QPoint(400, 0);
        QTest::newRow("equal ratios") << QSize(200, 300) << QSize(4000, 6000) << QPoint(0, 0);
        QTest::newRow("empty source") << QSize(0, 100) << QSize(4000, 6000) << QPoint(0, 0);
    }
    // The print mapping fits the picture to a 4000 × 6000 page, whatever the screen zoom.
    void fitAspect() {
        QFETCH(QSize, source);
        QFETCH(QSize, fitted);
        QFETCH(QPoint, offset);
        CPoint at(-1, -1);
        const CSize size =
            PxZoomView::FitAspect({source.width(), source.height()}, {4000, 6000}, at);
        QCOMPARE(QSize(size.cx, size.cy), fitted);
        QCOMPARE(QPoint(at.x, at.y), offset);
        if (source.isEmpty())
            return;
        CPatternView view;
        view.Show(source.width(), source.height());
        view.ZoomPercent(300);
        CDC dc;
        view.PreparePrintDC(dc, CSize(4000, 6000));
        const CPoint corner = dc.LPtoDP(CPoint(source.width(), source.height()));
        QCOMPARE(QPoint(corner.x, corner.y), offset + QPoint(fitted.width(), fitted.height()));
    }

    // Zooming keeps the centre point, or brings an explicit point to the centre; the scroll
    // range stops it at the edges.
    void zoomKeepsTheCentrePointWithinTheScrollRange() {
        CPatternView view;
        view.Show(2000, 1500);
        view.CenterOnLogicalPoint(CPoint(1000, 750));
        for (int step = 0; step < 3; ++step) {
            view.ZoomIn(nullptr, 1.25f);
            QVERIFY(Near(view.Centre(), QPoint(1000, 750), 2));
        }
        const CPoint target(600, 400);
        view.ZoomPercent(200, &target);
        QCOMPARE(view.GetDeviceTotalSize().cx, 4000);
        QVERIFY(Near(view.PictureAt(view.GetClientSize().cx / 2, view.GetClientSize().cy / 2),
                     QPoint(600, 400)));
        const CPoint corner(2000, 1500);
        view.ZoomPercent(150, &corner);
        QCOMPARE(view.Scroll(), QPoint(view.horizontalScrollBar()->maximum(),
                                       view.verticalScrollBar()->maximum()));
        view.ZoomOriginal();
        view.horizontalScrollBar()->setValue(0);
        view.verticalScrollBar()->setValue(0);
        view.ZoomOut(nullptr, 1.25f);
        QCOMPARE(view.Scroll(), QPoint(0, 0));
    }

    // Empty sizes and zooms down to nothing or up to overflow neither crash nor divide by 0.
    void extremeSizesAndZoomsStayUsable() {
        CPatternView view;
        view.Show(100, 100);
        view.SetScrollSizes(MM_TEXT, CSize(0, 0));
        QCOMPARE(view.GetDeviceTotalSize(), CSize(1, 1));
        QVERIFY(!view.RenderClientArea().isNull());
        view.SetScrollSizes(MM_TEXT, CSize(100, 100));
        for (int step = 0; step < 40; ++step)
            view.ZoomOut(nullptr, 1.25f);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(0, 0));
        QVERIFY(!view.RenderClientArea().isNull());
        view.SetZoomLevel(1e30f);
        view.UpdateZoom(nullptr);
        QVERIFY(view.GetDeviceTotalSize().cx > 0 && view.HasHorizontalScrollBar());
        QVERIFY(!view.RenderClientArea().isNull());
    }

    void renderShowsThePixelsAtTheScrollPosition() {
        CPatternView view;
        view.Show(2000, 1500);
        view.horizontalScrollBar()->setValue(300);
        view.verticalScrollBar()->setValue(200);
        QCOMPARE(view.PictureAt(10, 20), QPoint(310, 220));
        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(1001);
        view.verticalScrollBar()->setValue(600);
        QVERIFY(Near(view.PictureAt(99, 41), QPoint(550, 320)));
    }
};

QTEST_MAIN(PxZoomViewTest)
#include "PxZoomViewTest.moc"
