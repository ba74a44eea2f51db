// The picture view through its commands, headless: a real database in a temporary folder,
// pictures stored by the Add command's core, the frame and the add dialogs replaced by
// recorders that answer as a user would. Also the faults the view once had: the print cap and
// the lost pan release.
#include "platform/FileSystem.h"
#include "ui/DragFolder.h"
#include "ui/ViewFixture.h"
#include "ui/ViewPrinter.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>

#include <ctime>

namespace {

constexpr QRgb green = 0x00C000;

} // namespace

class PicdexViewTest : public QObject, CViewFixture {
    Q_OBJECT

    // A green BMP of width × height with a distinct top-left pixel, written as name; its path.
    std::string WriteBmp(const QString& name, int width, int height) {
        const QString path = m_dir->filePath(name);
        return ::WriteBmp(path, {width, height}, green, 0x102030) ? path.toStdString() : "";
    }

    void OpenWith(const std::vector<QSize>& sizes) {
        m_view->OpenInitialDatabase(Path("pics.PXM"));
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            paths.push_back(
                WriteBmp(QString("p%1.bmp").arg(i), sizes[i].width(), sizes[i].height()));
        QVERIFY(AddFiles(paths));
        m_router->Run(CommandId::top);
    }

    bool IsCurrentMarked() {
        return m_doc->Database().Marks().IsMarked(m_doc->Database().Index().GetCurrentRecord());
    }
    // Whether the device pixel at offset from the picture's top-left corner is not green, the
    // picture of width × height being centred.
    bool SignAt(int width, int height, QPoint offset) {
        const CSize client = m_view->GetClientSize();
        const QPoint at = QPoint((client.cx - width) / 2, (client.cy - height) / 2) + offset;
        return (m_view->RenderClientArea().pixel(at) & 0xFFFFFF) != green;
    }

    // A file name in folder last written at time.
    static std::string WriteAt(const QString& folder, const QString& name, std::int64_t time) {
        const QString path = folder + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write("picture") != 7)
            return {};
        file.close();
        return SetFileModTime(path.toStdString(), std::int32_t(time)) ? path.toStdString()
                                                                      : std::string();
    }

    CSaveEveryFile m_dialogs;

private slots:
    void init() {
        m_dialogs = CSaveEveryFile();
        QVERIFY(OpenView({400, 300}, true));
        m_view->SetAddDialogs(&m_dialogs);
    }
    void cleanup() { CloseView(); }

    // The zoom steps, the 500 % cap and the snap back to 100 % of single-precision steps. (A
    // typed value read as unsigned is the zoom box's test.)
    void zoomCommandsAndTypedValues() {
        for (int i = 0; i < 8; ++i)
            QCOMPARE(m_router->Run(CommandId::zoomIn), 1);
        QCOMPARE(m_frame.zoomTexts.back(), 596);
        const float reached = m_view->GetZoomLevel();
        m_router->Run(CommandId::zoomIn);
        QCOMPARE(m_view->GetZoomLevel(), reached);
        m_view->ApplyZoomValue(80);
        m_router->Run(CommandId::zoomIn);
        QVERIFY(m_view->GetZoomLevel() == 1.0f); // QCOMPARE would compare fuzzily
        for (int i = 0; i < 4; ++i)
            m_router->Run(CommandId::zoomOut);
        QCOMPARE(m_frame.zoomTexts.back(), 41);
    }

    void copyPutsThePictureAtItsOwnSizeOnTheClipboard() {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        m_router->Run(CommandId::copy); // no picture: nothing
        QVERIFY(clipboard->image().isNull());
        OpenWith({{640, 480}});
        m_view->ApplyZoomValue(50);
        QCOMPARE(m_router->Run(CommandId::copy), 1);
        const QImage copied = clipboard->image();
        QCOMPARE(copied.size(), QSize(640, 480));
        QCOMPARE(copied.pixel(0, 0) & 0xFFFFFF, QRgb(0x102030));
        QCOMPARE(copied.pixel(639, 479) & 0xFFFFFF, green);
    }

    // A double click marks and unmarks; the sign covers 16 pixels at 100 %, 32 at 200 %.
    void markSignScalesWithTheZoom() {
        OpenWith({{100, 80}});
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(IsCurrentMarked() && m_view->GetCommandState().marksExist);
        m_view->ApplyZoomValue(200);
        QVERIFY(SignAt(200, 160, {31, 31}) && !SignAt(200, 160, {32, 32}));
        QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(!IsCurrentMarked() && !SignAt(200, 160, {5, 5}));
    }

    void onlyAPictureLargerThanTheWindowPans() {
        OpenWith({{100, 80}, {1000, 800}});
        for (const bool large : {false, true}) {
            const CPoint before = m_view->GetDeviceScrollPosition();
            QTest::mousePress(m_view->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
            QCOMPARE(m_view->IsPanning(), large);
            QTest::mouseMove(m_view->viewport(), QPoint(150, 120));
            QTest::mouseRelease(m_view->viewport(), Qt::LeftButton, {}, QPoint(150, 120));
            const CPoint after = m_view->GetDeviceScrollPosition();
            QCOMPARE(QPoint(after.x - before.x, after.y - before.y),
                     large ? QPoint(50, 30) : QPoint());
            m_router->Run(CommandId::next);
        }
    }

    // Dropped files are offered one by one (Save all offered for several), what no reader
    // takes is skipped silently, and the last of the list is shown.
    void droppedPicturesAreStoredAndTheLastOfTheListShown() {
        m_view->OpenInitialDatabase(Path("drop.PXM"));
        const std::string b = WriteBmp("b.bmp", 20, 10);
        const std::string a = WriteBmp("a.bmp", 30, 10);
        QFile text(m_dir->filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a picture") > 0);
        text.close();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(QString::fromStdString(b)),
                      QUrl::fromLocalFile(text.fileName()),
                      QUrl::fromLocalFile(QString::fromStdString(a))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_view->viewport(), &drop);
        QTRY_COMPARE(m_dialogs.asked, (std::vector<std::string>{b, a}));
        QVERIFY(m_dialogs.saveAllOffered);
        // b.bmp is last by name, though a.bmp was stored last.
        QVERIFY(m_prompt.messages.empty() && m_doc->GetCurrentPicture());
        QCOMPARE(m_doc->GetCurrentPicture()->GetWidth(), 20u);
    }

    void aReadOnlyDatabaseTakesNoDroppedFiles() {
        CPictureDatabase writer;
        QVERIFY(writer.OpenDatabase(Path("shared.PXM"), true));
        QVERIFY(m_view->OpenInitialDatabase(Path("shared.PXM")));
        QVERIFY(m_doc->Database().IsReadOnly());
        m_view->AddDroppedFiles({QString::fromStdString(WriteBmp("a.bmp", 8, 8))});
        QVERIFY(m_dialogs.asked.empty() && m_prompt.messages.empty());
    }

    // A database that cannot be opened at start closes the frame. (One opened later going to
    // a second instance is the frame's test, with a real process.)
    void aDatabaseThatCannotOpenAtStartClosesTheFrame() {
        m_view->OpenInitialDatabase(Path("missing/folder/x.PXM"));
        QCOMPARE(m_frame.closes, 1);
        QVERIFY(!m_view->GetCommandState().databaseOpen);
    }

    void fitShowsTheWholePictureNeverAboveHundredPercent() {
        OpenWith({{1000, 800}, {100, 80}});
        m_view->ApplyZoomValue(300);
        QCOMPARE(m_router->Run(CommandId::zoomFit), 1);
        const CSize client = m_view->GetClientSize();
        const CSize shown = m_view->GetDeviceTotalSize();
        QVERIFY(shown.cx <= client.cx && shown.cy <= client.cy && shown.cy >= client.cy * 97 / 100);
        QCOMPARE(m_frame.zoomTexts.back(), shown.cx / 10);
        m_router->Run(CommandId::next);
        m_view->ApplyZoomValue(50);
        m_router->Run(CommandId::zoomFit);
        QVERIFY(m_view->GetZoomLevel() == 1.0f);
    }

    // The folder dragged-out pictures go to lies in the temporary folder; files in it older
    // than a day go, younger ones, folders and other folders' files stay, on their own and
    // when the view goes.
    void oldDragFilesAreDeleted() {
        const QString folder = QString::fromStdString(DragFolderPath());
        QVERIFY(folder.startsWith(m_dir->path()) && QDir().mkpath(folder + "sub.jpg"));
        const std::int64_t day = 86400, now = std::time(nullptr);
        const std::string kept[] = {WriteAt(folder, "young.jpg", now - 3600),
                                    WriteAt(folder, "boundary.gif", now - day),
                                    WriteAt(m_dir->path() + "/", "other.jpg", now - 2 * day)};
        const std::string gone[] = {WriteAt(folder, "old.jpg", now - 2 * day),
                                    WriteAt(folder, "older.bmp", now - day - 1)};
        QCOMPARE(RemoveOldDragFiles(folder.toStdString(), now), 2);
        for (const std::string& path : kept)
            QVERIFY2(!path.empty() && FileExists(path), path.c_str());
        for (const std::string& path : gone)
            QVERIFY2(!path.empty() && !FileExists(path), path.c_str());
        const std::string later = WriteAt(folder, "later.jpg", now - 3 * day);
        m_view.reset();
        QVERIFY(!later.empty() && !FileExists(later) && FileExists(kept[0]) && FileExists(kept[2]));
        QVERIFY(QDir(folder + "sub.jpg").exists());
        QCOMPARE(RemoveOldDragFiles(m_dir->path().toStdString() + "/none/", 0), 0);
    }

    // Faults the view once had: pages rendered at the full resolution of a fine printer
    // chosen in the print dialog, and a pan that went on after its button release was lost.
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
        QVERIFY(OpenPictures({{"big.bmp", Qt::green, {}, {1000, 800}}}));
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

QTEST_MAIN(PicdexViewTest)
#include "PicdexViewTest.moc"
