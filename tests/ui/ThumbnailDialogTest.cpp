// The thumbnail browser through the picture view's commands, headless: a database of 31
// pictures (p00.bmp ... p30.bmp, stored by the Add command's core with their thumbnails and
// the keywords "k1", "k15", "k16" on the first 1, 15 and 16 of them) copied for every case.
#include "ui/dialogs/ThumbnailDialog.h"
#include "collection/AddPictures.h"
#include "collection/Search.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/PictureCell.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

constexpr int pictureCount = 31;
constexpr QRgb green = 0x00C000;

class CNoFrame : public IViewFrame {
public:
    void ShowZoomPercentText(int) override {}
    void UpdateTitle() override {}
    void SetPrinting(bool) override {}
    bool IsFrameMinimized() const override { return false; }
    void MinimizeFrame() override {}
    void RestoreFrame() override {}
    void CloseFrame() override {}
    void StartSecondInstance(const std::string&) override {}
};

// Stores every file, giving the i-th one "k1", "k15" and "k16" while i is below 1, 15, 16.
class CKeywordAddDialogs : public IAddDialogs {
public:
    bool BrowseFiles(std::vector<CAddFileChoice>&) override { return false; }
    SaveChoice AskSave(const std::string&, bool, CPictureDatabase::Keywords& keywords) override {
        keywords = {};
        int slot = 0;
        for (int size : {1, 15, 16})
            if (stored < size)
                keywords[std::size_t(slot++)] = "k" + std::to_string(size);
        ++stored;
        return SaveChoice::save;
    }
    DuplicateChoice AskDuplicate(PxImage&, const std::string&) override {
        return DuplicateChoice::save;
    }
    int stored = 0;
};

class CRecordingPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view text) override { return messages.emplace_back(text), false; }
    std::vector<std::string> messages;
};

QString PictureName(int i) {
    return QString("p%1.bmp").arg(i, 2, 10, QLatin1Char('0'));
}

// What one page of the browser shows.
struct CPageSeen {
    QStringList names;
    int images = 0;
    int selected = -1;
    bool prev = false;
    bool next = false;
    // Every cell past the names: no picture, no name, no size, hidden from assistive tools.
    bool restEmpty = true;
    bool sizesRight = true;

    bool operator==(const CPageSeen&) const = default;
};

CPageSeen SeePage(CThumbnailDialog& dialog) {
    CPageSeen seen;
    for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i) {
        CPictureCell* cell = dialog.Cell(i);
        if (!cell->accessibleName().isEmpty() && seen.restEmpty) {
            seen.names << cell->accessibleName();
            seen.images += cell->Image().isNull() ? 0 : 1;
            seen.sizesRight &= dialog.SizeLabel(i)->text() == "100 x 80" &&
                               dialog.NameLabel(i)->toolTip() == cell->accessibleName();
        } else {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(cell);
            seen.restEmpty = seen.restEmpty && cell->Image().isNull() &&
                             cell->accessibleName().isEmpty() &&
                             dialog.SizeLabel(i)->text().isEmpty() &&
                             dialog.NameLabel(i)->text().isEmpty() && face->state().invisible;
        }
        if (cell->IsSelected())
            seen.selected = i;
    }
    seen.prev = dialog.findChild<QPushButton*>("prev")->isEnabled();
    seen.next = dialog.findChild<QPushButton*>("next")->isEnabled();
    return seen;
}

} // namespace

class ThumbnailDialogTest : public QObject, CViewFixture<CNoFrame, CRecordingPrompt> {
    Q_OBJECT

private:
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
        CIndexFile& index = m_doc->Database().Index();
        m_doc->GoTop();
        for (int i = 0; i < pictureCount; ++i, m_doc->GoNext())
            records.push_back(index.GetCurrentRecord());
        m_doc->GoTop();
        return records;
    }

    QString CurrentName() {
        CRecordHead head;
        return m_doc->GetCurrentHead(head) ? QString::fromStdString(head.FileName()) : QString();
    }

    std::unique_ptr<QTemporaryDir> m_template;

private slots:
    void initTestCase() {
        m_template = std::make_unique<QTemporaryDir>();
        QVERIFY(m_template->isValid());
        qputenv("TMPDIR", m_template->path().toUtf8());
        CRecordingPrompt prompt;
        CScopedPrompt scoped(prompt);
        ArmPasswordCheck();
        CPicdexDoc doc;
        CPicdexView view(doc, m_frame, m_settings);
        QVERIFY(view.OpenInitialDatabase(m_template->filePath("pics.PXM").toStdString()));
        CKeywordAddDialogs dialogs;
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
        doc.Database().Close();
    }

    void cleanup() { CloseView(); }

    void pagesOfBothModes_data() {
        QTest::addColumn<bool>("marked");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("start"); // the current record's place in the list
        QTest::addColumn<QList<int>>("deleted");
        for (bool marked : {false, true})
            for (int size : {0, 1, 15, 16, 31})
                QTest::addRow("%s %d", marked ? "marked" : "whole", size)
                    << marked << size << 0 << QList<int>();
        QTest::addRow("whole 31 from the 17th") << false << 31 << 16 << QList<int>();
        QTest::addRow("whole 31, 2 deleted") << false << 31 << 0 << QList<int>{5, 20};
    }

    // Every page from the first shown to the last and back to the first: the cells filled in
    // order, the rest empty, the buttons enabled only where there is a page to go to.
    void pagesOfBothModes() {
        QFETCH(bool, marked);
        QFETCH(int, size);
        QFETCH(int, start);
        QFETCH(QList<int>, deleted);
        const int listed = size; // with the deleted ones
        OpenCopy(size == 0 && !marked);
        if (!deleted.isEmpty()) {
            const std::vector<std::int32_t> records = Records();
            for (int i : deleted) {
                CRecordHead head;
                const std::int32_t block = records[std::size_t(i)];
                QVERIFY(m_doc->Database().ReadHead(head, block));
                QVERIFY(m_doc->Database().DeleteRecord(block, head));
            }
            size -= int(deleted.size());
        }
        QStringList expected; // the list the browser walks, in order
        if (marked) {
            const std::vector<std::int32_t> records = Records();
            for (int i = size - 1; i >= 0; --i) { // marked last to first: marking order counts
                m_doc->Database().Marks().Mark(records[std::size_t(i)]);
                expected << PictureName(i);
            }
        } else {
            for (int i = 0; expected.size() < size; ++i)
                if (!deleted.contains(i))
                    expected << PictureName(i);
            if (listed > 0 && listed < pictureCount)
                QVERIFY(SearchKeyword(*m_doc, MakeKeywordKey("k" + std::to_string(listed))));
            for (int i = 0; i < start; ++i)
                m_doc->GoNext();
        }
        const QString current = CurrentName();

        std::vector<CPageSeen> seen;
        QString shownAtOpen;
        bool opened = false;
        // Nothing to show opens no window; a pending action would outlive this case.
        if (size > 0)
            WhenModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<CThumbnailDialog*>(modal);
                opened = dialog != nullptr;
                if (!dialog) {
                    modal->close();
                    return;
                }
                shownAtOpen = CurrentName();
                auto* next = dialog->findChild<QPushButton*>("next");
                auto* prev = dialog->findChild<QPushButton*>("prev");
                seen.push_back(SeePage(*dialog));
                while (next->isEnabled() && seen.size() < 10) {
                    QTest::mouseClick(next, Qt::LeftButton);
                    seen.push_back(SeePage(*dialog));
                }
                while (prev->isEnabled() && seen.size() < 20) {
                    QTest::mouseClick(prev, Qt::LeftButton);
                    seen.push_back(SeePage(*dialog));
                }
                dialog->reject();
            });
        QCOMPARE(m_router->Run(marked ? CommandId::markedThumbnails : CommandId::thumbnails),
                 size == 0 && marked ? 0 : 1); // no marks: the command is disabled
        if (size == 0) {
            QVERIFY(!opened);
            QCOMPARE(m_prompt.messages,
                     (std::vector<std::string>(marked ? 0 : 1, "Data not found")));
            return;
        }
        QVERIFY(opened);
        QVERIFY(m_prompt.messages.empty());
        // Marked: the first marked record is shown at once; whole list: the current one stays.
        QCOMPARE(shownAtOpen, marked ? expected.front() : current);

        const int pages = (size + 14) / 15;
        const int first = start / 15;
        std::vector<CPageSeen> want;
        auto page = [&](int p, int selected) {
            CPageSeen s;
            s.names = expected.mid(p * 15, 15);
            s.images = int(s.names.size());
            s.selected = selected;
            s.prev = p > 0;
            s.next = p < pages - 1;
            return s;
        };
        want.push_back(page(first, start % 15));
        for (int p = first + 1; p < pages; ++p)
            want.push_back(page(p, 0));
        for (int p = pages - 2; p >= 0; --p)
            want.push_back(page(p, 0));
        QCOMPARE(seen.size(), want.size());
        for (std::size_t i = 0; i < want.size(); ++i) {
            QCOMPARE(seen[i].names, want[i].names);
            QVERIFY2(seen[i] == want[i], qPrintable(QString("page view %1").arg(i)));
        }
    }

    // A click shows the record at once; the right button and "&Mark/Unmark" mark and unmark
    // (with Shift: the whole page), the cell's checked state and the view's sign following.
    void markingByRightClickAndByTheButton() {
        OpenCopy(false);
        CMarkList& marks = m_doc->Database().Marks();
        const std::vector<std::int32_t> records = Records();
        auto signShown = [&] {
            const QImage shown = m_view->RenderClientArea();
            const CSize client = m_view->GetClientSize();
            const QPoint o((client.cx - 100) / 2, (client.cy - 80) / 2);
            return (shown.pixel(o.x() + 5, o.y() + 5) & 0xFFFFFF) != green;
        };
        struct CStep {
            QString current;
            bool cellChecked, recordMarked, sign;
            int marked;
        };
        std::vector<CStep> steps;
        std::vector<bool> pageAfterShift;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CThumbnailDialog*>(modal);
            if (!dialog)
                return modal->close(), void();
            CPictureCell* cell = dialog->Cell(3);
            auto* button = dialog->findChild<QPushButton*>("markUnmark");
            auto step = [&] {
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(cell);
                steps.push_back({CurrentName(), bool(face->state().checked),
                                 marks.IsMarked(records[3]), signShown(), marks.Count()});
            };
            QTest::mouseClick(cell, Qt::LeftButton);
            step(); // shown, not marked
            QTest::mouseClick(cell, Qt::RightButton);
            step(); // marked
            QTest::mouseClick(button, Qt::LeftButton);
            step(); // unmarked by the button (cell 3 is selected)
            QTest::mouseClick(dialog->Cell(5), Qt::RightButton);
            step(); // another record marked; the one shown is not
            QTest::mouseClick(button, Qt::LeftButton, Qt::ShiftModifier);
            for (int i = 0; i < 15; ++i)
                pageAfterShift.push_back(dialog->Cell(i)->IsMarked());
            dialog->reject();
        });
        QCOMPARE(m_router->Run(CommandId::thumbnails), 1);
        const QString p3 = PictureName(3);
        QCOMPARE(steps.size(), std::size_t(4));
        const std::vector<std::tuple<QString, bool, bool, bool, int>> want{
            {p3, false, false, false, 0},
            {p3, true, true, true, 1},
            {p3, false, false, false, 0},
            {p3, false, false, false, 1},
        };
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const CStep& s = steps[i];
            QCOMPARE(std::make_tuple(s.current, s.cellChecked, s.recordMarked, s.sign, s.marked),
                     want[i]);
        }
        // Shift toggles every cell: all marked but cell 5, which was.
        for (int i = 0; i < 15; ++i) {
            QCOMPARE(bool(pageAfterShift[std::size_t(i)]), i != 5);
            QCOMPARE(marks.IsMarked(records[std::size_t(i)]), i != 5);
        }
        QCOMPARE(marks.Count(), 14);
        // Cancel leaves the clicked record shown.
        QCOMPARE(CurrentName(), p3);
    }

    // The 8th use of "&Mark/Unmark" in a run (counted across this program's cases) shows the
    // hint once, and the setting keeps it from showing again.
    void hintShownOnceAtTheEighthUse() {
        OpenCopy(false);
        QStringList hints;
        int presses = 0;
        WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CThumbnailDialog*>(modal);
            if (!dialog)
                return modal->close(), void();
            auto* button = dialog->findChild<QPushButton*>("markUnmark");
            for (; presses < 20; ++presses) {
                // The hint is modal over the browser: close it from the event loop.
                QTimer::singleShot(0, [&] {
                    QWidget* hint = QApplication::activeModalWidget();
                    if (hint && hint != dialog) {
                        hints << hint->windowTitle() + "|" +
                                     hint->findChild<QLabel*>("qt_msgbox_label")->text();
                        hint->close();
                    }
                });
                QTest::mouseClick(button, Qt::LeftButton);
                QCoreApplication::processEvents();
            }
            dialog->reject();
        });
        QCOMPARE(m_router->Run(CommandId::thumbnails), 1);
        QCOMPARE(presses, 20);
        QCOMPARE(hints, QStringList{"Hint|Click right mouse button to mark. "});
        QCOMPARE(m_settings.GetProfileString("Options", "MarkRClick", "1"), std::string("0"));
    }
};

QTEST_MAIN(ThumbnailDialogTest)
#include "ThumbnailDialogTest.moc"
