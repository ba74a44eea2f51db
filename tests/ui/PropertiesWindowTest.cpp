// The data-properties window driven through the picture view's commands over a real
// database: the fill, picked keywords with their change flag, "&Next" writing the edits
// into the record that was shown, the refill on moves, a write that fails and a database
// open read-only.
#include "ui/dialogs/PropertiesWindow.h"
#include "collection/KeywordEdits.h"
#include "ui/ViewFixture.h"

#include <QLabel>

class PropertiesWindowTest : public QObject, CViewFixture<> {
    Q_OBJECT

    // A new database with one picture per entry (a.bmp, b.bmp, ...) carrying the keywords,
    // shown in the view at the first record with the window open.
    void OpenWith(const std::vector<Keywords>& records) {
        std::vector<SPicture> pictures;
        for (std::size_t i = 0; i < records.size(); ++i)
            pictures.push_back({QString(QChar('a' + int(i))) + ".bmp", Qt::green, records[i]});
        QVERIFY(OpenPictures(pictures));
        m_router->Run(CommandId::dataProperties);
        QVERIFY(Window() && Window()->isVisible());
    }
    CPropertiesWindow* Window() { return m_view->PropertiesWindow(); }
    QLineEdit* Field(int number) {
        return Child<QLineEdit>(Window(), ("keyword" + std::to_string(number)).c_str());
    }
    QString Shown() { return Child<QLabel>(Window(), "fileName")->text(); }
    QListWidget* List() { return Window()->findChild<QListWidget*>(); }
    void Type(int field, const char* text) {
        Field(field)->setFocus();
        QTest::keyClicks(Field(field), text);
    }

private slots:
    void init() { QVERIFY(OpenView({300, 200}, true)); }
    void cleanup() { CloseView(); }

    void commandShowsCurrentRecordAndHidesAgain() {
        OpenWith({{"sea", "sky"}, {"sea"}});
        QVERIFY(m_router->IsChecked(CommandId::dataProperties));
        QCOMPARE(Shown(), QString("a.bmp"));
        QCOMPARE(FieldTexts(Window()), QStringList({"sea", "sky", "", "", "", ""}));
        QCOMPARE(Lines(List(), true), QStringList({"sea [2]", "sky [1]"}));
        QVERIFY(!Window()->IsModified());
        m_router->Run(CommandId::dataProperties);
        QVERIFY(!Window()->isVisible() && !m_router->IsChecked(CommandId::dataProperties));
    }

    // A line fills the next empty field and a second click empties it again; with all six
    // filled a line changes nothing.
    void listClicksFillAndEmptyTheNextField() {
        OpenWith({{"sea", "sky"}, {"boat", "dune", "fog", "gull", "tide", "wave"}});
        ClickLine(List(), "boat");
        QCOMPARE(FieldTexts(Window()), QStringList({"sea", "sky", "boat", "", "", ""}));
        QVERIFY(m_view->HasPendingPropertyEdits() && m_frame.paneUpdates > 0);
        ClickLine(List(), "boat");
        QCOMPARE(FieldTexts(Window()), QStringList({"sea", "sky", "", "", "", ""}));
        m_router->Run(CommandId::next);
        const QStringList full = FieldTexts(Window());
        ClickLine(List(), "sea");
        QCOMPARE(FieldTexts(Window()), full);
        QVERIFY(!m_view->HasPendingPropertyEdits());
    }

    void nextStoresEditsIntoShownRecordAndShowsTheNext() {
        OpenWith({{"sea"}, {"sky"}});
        Type(1, "x");
        Type(2, "harbour");
        Click(Window(), "next");
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"seax", "harbour"}));
        QVERIFY((KeywordsOf("b.bmp") == Keywords{"sky"}));
        QCOMPARE(Shown(), QString("b.bmp"));
        QCOMPARE(FieldTexts(Window()), QStringList({"sky", "", "", "", "", ""}));
        QVERIFY(!m_view->HasPendingPropertyEdits());
        // A move of the view refills the window; "&Prev" goes back.
        m_router->Run(CommandId::next);
        QCOMPARE(FieldTexts(Window()), QStringList({"seax", "harbour", "", "", "", ""}));
        Click(Window(), "prev");
        QCOMPARE(Shown(), QString("b.bmp"));
        QVERIFY(List()->findItems("harbour [1]", Qt::MatchExactly).isEmpty());
        Click(Window(), "updateList");
        QCOMPARE(List()->findItems("harbour [1]", Qt::MatchExactly).size(), 1);
    }

    // A failed write keeps the edits on their record and says so once, even when the focus
    // comes back to the view on a disk still failing; a later move writes them.
    void failedWriteKeepsEditsOnTheirRecordAndSaysSo() {
        OpenWith({{"sea"}, {"sky"}});
        Type(2, "fog");
        {
            FaultInjection::CScopedFault fault(FaultInjection::Operation::write, 1,
                                               FaultInjection::Fault::noSpace);
            Click(Window(), "next");
        }
        QVERIFY(!m_prompt.messages.empty());
        QCOMPARE(m_prompt.messages.back(), std::string(keywordsNotSavedMessage));
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"sea"}));
        QCOMPARE(Shown() + Field(2)->text(), QString("a.bmpfog"));
        const std::size_t shown = m_prompt.messages.size();
        {
            FaultInjection::CScopedFault fault(FaultInjection::Operation::write, 1,
                                               FaultInjection::Fault::noSpace);
            m_view->clearFocus();
            m_view->setFocus();
            QTRY_VERIFY(m_view->hasFocus());
        }
        QCOMPARE(m_prompt.messages.size(), shown);
        m_router->Run(CommandId::next);
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"sea", "fog"}));
        QCOMPARE(Shown(), QString("b.bmp"));
    }

    void readOnlyDatabaseTakesNoEdits() {
        CPictureDatabase writer; // holds the files for writing: the view gets them read-only
        QVERIFY(writer.OpenDatabase(Path("pics.PXM"), true));
        QVERIFY(AddPicture(writer, Path("c.bmp"), Qt::green, -1, {"sea", "sky"}));
        QVERIFY(m_view->OpenInitialDatabase(Path("pics.PXM")));
        m_router->Run(CommandId::dataProperties);
        QTest::keyClicks(Field(3), "fog");
        ClickLine(List(), "sea");
        QCOMPARE(FieldTexts(Window()), QStringList({"sea", "sky", "", "", "", ""}));
        QCOMPARE(Lines(List(), true), QStringList({"sea [1]", "sky [1]"}));
        QVERIFY(!m_view->HasPendingPropertyEdits());
    }
};

QTEST_MAIN(PropertiesWindowTest)
#include "PropertiesWindowTest.moc"
