// The add-files browser over a folder written by the test: paging, selecting with the
// mouse, the keyboard and "Select/Deselect", the files left out (GIF without trailer, files
// already stored while duplicates are not saved), "PicPath", the previews that arrive from
// the worker thread, and the Add command storing what was chosen.
#include "ui/dialogs/AddFilesDialog.h"
#include "collection/Settings.h"
#include "ui/ViewFixture.h"
#include "ui/dialogs/PictureCell.h"

#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

namespace {

// Runs action on the modal window of type Window as soon as it is the active one.
template <class Window> void WhenModalIs(std::function<void(Window*)> action, int triesLeft = 300) {
    QTimer::singleShot(10, [action, triesLeft] {
        if (auto* modal = qobject_cast<Window*>(QApplication::activeModalWidget()))
            action(modal);
        else if (triesLeft > 0)
            WhenModalIs<Window>(action, triesLeft - 1);
    });
}

QString Label(QWidget& dialog, const QString& name) {
    auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<none>");
}

QString Name(int i) {
    return QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
}

} // namespace

class AddFilesDialogTest : public QObject, CViewFixture<> {
    Q_OBJECT

    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }
    void WriteBmp(const QString& path, int width, int height, QColor colour = Qt::darkCyan) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(colour);
        QVERIFY(image.save(path, "BMP"));
    }
    // The browser over Folder(), listed through the folder picker that opens with it.
    std::unique_ptr<CAddFilesDialog> Open(bool ignoreDuplicates = false) {
        auto dialog = std::make_unique<CAddFilesDialog>(
            m_doc->Database(), m_settings, ignoreDuplicates, nullptr,
            [this](QWidget*, const QString&) { return m_dir->path(); });
        dialog->show();
        return dialog;
    }
    QStringList Chosen(CAddFilesDialog& dialog) {
        QStringList chosen;
        for (const CAddFileChoice& choice : dialog.Choices())
            if (choice.chosen)
                chosen << QString::fromStdString(GetFileName(choice.path));
        return chosen;
    }

private slots:
    void init() {
        QVERIFY(OpenView(QSize()));
        m_db = std::make_unique<QTemporaryDir>();
        QVERIFY(m_view->OpenInitialDatabase(m_db->filePath("t.PXM").toStdString()));
    }
    void cleanup() { CloseView(); }

    void twentyFiveFilesGiveThreePagesTheLastWithOneFile() {
        for (int i = 0; i < 25; ++i)
            WriteBmp(m_dir->filePath(Name(i)), 40 + i, 30);
        QVERIFY(QDir(m_dir->path()).mkdir("sub.bmp")); // a folder named like a picture
        auto dialog = Open();
        QTRY_COMPARE(dialog->FileList().FileCount(), 25);
        QCOMPARE(m_settings.GetProfileString("Options", "PicPath", ""), Folder().toStdString());
        QTRY_VERIFY(!dialog->Cell(11)->Image().isNull());
        QCOMPARE(Label(*dialog, "size11"), QStringLiteral("51 x 30"));
        QCOMPARE(dialog->Cell(11)->accessibleName(), Name(11));
        Click(dialog.get(), "next");
        Click(dialog.get(), "next");
        QCOMPARE(Label(*dialog, "name0") + Label(*dialog, "name1"), Name(24));
        QVERIFY(!Child<QPushButton>(dialog.get(), "next")->isEnabled());
        QTRY_COMPARE(Label(*dialog, "size0"), QStringLiteral("64 x 30"));
        Click(dialog.get(), "prev");
        QCOMPARE(Label(*dialog, "name0"), Name(12));
        // A new browser starts from the remembered folder before its picker answers.
        CAddFilesDialog again(m_doc->Database(), m_settings, false, nullptr,
                              [](QWidget*, const QString&) { return QString(); });
        QCOMPARE(again.FileList().FileCount(), 25);
    }

    // A click selects, a second one deselects, an empty cell selects nothing, the space bar
    // selects; "Select/Deselect" toggles every file of its own page only.
    void selectingByMouseKeyboardAndPage() {
        for (int i = 0; i < 14; ++i)
            WriteBmp(m_dir->filePath(Name(i)), 8, 8);
        auto dialog = Open();
        QTRY_COMPARE(dialog->FileList().FileCount(), 14);
        QTest::mouseClick(dialog->Cell(1), Qt::LeftButton);
        QVERIFY(QAccessible::queryAccessibleInterface(dialog->Cell(1))->state().checked);
        QTest::mouseClick(dialog->Cell(1), Qt::LeftButton);
        QTest::mouseClick(dialog->Cell(3), Qt::LeftButton);
        QTest::keyClick(dialog->Cell(0), Qt::Key_Space);
        QCOMPARE(Chosen(*dialog), (QStringList{Name(0), Name(3)}));
        Click(dialog.get(), "next");
        QTest::mouseClick(dialog->Cell(5), Qt::LeftButton); // empty
        Click(dialog.get(), "selectDeselect");
        QCOMPARE(Chosen(*dialog), (QStringList{Name(0), Name(3), Name(12), Name(13)}));
        Click(dialog.get(), "prev");
        Click(dialog.get(), "selectDeselect");
        QCOMPARE(Chosen(*dialog).size(), 12 - 2 + 2);
        QVERIFY(!Chosen(*dialog).contains(Name(3)) && dialog->Cell(4)->IsSelected());
    }

    // A GIF cut before its trailer is no picture; a file stored already (same name and
    // size) is left out while duplicates are not saved, and shown as stored otherwise.
    void cutAndStoredFilesAreLeftOut() {
        QByteArray gif(
            "GIF89a\x02\x00\x02\x00\x00\x00\x00,\0\0\0\0\x02\0\x02\0\0\x02\x02\x44\x01\0", 28);
        for (const auto& [name, bytes] : {std::pair("whole.gif", gif + QByteArray(";\0\0\0\0", 5)),
                                          std::pair("cut.gif", gif + QByteArray(4, '\0'))}) {
            QFile file(m_dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        // b.bmp is stored, from elsewhere, under its name and with its size; c.bmp's name with
        // other data.
        QVERIFY(QDir(m_dir->path()).mkdir("elsewhere"));
        QVERIFY(AddPicture(m_doc->Database(), Path("elsewhere/B.BMP"), Qt::red, 0, {}));
        QVERIFY(AddPicture(m_doc->Database(), Path("elsewhere/c.bmp"), Qt::red, 0, {}));
        WriteBmp(m_dir->filePath("b.bmp"), 8, 8);
        WriteBmp(m_dir->filePath("c.bmp"), 10, 10);
        for (const bool ignoring : {true, false}) {
            auto dialog = Open(ignoring);
            QTRY_COMPARE(dialog->FileList().FileCount(), ignoring ? 2 : 3);
            QStringList shown;
            for (int i = 0; i < dialog->FileList().FileCount(); ++i)
                shown << Label(*dialog, QString("name%1").arg(i)) +
                             (dialog->Cell(i)->IsChosen() ? "*" : "");
            const QStringList expected = ignoring ? QStringList{"c.bmp", "whole.gif"}
                                                  : QStringList{"b.bmp*", "c.bmp", "whole.gif"};
            QCOMPARE(shown, expected);
        }
    }

    void addCommandStoresTheChosenFilesInListOrder() {
        for (int i = 0; i < 4; ++i)
            WriteBmp(m_dir->filePath(Name(i)), 8 + i, 8);
        CSaveEveryFile dialogs;
        m_view->SetAddDialogs(&dialogs);
        // The folder picker opens over the browser; then files are chosen in another order.
        WhenModalIs<QFileDialog>([this](QFileDialog* picker) {
            picker->setDirectory(m_dir->path());
            static_cast<QDialog*>(picker)->accept(); // QFileDialog::accept, as "Choose" does
            WhenModalIs<CAddFilesDialog>([](CAddFilesDialog* browser) {
                QTRY_COMPARE(browser->FileList().FileCount(), 4);
                QTest::mouseClick(browser->Cell(3), Qt::LeftButton);
                QTest::mouseClick(browser->Cell(1), Qt::LeftButton);
                Click(browser, "ok");
            });
        });
        QCOMPARE(m_router->Run(CommandId::add), 1);
        QCOMPARE(dialogs.asked, (std::vector<std::string>{Path(Name(1)), Path(Name(3))}));
        QCOMPARE(CurrentName(), Name(3).toStdString());
        m_view->SetAddDialogs(nullptr);
    }

    // The second folder is listed while the first one's previews are being decoded: none
    // of the first folder's previews shows.
    void previewsOfAFolderLeftBehindNeverShow() {
        QTemporaryDir other;
        for (int i = 0; i < 12; ++i) {
            WriteBmp(m_dir->filePath(Name(i)), 300, 200);
            WriteBmp(other.filePath(Name(i)), 20, 10, Qt::red);
        }
        CAddFilesDialog dialog(m_doc->Database(), m_settings, false, nullptr,
                               [](QWidget*, const QString&) { return QString(); });
        dialog.ListFolder(Folder());
        dialog.ListFolder(other.path() + QLatin1Char('/'));
        for (int i = 0; i < 12; ++i) {
            QTRY_COMPARE(Label(dialog, QStringLiteral("size%1").arg(i)), QStringLiteral("20 x 10"));
            QCOMPARE(dialog.Cell(i)->Image().size(), QSize(20, 10));
        }
    }

private:
    std::unique_ptr<QTemporaryDir> m_db;
};

QTEST_MAIN(AddFilesDialogTest)
#include "AddFilesDialogTest.moc"
