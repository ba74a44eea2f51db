// The zoom view on the offscreen platform: sizes, centring, the screen and print mappings,
// zooming about a point, and the pixels a paint shows. The view draws a generated picture
// whose pixel colours encode their own coordinates, so a rendered pixel tells which
// picture pixel landed there.
#include "ui/PxZoomView.h"
#include "ui/PatternPicture.h"

#include <QScrollBar>
#include <QtTest>

#include <cstdint>
#include <cstdlib>
#include <vector>

Q_DECLARE_METATYPE(CSize)
Q_DECLARE_METATYPE(CPoint)

// Readable values in failure messages.
char* toString(const CSize& size) {
    return QTest::toString(QString("%1 x %2").arg(size.cx).arg(size.cy));
}
char* toString(const CPoint& point) {
    return QTest::toString(QString("(%1, %2)").arg(point.x).arg(point.y));
}

namespace {

class CPatternView : public PxZoomView {
public:
    CPatternView() {
        setFrameShape(QFrame::NoFrame);
        SetZoomMode(zoomNormal);
    }

    void SetPicture(int width, int height) {
        m_picture.Make(width, height);
        SetScrollSizes(MM_TEXT, CSize(width, height));
    }

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

private:
    // A shown view whose viewport is 1000 × 700 while no scroll bar is needed.
    void Show(CPatternView& view, int width, int height) {
        view.SetPicture(width, height);
        view.resize(1000, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

private slots:
    void smallPictureIsCentredWithoutScrollBars() {
        CPatternView view;
        Show(view, 800, 600);
        view.ZoomPercent(50);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(400, 300));
        QCOMPARE(view.GetClientSize(), CSize(1000, 700));
        QVERIFY(!view.HasHorizontalScrollBar());
        QVERIFY(!view.HasVerticalScrollBar());
        QVERIFY(!view.horizontalScrollBar()->isVisible());
        QCOMPARE(view.GetDeviceScrollPosition(), CPoint(-300, -200));

        CDC dc;
        view.PrepareDC(dc);
        QCOMPARE(dc.GetViewportOrg(), CPoint(300, 200));
        QCOMPARE(dc.GetViewportExt(), CSize(400, 300));
        QCOMPARE(dc.GetWindowExt(), CSize(800, 600));

        const QImage image = view.RenderClientArea();
        QCOMPARE(image.size(), QSize(1000, 700));
        QVERIFY(Near(PatternPoint(image.pixel(300, 200)), QPoint(0, 0)));
        QVERIFY(Near(PatternPoint(image.pixel(400, 250)), QPoint(200, 100)));
        QVERIFY(Near(PatternPoint(image.pixel(699, 499)), QPoint(798, 598)));
        const QRgb background = view.palette().color(QPalette::Window).rgb();
        QCOMPARE(image.pixel(299, 200), background);
        QCOMPARE(image.pixel(700, 499), background);
        QCOMPARE(qAlpha(image.pixel(0, 0)), 255);
    }

    void deviceSizeIsTruncatedAndStepsFollowIt() {
        CPatternView view;
        Show(view, 333, 100);
        view.ZoomPercent(125);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(416, 125));
        QCOMPARE(view.GetDevicePageSize(), CSize(41, 12));
        QCOMPARE(view.GetDeviceLineSize(), CSize(4, 1));

        // Requested sizes are taken as they are, as absolute values.
        view.SetScrollSizes(MM_TEXT, CSize(2000, 1500), CSize(-300, 250), CSize(7, 0));
        QCOMPARE(view.GetDevicePageSize(), CSize(300, 250));
        QCOMPARE(view.GetDeviceLineSize(), CSize(7, 25));
        // The zoom in force stays in force.
        QCOMPARE(view.GetZoomLevel(), 1.25f);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(2500, 1875));
    }

    void scrollBarsOnlyWhereThePictureIsLarger() {
        CPatternView view;
        Show(view, 2000, 1500);
        QVERIFY(view.HasHorizontalScrollBar());
        QVERIFY(view.HasVerticalScrollBar());
        const CSize client = view.GetClientSize();
        QVERIFY(client.cx < 1000 && client.cy < 700);
        QCOMPARE(view.horizontalScrollBar()->maximum(), 2000 - client.cx);
        QCOMPARE(view.verticalScrollBar()->maximum(), 1500 - client.cy);
        QCOMPARE(view.horizontalScrollBar()->pageStep(), 200);
        QCOMPARE(view.verticalScrollBar()->singleStep(), 15);

        // Wide but short: only a horizontal bar; the vertical axis is centred in what the
        // horizontal bar leaves.
        view.SetScrollSizes(MM_TEXT, CSize(3000, 300));
        QVERIFY(view.HasHorizontalScrollBar());
        QVERIFY(!view.HasVerticalScrollBar());
        QCOMPARE(view.GetClientSize().cx, 1000);
        const int height = view.GetClientSize().cy;
        QCOMPARE(view.GetDeviceScrollPosition().y, -((height - 300) / 2));
    }

    void resizeRecomputesScrollBarsKeepingTheZoom() {
        CPatternView view;
        Show(view, 800, 600);
        QVERIFY(!view.HasHorizontalScrollBar());
        view.resize(500, 400);
        QTRY_VERIFY(view.HasHorizontalScrollBar());
        QVERIFY(view.HasVerticalScrollBar());
        QCOMPARE(view.GetZoomLevel(), 1.0f);
        QCOMPARE(view.horizontalScrollBar()->maximum(), 800 - view.GetClientSize().cx);
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
        view.resize(1000, 700);
        QTRY_VERIFY(!view.HasHorizontalScrollBar());
        QCOMPARE(view.GetDeviceScrollPosition(), CPoint(-100, -50));
    }

    void fitAspect_data() {
        QTest::addColumn<CSize>("source");
        QTest::addColumn<CSize>("target");
        QTest::addColumn<CSize>("fitted");
        QTest::addColumn<CPoint>("offset");
        QTest::newRow("wide picture on a tall page touches the bottom")
            << CSize(400, 100) << CSize(4000, 6000) << CSize(4000, 1000) << CPoint(0, 5000);
        QTest::newRow("relatively taller picture touches the right")
            << CSize(300, 500) << CSize(4000, 6000) << CSize(3600, 6000) << CPoint(400, 0);
        QTest::newRow("equal ratios fill from the corner")
            << CSize(200, 300) << CSize(4000, 6000) << CSize(4000, 6000) << CPoint(0, 0);
        QTest::newRow("truncated toward zero")
            << CSize(3, 1) << CSize(100, 100) << CSize(100, 33) << CPoint(0, 67);
        QTest::newRow("empty source keeps the target")
            << CSize(0, 100) << CSize(4000, 6000) << CSize(4000, 6000) << CPoint(0, 0);
    }

    void fitAspect() {
        QFETCH(CSize, source);
        QFETCH(CSize, target);
        QFETCH(CSize, fitted);
        QFETCH(CPoint, offset);
        CPoint actualOffset(-1, -1);
        QCOMPARE(PxZoomView::FitAspect(source, target, actualOffset), fitted);
        QCOMPARE(actualOffset, offset);
    }

    void printMappingFitsThePage() {
        CPatternView view;
        view.SetPicture(400, 100);
        CDC dc;
        view.PreparePrintDC(dc, CSize(4000, 6000));
        QCOMPARE(dc.GetMapMode(), MM_ANISOTROPIC);
        QCOMPARE(dc.GetWindowExt(), CSize(400, 100));
        QCOMPARE(dc.GetViewportExt(), CSize(4000, 1000));
        QCOMPARE(dc.GetViewportOrg(), CPoint(0, 5000));
        QCOMPARE(dc.LPtoDP(CPoint(400, 100)), CPoint(4000, 6000));

        // The page mapping does not depend on the screen zoom or scroll position.
        view.ZoomPercent(300);
        CDC again;
        view.PreparePrintDC(again, CSize(4000, 6000));
        QCOMPARE(again.GetViewportExt(), CSize(4000, 1000));
        QCOMPARE(again.GetViewportOrg(), CPoint(0, 5000));
    }

    void zoomKeepsTheCentrePoint() {
        CPatternView view;
        Show(view, 2000, 1500);
        view.CenterOnLogicalPoint(CPoint(1000, 750));
        QVERIFY(Near(QPoint(view.GetLogicalCenterPoint().x, view.GetLogicalCenterPoint().y),
                     QPoint(1000, 750)));
        for (int step = 0; step < 3; ++step) {
            view.ZoomIn(nullptr, 1.25f);
            const CPoint centre = view.GetLogicalCenterPoint();
            QVERIFY2(Near(QPoint(centre.x, centre.y), QPoint(1000, 750), 2),
                     qPrintable(QString("%1,%2").arg(centre.x).arg(centre.y)));
        }
        view.ZoomOut(nullptr, 1.25f);
        const CPoint centre = view.GetLogicalCenterPoint();
        QVERIFY(Near(QPoint(centre.x, centre.y), QPoint(1000, 750), 2));

        // An explicit point goes to the centre.
        const CPoint target(600, 400);
        view.ZoomPercent(200, &target);
        QCOMPARE(view.GetZoomLevel(), 2.0f);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(4000, 3000));
        const CPoint moved = view.GetLogicalCenterPoint();
        QVERIFY(Near(QPoint(moved.x, moved.y), QPoint(600, 400)));
        const QImage image = view.RenderClientArea();
        const CSize client = view.GetClientSize();
        QVERIFY(Near(PatternPoint(image.pixel(client.cx / 2, client.cy / 2)), QPoint(600, 400)));
    }

    void scrollRangeStopsTheCentreNearTheEdge() {
        CPatternView view;
        Show(view, 2000, 1500);
        QCOMPARE(view.GetDeviceScrollPosition(), CPoint(0, 0));
        const CPoint before = view.GetLogicalCenterPoint();
        view.ZoomOut(nullptr, 1.25f);
        // The centre point would need a negative scroll position: the picture stays at its
        // top-left corner and the centre moves away from it.
        QCOMPARE(view.GetDeviceScrollPosition(), CPoint(0, 0));
        const CPoint after = view.GetLogicalCenterPoint();
        QVERIFY(after.x > before.x + 50);
        QVERIFY(after.y > before.y + 50);

        // The far edge likewise.
        view.ZoomOriginal();
        const CPoint corner(2000, 1500);
        view.ZoomPercent(150, &corner);
        QCOMPARE(view.horizontalScrollBar()->value(), view.horizontalScrollBar()->maximum());
        QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    }

    void zoomOffIgnoresZoomCalls() {
        CPatternView view;
        view.SetZoomMode(PxZoomView::zoomOff);
        Show(view, 800, 600);
        view.ZoomIn(nullptr, 1.25f);
        view.ZoomOut(nullptr, 2.0f);
        view.ZoomPercent(300);
        view.SetZoomLevel(2.0f);
        view.ZoomOriginal();
        QCOMPARE(view.GetZoomLevel(), 2.0f);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(800, 600));

        view.SetZoomMode(PxZoomView::zoomNormal);
        view.ZoomOriginal();
        QCOMPARE(view.GetZoomLevel(), 1.0f);
        view.ZoomPercent(33);
        // 33 × 0.01 in single precision lies just below 0.33, and sizes are truncated.
        QCOMPARE(view.GetZoomLevel(), 33 * 0.01f);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(264, 197));
    }

    void emptyTotalBecomesOneByOne() {
        CPatternView view;
        Show(view, 10, 10);
        view.SetScrollSizes(MM_TEXT, CSize(0, 0));
        QCOMPARE(view.GetTotalSize(), CSize(1, 1));
        QCOMPARE(view.GetDeviceTotalSize(), CSize(1, 1));
        QVERIFY(!view.RenderClientArea().isNull());

        view.SetScrollSizes(MM_TEXT, CSize(0, 5));
        QCOMPARE(view.GetTotalSize(), CSize(0, 5));
        view.ZoomPercent(400);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(0, 20));
        QVERIFY(!view.RenderClientArea().isNull());
    }

    void extremeZoomsStayUsable() {
        CPatternView view;
        Show(view, 100, 100);
        for (int step = 0; step < 40; ++step)
            view.ZoomOut(nullptr, 1.25f);
        QCOMPARE(view.GetDeviceTotalSize(), CSize(0, 0));
        QVERIFY(!view.RenderClientArea().isNull());
        view.SetZoomLevel(1e30f);
        view.UpdateZoom(nullptr);
        QVERIFY(view.GetDeviceTotalSize().cx > 0);
        QVERIFY(view.HasHorizontalScrollBar());
        QVERIFY(!view.RenderClientArea().isNull());
    }

    void renderShowsThePixelsAtTheScrollPosition() {
        CPatternView view;
        Show(view, 2000, 1500);
        view.horizontalScrollBar()->setValue(300);
        view.verticalScrollBar()->setValue(200);
        QCOMPARE(view.GetDeviceScrollPosition(), CPoint(300, 200));
        QImage image = view.RenderClientArea();
        QCOMPARE(PatternPoint(image.pixel(0, 0)), QPoint(300, 200));
        QCOMPARE(PatternPoint(image.pixel(10, 20)), QPoint(310, 220));
        const CSize client = view.GetClientSize();
        QCOMPARE(PatternPoint(image.pixel(client.cx - 1, client.cy - 1)),
                 QPoint(300 + client.cx - 1, 200 + client.cy - 1));

        view.ZoomPercent(200);
        view.horizontalScrollBar()->setValue(1001);
        view.verticalScrollBar()->setValue(600);
        image = view.RenderClientArea();
        QVERIFY(Near(PatternPoint(image.pixel(0, 0)), QPoint(500, 300)));
        QVERIFY(Near(PatternPoint(image.pixel(99, 41)), QPoint(550, 320)));
    }

    void paintShowsTheRenderedClientArea() {
        CPatternView view;
        Show(view, 800, 600);
        view.ZoomPercent(50);
        const QImage painted =
            view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage rendered = view.RenderClientArea();
        QCOMPARE(painted.size(), rendered.size());
        QCOMPARE(painted, rendered);
    }
};

QTEST_MAIN(PxZoomViewTest)
#include "PxZoomViewTest.moc"
