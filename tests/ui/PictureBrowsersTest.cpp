// The two picture browsers, headless. The thumbnail browser through the picture view's
// commands, over a database of 31 pictures (p00.bmp ... p30.bmp, stored by the Add command's
// core with their thumbnails) copied for every case. The add-files browser over a folder
// written by the test: paging, selecting with the mouse, the keyboard and "Select/Deselect",
// the files left out (GIF without trailer, files already stored while duplicates are not
// saved), "PicPath", the previews that arrive from the worker thread, and the Add command
// storing what was chosen.
#include "collection/Settings.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/AddFilesDialog.h"
#include "ui/dialogs/PictureCell.h"
#include "ui/dialogs/ThumbnailDialog.h"

#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr int pictureCount = 31;
constexpr QRgb green = 0x00C000;

QString PictureName(int i) {
    return QString("p%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
}

// One page as shown: "names|selected cell|prev|next"; "!" marks a page whose filled cells
// lack a picture or size, or whose other cells are not empty and hidden from assistive tools.
QString SeePage(CThumbnailDialog& dialog) {
    QStringList names;
    int selected = -1;
    bool sound = true;
    for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i) {
        CPictureCell* cell = dialog.Cell(i);
        const bool filled = !cell->accessibleName().isEmpty();
        if (filled && names.size() == i) {
            names << cell->accessibleName();
            sound &= !cell->Image().isNull() && dialog.SizeLabel(i)->text() == "100 x 80";
        } else {
            sound &= cell->Image().isNull() && !filled && dialog.NameLabel(i)->text().isEmpty() &&
                     QAccessible::queryAccessibleInterface(cell)->state().invisible;
        }
        if (cell->IsSelected())
            selected = i;
    }
    return QString("%1%2|%3|%4|%5")
        .arg(sound ? "" : "!", names.join(','), QString::number(selected),
             QString::number(Child<QPushButton>(&dialog, "prev")->isEnabled()),
             QString::number(Child<QPushButton>(&dialog, "next")->isEnabled()));
}

QString Label(QWidget& dialog, const QString& name) {
    auto* label = dialog.findChild<QLabel*>(name);
    return label ? label->text() : QStringLiteral("<none>");
}

} // namespace

class PictureBrowsersTest : public QObject, CViewFixture {
    Q_OBJECT

    // Opens a copy of the 31-picture database (or a new, empty one) in a fresh view.
    void OpenCopy(bool empty) {
        CloseView();
        QVERIFY(OpenView({400, 300}));
        const QString base = m_dir->filePath("pics");
        if (!empty)
            for (const char* ext : {".PXM", ".PXI"})
                QVERIFY(QFile::copy(m_template->filePath(QString("pics") + ext), base + ext));
        QVERIFY(m_view->OpenInitialDatabase((base + ".PXM").toStdString()));
        m_router->Run(CommandId::top);
    }

    // The records in list order.
    std::vector<std::int32_t> Records() {
        std::vector<std::int32_t> records;
        m_doc->GoTop();
        for (int i = 0; i < pictureCount; ++i, m_doc->GoNext())
            records.push_back(m_doc->Database().Index().GetCurrentRecord());
        m_doc->GoTop();
        return records;
    }

    std::unique_ptr<QTemporaryDir> m_template;

    QString Folder() const { return m_dir->path() + QLatin1Char('/'); }
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
    // The 31-picture database, made in a view over the template folder.
    void initTestCase() {
        QVERIFY(OpenView(QSize(), true));
        std::vector<std::string> paths;
        for (int i = 0; i < pictureCount; ++i) {
            paths.push_back(Path(PictureName(i))); // every picture distinct
            QVERIFY(
                WriteBmp(QString::fromStdString(paths.back()), {100, 80}, green, qRgb(i, 0, 0)));
        }
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")) && AddFiles(paths));
        m_template = std::move(m_dir);
        CloseView();
    }

    void pagesOfBothModes_data() {
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("start"); // the current record's place in the list
        for (int size : {0, 1, 16})
            QTest::addRow("marked %d", size) << true << size << 0;
        QTest::addRow("empty") << false << 0 << 0;
        QTest::addRow("whole 31") << false << 31 << 0;
        QTest::addRow("whole 31 from the 17th") << false << 31 << 16;
    }

    // Every page from the first shown to the last and back to the first: the cells filled in
    // order, the rest empty, the buttons enabled only where there is a page to go to.
    void pagesOfBothModes() {
        QFETCH(bool, marked);
        QFETCH(int, size);
        QFETCH(int, start);
        OpenCopy(size == 0 && !marked);
        const std::vector<std::int32_t> records = size ? Records() : std::vector<std::int32_t>();
        QStringList expected; // the list the browser walks, in order
        if (marked) {
            for (int i = size - 1; i >= 0; --i) { // marked last to first: marking order counts
                m_doc->Database().Marks().Mark(records[std::size_t(i)]);
                expected << PictureName(i);
            }
        } else {
            for (int i = 0; i < size; ++i)
                expected << PictureName(i);
            for (int i = 0; i < start; ++i)
                m_doc->GoNext();
        }
        const QString current = QString::fromStdString(CurrentName());

        QStringList seen;
        QString shownAtOpen = "(not opened)";
        if (size > 0) // nothing to show opens no window; a pending action would outlive it
            WhenModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<CThumbnailDialog*>(modal);
                if (!dialog)
                    return modal->close(), void();
                shownAtOpen = QString::fromStdString(CurrentName());
                seen << SeePage(*dialog);
                for (const char* button : {"next", "prev"})
                    while (Child<QPushButton>(dialog, button)->isEnabled() && seen.size() < 20) {
                        Click(dialog, button);
                        seen << SeePage(*dialog);
                    }
                dialog->reject();
            });
        QCOMPARE(m_router->Run(marked ? CommandId::markedThumbnails : CommandId::thumbnails),
                 size == 0 && marked ? 0 : 1); // no marks: the command is disabled
        if (size == 0) {
            QCOMPARE(shownAtOpen, QString("(not opened)"));
            QCOMPARE(m_prompt.messages.size(), std::size_t(marked ? 0 : 1));
            return;
        }
        QVERIFY(m_prompt.messages.empty());
        // Marked: the first marked record is shown at once; whole list: the current one stays.
        QCOMPARE(shownAtOpen, marked ? expected.front() : current);
        const int pages = (size + 14) / 15;
        auto page = [&](int p, int selected) {
            return QString("%1|%2|%3|%4")
                .arg(expected.mid(p * 15, 15).join(','), QString::number(selected),
                     QString::number(p > 0), QString::number(p < pages - 1));
        };
        QStringList want{page(start / 15, start % 15)};
        for (int p = start / 15 + 1; p < pages; ++p)
            want << page(p, 0);
        for (int p = pages - 2; p >= 0; --p)
            want << page(p, 0);
        QCOMPARE(seen, want);
    }

    // A click shows the record at once; the right button and "&Mark/Unmark" mark and unmark
    // (with Shift: the whole page), the cell's checked state and the view's sign following.
    void markingByRightClickAndByTheButton() {
        OpenCopy(false);
        CMarkList& marks = m_doc->Database().Marks();
        const std::vector<std::int32_t> records = Records();
        auto signShown = [&] {
            const CSize client = m_view->GetClientSize();
            const QPoint o((client.cx - 100) / 2 + 5, (client.cy - 80) / 2 + 5);
            return (m_view->RenderClientArea().pixel(o) & 0xFFFFFF) != green;
        };
        QStringList steps;
        std::vector<bool> pageAfterShift;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CThumbnailDialog*>(modal);
            if (!dialog)
                return modal->close(), void();
            CPictureCell* cell = dialog->Cell(3);
            auto step = [&] {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(cell);
                steps << QString("%1 %2%3%4 %5")
                             .arg(QString::fromStdString(CurrentName()))
                             .arg(int(face->state().checked))
                             .arg(int(marks.IsMarked(records[3])))
                             .arg(int(signShown()))
                             .arg(marks.Count());
            };
            QTest::mouseClick(cell, Qt::LeftButton);
            step();
            QTest::mouseClick(cell, Qt::RightButton);
            step();
            Click(dialog, "markUnmark"); // cell 3 is selected
            step();
            QTest::mouseClick(dialog->Cell(5), Qt::RightButton);
            step(); // another record marked; the one shown is not
            QTest::mouseClick(Child<QPushButton>(dialog, "markUnmark"), Qt::LeftButton,
                              Qt::ShiftModifier);
            for (int i = 0; i < 15; ++i)
                pageAfterShift.push_back(dialog->Cell(i)->IsMarked());
            dialog->reject();
        });
        QCOMPARE(m_router->Run(CommandId::thumbnails), 1);
        QCOMPARE(steps,
                 (QStringList{"p03.bmp 000 0", "p03.bmp 111 1", "p03.bmp 000 0", "p03.bmp 000 1"}));
        // Shift toggles every cell: all marked but cell 5, which was.
        for (int i = 0; i < 15; ++i) {
            QCOMPARE(bool(pageAfterShift[std::size_t(i)]), i != 5);
            QCOMPARE(marks.IsMarked(records[std::size_t(i)]), i != 5);
        }
        QCOMPARE(CurrentName(), std::string("p03.bmp")); // Cancel leaves it shown
    }
    void init() {
        QVERIFY(OpenView(QSize()));
        m_db = std::make_unique<QTemporaryDir>();
        QVERIFY(m_view->OpenInitialDatabase(m_db->filePath("t.PXM").toStdString()));
    }
    void cleanup() { CloseView(); }

    void twentyFiveFilesGiveThreePagesTheLastWithOneFile() {
        for (int i = 0; i < 25; ++i)
            QVERIFY(WriteBmp(m_dir->filePath(PictureName(i)), {40 + i, 30}, Qt::darkCyan));
        QVERIFY(QDir(m_dir->path()).mkdir("sub.bmp")); // a folder named like a picture
        auto dialog = Open();
        QTRY_COMPARE(dialog->FileList().FileCount(), 25);
        QCOMPARE(m_settings.GetProfileString("Options", "PicPath", ""), Folder().toStdString());
        QTRY_VERIFY(!dialog->Cell(11)->Image().isNull());
        QCOMPARE(Label(*dialog, "size11"), QStringLiteral("51 x 30"));
        Click(dialog.get(), "next");
        Click(dialog.get(), "next");
        QCOMPARE(Label(*dialog, "name0") + Label(*dialog, "name1"), PictureName(24));
        QVERIFY(!Child<QPushButton>(dialog.get(), "next")->isEnabled());
        QTRY_COMPARE(Label(*dialog, "size0"), QStringLiteral("64 x 30"));
        Click(dialog.get(), "prev");
        QCOMPARE(Label(*dialog, "name0"), PictureName(12));
        // A new browser starts from the remembered folder before its picker answers.
        CAddFilesDialog again(m_doc->Database(), m_settings, false, nullptr,
                              [](QWidget*, const QString&) { return QString(); });
        QCOMPARE(again.FileList().FileCount(), 25);
    }

    // A click selects, a second one deselects, an empty cell selects nothing, the space bar
    // selects; "Select/Deselect" toggles every file of its own page only.
    void selectingByMouseKeyboardAndPage() {
        for (int i = 0; i < 14; ++i)
            QVERIFY(WriteBmp(m_dir->filePath(PictureName(i)), {8, 8}, Qt::darkCyan));
        auto dialog = Open();
        QTRY_COMPARE(dialog->FileList().FileCount(), 14);
        QTest::mouseClick(dialog->Cell(1), Qt::LeftButton);
        QVERIFY(QAccessible::queryAccessibleInterface(dialog->Cell(1))->state().checked);
        QTest::mouseClick(dialog->Cell(1), Qt::LeftButton);
        QTest::mouseClick(dialog->Cell(3), Qt::LeftButton);
        QTest::keyClick(dialog->Cell(0), Qt::Key_Space);
        QCOMPARE(Chosen(*dialog), (QStringList{PictureName(0), PictureName(3)}));
        Click(dialog.get(), "next");
        QTest::mouseClick(dialog->Cell(5), Qt::LeftButton); // empty
        Click(dialog.get(), "selectDeselect");
        QCOMPARE(Chosen(*dialog),
                 (QStringList{PictureName(0), PictureName(3), PictureName(12), PictureName(13)}));
        Click(dialog.get(), "prev");
        Click(dialog.get(), "selectDeselect");
        QCOMPARE(Chosen(*dialog).size(), 12 - 2 + 2);
        QVERIFY(!Chosen(*dialog).contains(PictureName(3)) && dialog->Cell(4)->IsSelected());
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
        QVERIFY(WriteBmp(m_dir->filePath("b.bmp"), {8, 8}, Qt::darkCyan));
        QVERIFY(WriteBmp(m_dir->filePath("c.bmp"), {10, 10}, Qt::darkCyan));
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
            QVERIFY(WriteBmp(m_dir->filePath(PictureName(i)), {8 + i, 8}, Qt::darkCyan));
        CSaveEveryFile dialogs;
        m_view->SetAddDialogs(&dialogs);
        // The folder picker opens over the browser; then files are chosen in another order.
        WhenModal<QFileDialog>([this](QFileDialog* picker) {
            picker->setDirectory(m_dir->path());
            static_cast<QDialog*>(picker)->accept(); // QFileDialog::accept, as "Choose" does
            WhenModal<CAddFilesDialog>([](CAddFilesDialog* browser) {
                QTRY_COMPARE(browser->FileList().FileCount(), 4);
                QTest::mouseClick(browser->Cell(3), Qt::LeftButton);
                QTest::mouseClick(browser->Cell(1), Qt::LeftButton);
                Click(browser, "ok");
            });
        });
        QCOMPARE(m_router->Run(CommandId::add), 1);
        QCOMPARE(dialogs.asked,
                 (std::vector<std::string>{Path(PictureName(1)), Path(PictureName(3))}));
        QCOMPARE(CurrentName(), PictureName(3).toStdString());
        m_view->SetAddDialogs(nullptr);
    }

    // The second folder is listed while the first one's previews are being decoded: none
    // of the first folder's previews shows.
    void previewsOfAFolderLeftBehindNeverShow() {
        QTemporaryDir other;
        for (int i = 0; i < 12; ++i) {
            QVERIFY(WriteBmp(m_dir->filePath(PictureName(i)), {300, 200}, Qt::darkCyan));
            QVERIFY(WriteBmp(other.filePath(PictureName(i)), {20, 10}, Qt::red));
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

QTEST_MAIN(PictureBrowsersTest)
#include "PictureBrowsersTest.moc"
