// The picture view through its commands, headless: a real database in a temporary folder,
// pictures stored by the Add command's core, the frame and the add dialogs replaced by
// recorders that answer as a user would.
#include "collection/AddPictures.h"
#include "platform/FileSystem.h"
#include "ui/DragFolder.h"
#include "ui/ViewFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include <ctime>

namespace {

constexpr QRgb green = 0x00C000;

} // namespace

class PicdexViewTest : public QObject, CViewFixture<> {
    Q_OBJECT

    // A green BMP of width × height with a distinct top-left pixel (shows the orientation).
    std::string WriteBmp(const QString& name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(green);
        image.setPixel(0, 0, 0x102030);
        const QString path = m_dir->filePath(name);
        return image.save(path, "BMP") ? path.toStdString() : std::string();
    }

    // Opens a new database holding pictures p0.bmp, p1.bmp, ... of the sizes, at the top.
    void OpenWith(const std::vector<QSize>& sizes) {
        m_view->OpenInitialDatabase(Path("pics.PXM"));
        CAddPictures add(*m_doc, m_dialogs, *m_view, false);
        bool saveAll = false, minimized = false, cancel = false;
        CAddPictures::Keywords keywords;
        for (std::size_t i = 0; i < sizes.size(); ++i)
            QVERIFY(add.AddFile(
                WriteBmp(QString("p%1.bmp").arg(i), sizes[i].width(), sizes[i].height()), 1,
                saveAll, minimized, keywords, cancel));
        m_router->Run(CommandId::top);
    }

    int CurrentWidth() {
        PxImage* picture = m_doc->GetCurrentPicture();
        return picture ? int(picture->GetWidth()) : -1;
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

    // The zoom steps, the 500 % cap, the snap back to 100 % of single-precision steps and a
    // typed value read as unsigned.
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
        m_view->ApplyZoomValue(-1);
        QCOMPARE(m_view->GetZoomLevel(), 5.0f);
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
        QVERIFY(m_prompt.messages.empty());
        QCOMPARE(CurrentWidth(), 20); // b.bmp is last by name, though a.bmp was stored last
    }

    void aReadOnlyDatabaseTakesNoDroppedFiles() {
        CPictureDatabase writer;
        QVERIFY(writer.OpenDatabase(Path("shared.PXM"), true));
        QVERIFY(m_view->OpenInitialDatabase(Path("shared.PXM")));
        QVERIFY(m_doc->Database().IsReadOnly());
        m_view->AddDroppedFiles({QString::fromStdString(WriteBmp("a.bmp", 8, 8))});
        QVERIFY(m_dialogs.asked.empty() && m_prompt.messages.empty());
    }

    // A database that cannot be opened at start closes the frame; another one opened later
    // goes to a second instance while this one keeps its own.
    void openingReportsToTheFrame() {
        m_view->OpenInitialDatabase(Path("missing/folder/x.PXM"));
        QCOMPARE(m_frame.closes, 1);
        QVERIFY(!m_view->GetCommandState().databaseOpen);
        OpenWith({{30, 20}});
        m_view->OpenDatabaseByPath(Path("other.PXM"));
        QCOMPARE(m_frame.started, std::vector<std::string>{Path("other.PXM")});
        QCOMPARE(m_doc->Database().GetMainPath(), Path("pics.PXM"));
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
};

QTEST_MAIN(PicdexViewTest)
#include "PicdexViewTest.moc"
