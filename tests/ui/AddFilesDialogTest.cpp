// The add-files browser over a folder written by the test: paging, selecting with the
// mouse and with "Select/Deselect", the files left out (GIF without trailer, files already
// stored while duplicates are not saved), the folder picker at opening, "PicPath", and the
// previews that arrive from the worker thread.
#include "ui/dialogs/AddFilesDialog.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "platform/MemFile.h"
#include "storage/PictureDatabase.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandRouter.h"
#include "ui/dialogs/PictureCell.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
QByteArray GifBytes(bool withTrailer) {
    // Header and a 2 x 2 logical screen; the trailer ";" ends a complete file.
    QByteArray bytes("GIF89a\x02\x00\x02\x00\x00\x00\x00", 13);
    bytes.append(QByteArray(",\0\0\0\0\x02\0\x02\0\0\x02\x02\x44\x01\0", 15));
    if (withTrailer)
        bytes.append(';');
    bytes.append(QByteArray(4, '\0')); // zero padding after the trailer is allowed
    return bytes;
}

QPushButton* Button(QWidget& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

QString LabelText(QWidget& dialog, const QString& name) {
    auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<none>");
}

// Runs action on the modal window of type Window as soon as it is the active one.
template <class Window> void WhenModalIs(std::function<void(Window*)> action, int triesLeft = 300) {
    QTimer::singleShot(10, [action, triesLeft] {
        if (auto* modal = qobject_cast<Window*>(QApplication::activeModalWidget()))
            action(modal);
        else if (triesLeft > 0)
            WhenModalIs<Window>(action, triesLeft - 1);
    });
}

// Stores every file with "&Save", noting the files in the order they were offered.
class CSavingDialogs : public IAddDialogs {
public:
    bool BrowseFiles(std::vector<CAddFileChoice>&) override { return false; }
    SaveChoice AskSave(const std::string& path, bool, CPictureDatabase::Keywords&) override {
        saved.push_back(QString::fromStdString(path));
        return SaveChoice::save;
    }
    DuplicateChoice AskDuplicate(PxImage&, const std::string&) override {
        return DuplicateChoice::doNotSave;
    }
    QStringList saved;
};

bool AccessiblyChecked(QWidget* cell) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(cell);
    return face && face->state().checkable && face->state().checked;
}
} // namespace

class AddFilesDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void twentyFiveFilesGiveThreePagesTheLastWithOneFile();
    void clickingACellTwiceLeavesItUnselected();
    void selectDeselectTogglesEachFileOfThePage();
    void gifWithoutTrailerIsNotListed();
    void storedFileIsCountedAndLeftOutOnlyWhileDuplicatesAreNotSaved();
    void addCommandStoresTheChosenFilesInListOrder();
    void previewsOfAFolderLeftBehindNeverShow();

private:
    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }
    void WriteBmp(const QString& name, int width, int height) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QVERIFY(image.save(m_dir->filePath(name), "BMP"));
    }
    // The dialog over Folder(), listed through the folder picker that opens with it.
    std::unique_ptr<CAddFilesDialog> Open(bool ignoreDuplicates = false) {
        auto dialog = std::make_unique<CAddFilesDialog>(
            *m_db, m_settings, ignoreDuplicates, nullptr,
            [this](QWidget*, const QString&) { return m_dir->path(); });
        dialog->show();
        return dialog;
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_dbDir;
    std::unique_ptr<CPictureDatabase> m_db;
    CMemorySettings m_settings;
};

void AddFilesDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_dbDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_dbDir->isValid());
    m_db = std::make_unique<CPictureDatabase>();
    QCOMPARE(m_db->OpenDatabase(m_dbDir->filePath("t.PXM").toStdString(), true), 1);
    m_settings = {};
}

void AddFilesDialogTest::cleanup() {
    m_db.reset();
    m_dir.reset();
    m_dbDir.reset();
}

void AddFilesDialogTest::twentyFiveFilesGiveThreePagesTheLastWithOneFile() {
    for (int i = 0; i < 25; ++i)
        WriteBmp(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')), 40 + i, 30);
    QFile other(m_dir->filePath("notes.txt"));
    QVERIFY(other.open(QIODevice::WriteOnly));
    QVERIFY(QDir(m_dir->path()).mkdir("sub.bmp")); // a folder named like a picture is no picture
    auto dialog = Open();
    // The picker's folder is listed and remembered.
    QTRY_COMPARE(dialog->FileList().FileCount(), 25);
    QCOMPARE(QString::fromStdString(m_settings.GetProfileString("Options", "PicPath", "")),
             Folder());
    QVERIFY(!Button(*dialog, "prev")->isEnabled());
    QVERIFY(Button(*dialog, "next")->isEnabled());
    // Previews arrive from the worker with their sizes.
    QTRY_VERIFY(!dialog->Cell(11)->Image().isNull());
    QCOMPARE(LabelText(*dialog, "size11"), QStringLiteral("51 x 30"));
    QCOMPARE(dialog->Cell(11)->accessibleName(), QStringLiteral("p11.bmp"));

    QTest::mouseClick(Button(*dialog, "next"), Qt::LeftButton);
    QTest::mouseClick(Button(*dialog, "next"), Qt::LeftButton);
    QCOMPARE(LabelText(*dialog, "name0"), QStringLiteral("p24.bmp"));
    QCOMPARE(LabelText(*dialog, "name1"), QString());
    QVERIFY(dialog->Cell(1)->Image().isNull());
    QVERIFY(!Button(*dialog, "next")->isEnabled());
    QVERIFY(Button(*dialog, "prev")->isEnabled());
    QTRY_COMPARE(LabelText(*dialog, "size0"), QStringLiteral("64 x 30"));
    QTest::mouseClick(Button(*dialog, "prev"), Qt::LeftButton);
    QCOMPARE(LabelText(*dialog, "name0"), QStringLiteral("p12.bmp"));

    // A new browser starts from the remembered folder before its picker answers.
    CAddFilesDialog again(*m_db, m_settings, false, nullptr,
                          [](QWidget*, const QString&) { return QString(); });
    QCOMPARE(again.FileList().FileCount(), 25);
}

void AddFilesDialogTest::clickingACellTwiceLeavesItUnselected() {
    for (int i = 0; i < 3; ++i)
        WriteBmp(QStringLiteral("p%1.bmp").arg(i), 8, 8);
    auto dialog = Open();
    QTRY_COMPARE(dialog->FileList().FileCount(), 3);
    CPictureCell* cell = dialog->Cell(1);
    QTest::mouseClick(cell, Qt::LeftButton);
    QVERIFY(cell->IsSelected());
    QVERIFY(AccessiblyChecked(cell));
    QTest::mouseClick(cell, Qt::LeftButton);
    QVERIFY(!cell->IsSelected());
    QVERIFY(!AccessiblyChecked(cell));
    // An empty cell selects nothing.
    QTest::mouseClick(dialog->Cell(5), Qt::LeftButton);
    QTest::mouseClick(dialog->Cell(2), Qt::LeftButton);
    const std::vector<CAddFileChoice> choices = dialog->Choices();
    QCOMPARE(choices.size(), std::size_t(3));
    QVERIFY(!choices[0].chosen && !choices[1].chosen && choices[2].chosen);
    QCOMPARE(QString::fromStdString(choices[2].path), Folder() + "p2.bmp");
    // From the keyboard: the space bar on a cell.
    QTest::keyClick(dialog->Cell(0), Qt::Key_Space);
    QVERIFY(dialog->Cell(0)->IsSelected() && dialog->Choices()[0].chosen);
}

void AddFilesDialogTest::selectDeselectTogglesEachFileOfThePage() {
    for (int i = 0; i < 14; ++i)
        WriteBmp(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')), 8, 8);
    auto dialog = Open();
    QTRY_COMPARE(dialog->FileList().FileCount(), 14);
    QTest::mouseClick(dialog->Cell(3), Qt::LeftButton);
    QTest::mouseClick(Button(*dialog, "selectDeselect"), Qt::LeftButton);
    std::vector<CAddFileChoice> choices = dialog->Choices();
    for (int i = 0; i < 14; ++i)
        QCOMPARE(choices[std::size_t(i)].chosen, i < 12 && i != 3);
    QVERIFY(!dialog->Cell(3)->IsSelected() && dialog->Cell(4)->IsSelected());
    // The second page's files are toggled on their own page only.
    QTest::mouseClick(Button(*dialog, "next"), Qt::LeftButton);
    QTest::mouseClick(Button(*dialog, "selectDeselect"), Qt::LeftButton);
    QVERIFY(dialog->Cell(0)->IsSelected() && !dialog->Cell(2)->IsSelected());
    choices = dialog->Choices();
    QVERIFY(choices[12].chosen && choices[13].chosen && choices[0].chosen);
}

void AddFilesDialogTest::gifWithoutTrailerIsNotListed() {
    for (const auto& [name, trailer] :
         {std::pair("whole.gif", true), std::pair("cut.gif", false)}) {
        QFile file(m_dir->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(GifBytes(trailer));
    }
    auto dialog = Open();
    QTRY_COMPARE(dialog->FileList().FileCount(), 1);
    QCOMPARE(LabelText(*dialog, "name0"), QStringLiteral("whole.gif"));
    QCOMPARE(dialog->SearchText(), QStringLiteral("2 件"));
}

void AddFilesDialogTest::storedFileIsCountedAndLeftOutOnlyWhileDuplicatesAreNotSaved() {
    WriteBmp("a.bmp", 8, 8);
    WriteBmp("b.bmp", 9, 9);
    WriteBmp("c.bmp", 10, 10);
    // b.bmp is stored under its name with its size; c.bmp's name is stored with other data.
    for (const auto& [name, data] : {std::pair("B.BMP", m_dir->filePath("b.bmp")),
                                     std::pair("c.bmp", m_dir->filePath("a.bmp"))}) {
        QFile file(data);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        CMemFile stream;
        stream.Write(bytes.constData(), std::size_t(bytes.size()));
        stream.SeekToBegin();
        QCOMPARE(m_db->AddRecord(stream, 1, std::string("/elsewhere/") + name, 0, 8, 8, {}), 1);
    }

    auto ignoring = Open(true);
    QTRY_COMPARE(ignoring->FileList().FileCount(), 2);
    QCOMPARE(ignoring->SearchText(), QStringLiteral("3 件 (登録済み 1 件)"));
    QCOMPARE(LabelText(*ignoring, "name1"), QStringLiteral("c.bmp"));
    QVERIFY(!ignoring->Cell(1)->IsChosen());
    ignoring.reset();

    auto listing = Open(false);
    QTRY_COMPARE(listing->FileList().FileCount(), 3);
    QCOMPARE(listing->SearchText(), QStringLiteral("3 件"));
    QVERIFY(!listing->Cell(0)->IsChosen());
    QVERIFY(listing->Cell(1)->IsChosen());
    QVERIFY(!listing->Cell(2)->IsChosen());
}

void AddFilesDialogTest::addCommandStoresTheChosenFilesInListOrder() {
    for (int i = 0; i < 4; ++i)
        WriteBmp(QStringLiteral("p%1.bmp").arg(i), 8 + i, 8);
    m_db.reset();
    CPicdexDoc doc;
    IViewFrame frame;
    CCommandRouter router;
    CPicdexView view(doc, frame, m_settings);
    view.RegisterCommands(router);
    CSavingDialogs dialogs;
    view.SetAddDialogs(&dialogs);
    view.OpenInitialDatabase(m_dbDir->filePath("t.PXM").toStdString());
    QVERIFY(doc.Database().IsOpen());

    // The folder picker opens over the browser; then files are chosen in another order.
    WhenModalIs<QFileDialog>([this](QFileDialog* picker) {
        picker->setDirectory(m_dir->path());
        static_cast<QDialog*>(picker)->accept(); // QFileDialog::accept, as "Choose" does
        WhenModalIs<CAddFilesDialog>([](CAddFilesDialog* browser) {
            QTRY_COMPARE(browser->FileList().FileCount(), 4);
            QTest::mouseClick(browser->Cell(3), Qt::LeftButton);
            QTest::mouseClick(browser->Cell(1), Qt::LeftButton);
            QTest::mouseClick(Button(*browser, "ok"), Qt::LeftButton);
        });
    });
    QCOMPARE(router.Run(CommandId::add), 1);
    QCOMPARE(dialogs.saved, QStringList({Folder() + "p1.bmp", Folder() + "p3.bmp"}));
    CRecordHead head;
    QVERIFY(doc.GetCurrentHead(head));
    QCOMPARE(head.FileName(), std::string("p3.bmp"));
}

void AddFilesDialogTest::previewsOfAFolderLeftBehindNeverShow() {
    QTemporaryDir other;
    for (int i = 0; i < 12; ++i) {
        WriteBmp(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')), 300, 200);
        QImage image(20, 10, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(
            image.save(other.filePath(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')))));
    }
    CAddFilesDialog dialog(*m_db, m_settings, false, nullptr,
                           [](QWidget*, const QString&) { return QString(); });
    // The second folder is listed while the first one's previews are being decoded.
    dialog.ListFolder(Folder());
    dialog.ListFolder(other.path() + QLatin1Char('/'));
    for (int i = 0; i < 12; ++i) {
        QTRY_COMPARE(LabelText(dialog, QStringLiteral("size%1").arg(i)), QStringLiteral("20 x 10"));
        QCOMPARE(dialog.Cell(i)->Image().size(), QSize(20, 10));
    }
}

QTEST_MAIN(AddFilesDialogTest)
#include "AddFilesDialogTest.moc"
