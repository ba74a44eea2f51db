// The thumbnail browser through the picture view's commands, headless: a database of 31
// pictures (p00.bmp ... p30.bmp, stored by the Add command's core with their thumbnails)
// copied for every case.
#include "ui/dialogs/ThumbnailDialog.h"
#include "collection/AddPictures.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/PictureCell.h"

#include <QAccessible>
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

} // namespace

class ThumbnailDialogTest : public QObject, CViewFixture<> {
    Q_OBJECT

    // Opens a copy of the 31-picture database (or a new, empty one) in a fresh view.
    void OpenCopy(bool empty) {
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

private slots:
    void initTestCase() {
        m_template = std::make_unique<QTemporaryDir>();
        qputenv("TMPDIR", m_template->path().toUtf8());
        CViewPrompt prompt;
        CScopedPrompt scoped(prompt);
        CPictureDatabase::ArmPasswordCheck();
        CPicdexDoc doc;
        CPicdexView view(doc, m_frame, m_settings);
        QVERIFY(view.OpenInitialDatabase(m_template->filePath("pics.PXM").toStdString()));
        CSaveEveryFile dialogs(DuplicateChoice::save);
        CAddPictures add(doc, dialogs, view, true);
        bool saveAll = false, minimized = false, cancel = false;
        CAddPictures::Keywords keywords;
        for (int i = 0; i < pictureCount; ++i) {
            QImage image(100, 80, QImage::Format_RGB32);
            image.fill(green);
            image.setPixel(99, 79, qRgb(i, 0, 0)); // every picture distinct
            const QString path = m_template->filePath(PictureName(i));
            QVERIFY(image.save(path, "BMP"));
            QVERIFY(add.AddFile(path.toStdString(), 1, saveAll, minimized, keywords, cancel));
        }
    }

    void cleanup() { CloseView(); }

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
};

QTEST_MAIN(ThumbnailDialogTest)
#include "ThumbnailDialogTest.moc"
