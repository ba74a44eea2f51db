// The data-properties window driven through the picture view's commands over a real
// database: the fill, typed and picked keywords with their change flag, "&Next" writing the
// edits into the record that was shown, the refill on moves, and a write that fails.
#include "ui/dialogs/PropertiesWindow.h"
#include "collection/KeywordEdits.h"
#include "collection/PicdexDoc.h"
#include "platform/FaultInjection.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandRouter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace {

class CPaneFrame : public IViewFrame {
public:
    void UpdateModifiedPane() override { ++paneUpdates; }
    int paneUpdates = 0;
};

class CRecordingPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view text) override { return messages.emplace_back(text), false; }
    std::vector<std::string> messages;
};

using Keywords = CPictureDatabase::Keywords;

} // namespace

class PropertiesWindowTest : public QObject {
    Q_OBJECT

private:
    std::string Path(const QString& name) const { return m_dir->filePath(name).toStdString(); }

    // Stores an 8 × 8 picture written as file name with keywords into db.
    void AddPicture(CPictureDatabase& db, const QString& name, const Keywords& keywords) {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::green);
        QVERIFY(image.save(m_dir->filePath(name), "BMP"));
        CMemFile bytes;
        std::uint16_t crc = 0;
        QVERIFY(CPictureDatabase::ComputeCrc(bytes, Path(name), crc));
        QVERIFY(db.AddRecord(bytes, crc, Path(name), -1, 8, 8, keywords));
    }

    // A new database with one picture per entry (files a.bmp, b.bmp, ... in name order)
    // carrying the keywords given, opened in the view at the first record.
    void OpenWith(const std::vector<Keywords>& records) {
        {
            CPictureDatabase db;
            QVERIFY(db.OpenDatabase(Path("pics.PXM"), true));
            for (std::size_t i = 0; i < records.size(); ++i)
                AddPicture(db, QString(QChar('a' + int(i))) + ".bmp", records[i]);
        }
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")));
    }

    CPropertiesWindow* Show() {
        m_router->Run(CommandId::dataProperties);
        return m_view->PropertiesWindow();
    }

    QLineEdit* Field(int number) {
        return m_view->PropertiesWindow()->findChild<QLineEdit*>(QString("keyword%1").arg(number));
    }
    QString Value(const char* name) {
        return m_view->PropertiesWindow()->findChild<QLabel*>(name)->text();
    }
    QListWidget* List() { return m_view->PropertiesWindow()->findChild<QListWidget*>(); }
    void ClickButton(const char* name) {
        QTest::mouseClick(m_view->PropertiesWindow()->findChild<QPushButton*>(name),
                          Qt::LeftButton);
    }
    // Clicks the list line of keyword (a line "keyword [n]").
    void ClickLine(const QString& keyword) {
        const auto found = List()->findItems(keyword + " [", Qt::MatchStartsWith);
        QVERIFY(!found.isEmpty());
        const QRect rect = List()->visualItemRect(found.front());
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
    }
    QStringList SelectedLines() {
        QStringList lines;
        for (const QListWidgetItem* item : List()->selectedItems())
            lines << item->text();
        lines.sort();
        return lines;
    }
    QStringList FieldTexts() {
        QStringList texts;
        for (int i = 1; i <= 6; ++i)
            texts << Field(i)->text();
        return texts;
    }
    // The stored keywords of the record whose file name is name.
    Keywords StoredKeywords(const std::string& name) {
        CPictureDatabase& db = m_doc->Database();
        CIndexEntry entry;
        for (std::int32_t i = 0; i < db.Index().EntryCount(); ++i) {
            CRecordHead head;
            if (db.Index().ReadEntry(entry, i) && !entry.IsDeleted() &&
                db.ReadHead(head, entry.record) && head.FileName() == name) {
                Keywords keywords;
                for (int slot = 0; slot < 6; ++slot)
                    keywords[std::size_t(slot)] = head.Keyword(slot);
                return keywords;
            }
        }
        return {"(no record)"};
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CPicdexDoc> m_doc;
    CMemorySettings m_settings;
    CPaneFrame m_frame;
    CRecordingPrompt m_prompt;
    std::unique_ptr<CScopedPrompt> m_scopedPrompt;
    std::unique_ptr<CCommandRouter> m_router;
    std::unique_ptr<CPicdexView> m_view;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        qputenv("TMPDIR", m_dir->path().toUtf8());
        m_frame = {};
        m_prompt = {};
        m_scopedPrompt = std::make_unique<CScopedPrompt>(m_prompt);
        CPictureDatabase::ArmPasswordCheck();
        m_doc = std::make_unique<CPicdexDoc>();
        m_router = std::make_unique<CCommandRouter>();
        m_view = std::make_unique<CPicdexView>(*m_doc, m_frame, m_settings);
        m_view->RegisterCommands(*m_router);
        m_view->resize(300, 200);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup() {
        FaultInjection::Disarm();
        m_view.reset();
        m_router.reset();
        m_doc.reset();
        m_scopedPrompt.reset();
        m_dir.reset();
    }

    void commandShowsCurrentRecordAndHidesAgain() {
        OpenWith({{"sea", "sky"}, {"sea"}});
        CRecordHead head;
        QVERIFY(m_doc->GetCurrentHead(head));
        head.SetDateSaved(-1);
        QVERIFY(m_doc->Database().WriteHead(head, m_doc->Database().Index().GetCurrentRecord()));

        CPropertiesWindow* window = Show();
        QVERIFY(window && window->isVisible());
        QVERIFY(m_router->IsChecked(CommandId::dataProperties));
        QCOMPARE(Value("fileName"), QString("a.bmp"));
        QCOMPARE(Value("dateSaved"), QString()); // saved without a date
        QCOMPARE(Value("dataSize"), QString("%1 bytes").arg(head.DataSize()));
        QVERIFY(head.DataSize() > 0);
        QCOMPARE(FieldTexts(), QStringList({"sea", "sky", "", "", "", ""}));
        QCOMPARE(SelectedLines(), QStringList({"sea [2]", "sky [1]"}));
        QVERIFY(!window->IsModified());

        m_router->Run(CommandId::dataProperties);
        QVERIFY(!window->isVisible());
        QVERIFY(!m_router->IsChecked(CommandId::dataProperties));
    }

    void listClicksFillAndEmptyTheNextField() {
        OpenWith({{"sea", "sky"}, {"boat", "dune", "fog", "gull", "tide", "wave"}});
        Show();
        const int updates = m_frame.paneUpdates;
        ClickLine("boat");
        QCOMPARE(FieldTexts(), QStringList({"sea", "sky", "boat", "", "", ""}));
        QVERIFY(m_view->HasPendingPropertyEdits());
        QVERIFY(m_frame.paneUpdates > updates);
        ClickLine("boat");
        QCOMPARE(FieldTexts(), QStringList({"sea", "sky", "", "", "", ""}));

        // All six filled: a seventh line does not stay selected and changes nothing.
        m_router->Run(CommandId::next);
        const QStringList full = FieldTexts();
        ClickLine("sea");
        QCOMPARE(FieldTexts(), full);
        QVERIFY(!SelectedLines().contains("sea [1]"));
        QVERIFY(!m_view->HasPendingPropertyEdits());
    }

    void nextStoresEditsIntoShownRecordAndShowsTheNext() {
        OpenWith({{"sea"}, {"sky"}});
        Show();
        Field(1)->setFocus();
        QTest::keyClicks(Field(1), "x");
        Field(2)->setFocus();
        QTest::keyClicks(Field(2), "harbour");
        QVERIFY(m_view->HasPendingPropertyEdits());

        ClickButton("next");
        QCOMPARE(StoredKeywords("a.bmp"), (Keywords{"seax", "harbour"}));
        QCOMPARE(StoredKeywords("b.bmp"), (Keywords{"sky"}));
        QCOMPARE(Value("fileName"), QString("b.bmp"));
        QCOMPARE(FieldTexts(), QStringList({"sky", "", "", "", "", ""}));
        QVERIFY(!m_view->HasPendingPropertyEdits());

        // A move of the view refills the window; "&Prev" goes back.
        m_router->Run(CommandId::next);
        QCOMPARE(Value("fileName"), QString("a.bmp"));
        QCOMPARE(FieldTexts(), QStringList({"seax", "harbour", "", "", "", ""}));
        ClickButton("prev");
        QCOMPARE(Value("fileName"), QString("b.bmp"));
        // The list learns new keywords on request.
        QVERIFY(List()->findItems("harbour [1]", Qt::MatchExactly).isEmpty());
        ClickButton("updateList");
        QCOMPARE(List()->findItems("harbour [1]", Qt::MatchExactly).size(), 1);
    }

    void failedWriteKeepsEditsOnTheirRecordAndSaysSo() {
        OpenWith({{"sea"}, {"sky"}});
        Show();
        Field(2)->setFocus();
        QTest::keyClicks(Field(2), "fog");
        {
            FaultInjection::CScopedFault fault(FaultInjection::Operation::write, 1,
                                               FaultInjection::Fault::noSpace);
            ClickButton("next");
        }
        QVERIFY(m_prompt.messages.size() >= 2);
        QCOMPARE(m_prompt.messages.back(), std::string(keywordsNotSavedMessage));
        QCOMPARE(StoredKeywords("a.bmp"), (Keywords{"sea"}));
        QCOMPARE(Value("fileName"), QString("a.bmp"));
        QCOMPARE(Field(2)->text(), QString("fog"));
        QVERIFY(m_view->HasPendingPropertyEdits());

        // The focus coming back to the view (as after the message) does not try the same
        // edits again, which on a disk still failing would show the failure once more.
        const std::size_t shown = m_prompt.messages.size();
        {
            FaultInjection::CScopedFault fault(FaultInjection::Operation::write, 1,
                                               FaultInjection::Fault::noSpace);
            m_view->clearFocus();
            QVERIFY(!m_view->hasFocus());
            m_view->setFocus();
            QTRY_VERIFY(m_view->hasFocus());
        }
        QCOMPARE(m_prompt.messages.size(), shown);
        m_router->Run(CommandId::next);
        QCOMPARE(StoredKeywords("a.bmp"), (Keywords{"sea", "fog"}));
        QCOMPARE(Value("fileName"), QString("b.bmp"));
        QVERIFY(!m_view->HasPendingPropertyEdits());
    }

    void readOnlyDatabaseTakesNoEdits() {
        // Another holder of the files has them for writing, so the view gets them read-only.
        CPictureDatabase writer;
        QVERIFY(writer.OpenDatabase(Path("pics.PXM"), true));
        AddPicture(writer, "c.bmp", {"sea", "sky"});
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")));
        QVERIFY(m_doc->Database().IsReadOnly());
        Show();
        QCOMPARE(FieldTexts(), QStringList({"sea", "sky", "", "", "", ""}));
        QTest::keyClicks(Field(3), "fog");
        ClickLine("sea");
        QCOMPARE(FieldTexts(), QStringList({"sea", "sky", "", "", "", ""}));
        QCOMPARE(SelectedLines(), QStringList({"sea [1]", "sky [1]"}));
        QVERIFY(!m_view->HasPendingPropertyEdits());
    }
};

QTEST_MAIN(PropertiesWindowTest)
#include "PropertiesWindowTest.moc"
