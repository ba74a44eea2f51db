// Faults the picture view once had: pages rendered at the full resolution of a fine printer
// chosen in the print dialog, and a pan that went on after its button release was lost.
#include "ui/ViewFixture.h"
#include "ui/ViewPrinter.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPrinter>

namespace {

class CSilentPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view) override { return false; }

    std::vector<std::string> messages;
};

} // namespace

class ViewRegressionTest : public QObject, CViewFixture<IViewFrame, CSilentPrompt> {
    Q_OBJECT

private slots:
    void init() { QVERIFY(OpenView({400, 300})); }
    void cleanup() { CloseView(); }

    void pagesRenderAtNoMoreThan300Dpi() {
        QVERIFY(OpenPictures({{"green.bmp", Qt::green}}, 0));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_dir->filePath("page.pdf"));
        printer.setPageSize(QPageSize(QSizeF(2, 1), QPageSize::Inch));
        printer.setPageMargins(QMarginsF(0, 0, 0, 0));
        const std::pair<int, QSize> cases[] = {{1200, {600, 300}}, {150, {300, 150}}};
        for (const auto& [dpi, size] : cases) {
            printer.setResolution(dpi);
            const QImage page = m_view->Printer().RenderPage(printer);
            QCOMPARE(page.size(), size);
            // The square picture fitted to the page's height, centred.
            QCOMPARE(page.pixel(size.width() / 2, size.height() / 2), QColor(Qt::green).rgb());
            QCOMPARE(page.pixel(2, size.height() / 2), QColor(Qt::white).rgb());
        }
    }

    void aPanWhoseReleaseWasLostEndsAtTheNextMove() {
        QImage image(1000, 800, QImage::Format_RGB32);
        image.fill(Qt::green);
        {
            CPictureDatabase db;
            CMemFile bytes;
            std::uint16_t crc = 0;
            QVERIFY(image.save(QString::fromStdString(Path("big.bmp")), "BMP"));
            QVERIFY(db.OpenDatabase(Path("big.PXM"), true));
            QVERIFY(CPictureDatabase::ComputeCrc(bytes, Path("big.bmp"), crc));
            QVERIFY(db.AddRecord(bytes, crc, Path("big.bmp"), -1, 1000, 800, {}));
        }
        QVERIFY(m_view->OpenInitialDatabase(Path("big.PXM")));
        QWidget* viewport = m_view->viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(m_view->IsPanning());
        // The release went to another window: the next move comes with no button down.
        const CPoint before = m_view->GetDeviceScrollPosition();
        for (const QPoint at : {QPoint(150, 120), QPoint(100, 90)}) {
            QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(viewport, &move);
        }
        QVERIFY(!m_view->IsPanning());
        QCOMPARE(m_view->GetDeviceScrollPosition().x - before.x, 50);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(100, 90));
    }
};

QTEST_MAIN(ViewRegressionTest)
#include "ViewRegressionTest.moc"
