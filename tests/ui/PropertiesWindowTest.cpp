// The data-properties window driven through the picture view's commands over a real
// database: the fill, typed and picked keywords with their change flag, "&Next" writing the
// edits into the record that was shown, the refill on moves, and a write that fails.
#include "ui/dialogs/PropertiesWindow.h"
#include "collection/KeywordEdits.h"
#include "ui/ViewFixture.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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

} // namespace

class PropertiesWindowTest : public QObject, CViewFixture<CPaneFrame, CRecordingPrompt> {
    Q_OBJECT

private:
    // A new database with one green picture per entry (files a.bmp, b.bmp, ... in name
    // order) carrying the keywords given, opened in the view at the first record.
    void OpenWith(const std::vector<Keywords>& records) {
        std::vector<SPicture> pictures;
        for (std::size_t i = 0; i < records.size(); ++i)
            pictures.push_back({QString(QChar('a' + int(i))) + ".bmp", Qt::green, records[i]});
        QVERIFY(OpenPictures(pictures, -1));
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

private slots:
    void init() { QVERIFY(OpenView({300, 200}, true)); }
    void cleanup() { CloseView(); }

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
        QVERIFY(AddPicture(writer, Path("c.bmp"), Qt::green, -1, {"sea", "sky"}));
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
