// The windows over the records of a real database, driven as a user would through the
// picture view's commands. Search: keyword and file-name searches, a line of the keyword
// list, the view's search key for the title. Data properties: the fill, picked keywords with
// their change flag, "&Next" writing the edits into the record that was shown, the refill on
// moves, a write that fails and a database open read-only. Marked records: the bar for paging
// among marks, the keyword dialog, transfer, the output dialog and the duplicate check.
#include "collection/KeywordEdits.h"
#include "platform/FileSystem.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/MarkBar.h"
#include "ui/dialogs/PropertiesWindow.h"
#include "ui/dialogs/SearchWindow.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>

#include <set>

namespace {
constexpr std::int32_t createdTime = 1000000000;

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}
} // namespace

class DataWindowsTest : public QObject, CViewFixture {
    Q_OBJECT

    CSearchWindow* Window() {
        if (!m_view->SearchWindow())
            m_router->Run(CommandId::search);
        return m_view->SearchWindow();
    }
    void Search(const QString& text, bool byFileName = false) {
        Child<QCheckBox>(Window(), "byFileName")->setChecked(byFileName);
        Child<QLineEdit>(Window(), "keyword")->setText(text);
        Click(Window(), "search");
    }
    // The names met going forward from the current record until one repeats.
    std::vector<std::string> Walk(bool sorted = false) {
        std::vector<std::string> names;
        std::set<std::string> seen;
        while (seen.insert(CurrentName()).second) {
            names.push_back(CurrentName());
            m_router->Run(CommandId::next);
        }
        if (sorted)
            std::sort(names.begin(), names.end());
        return names;
    }

    // A new database with one picture per entry (a.bmp, b.bmp, ...) carrying the keywords,
    // shown in the view at the first record with the window open.
    void OpenWith(const std::vector<Keywords>& records) {
        std::vector<SPicture> pictures;
        for (std::size_t i = 0; i < records.size(); ++i)
            pictures.push_back({QString(QChar('a' + int(i))) + ".bmp", Qt::green, records[i]});
        QVERIFY(OpenPictures(pictures));
        m_router->Run(CommandId::dataProperties);
        QVERIFY(Props() && Props()->isVisible());
    }
    CPropertiesWindow* Props() { return m_view->PropertiesWindow(); }
    QLineEdit* Field(int number) {
        return Child<QLineEdit>(Props(), ("keyword" + std::to_string(number)).c_str());
    }
    QString Shown() { return Child<QLabel>(Props(), "fileName")->text(); }
    QListWidget* List() { return Props()->findChild<QListWidget*>(); }
    void Type(int field, const char* text) {
        Field(field)->setFocus();
        QTest::keyClicks(Field(field), text);
    }

    void OpenAbc() {
        QVERIFY(OpenPictures({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::blue}},
                             createdTime));
    }
    void Mark(std::initializer_list<const char*> names) {
        for (const char* name : names)
            QVERIFY(m_doc->Database().Marks().Mark(RecordOf(name)));
    }
    // Runs the output command, answering its dialog with folder.
    void Output(int id, const QString& folder) {
        WhenModal([folder](QWidget* modal) {
            Child<QLineEdit>(modal, "folder")->setText(folder);
            Click(modal, "ok");
        });
        m_prompt.messages.clear();
        m_prompt.questions.clear();
        QCOMPARE(m_router->Run(id), 1);
    }
    // Runs "Add/Delete keyword on marked data" with keyword and the radio button action.
    void KeywordOnMarked(const QString& keyword, const char* action) {
        WhenModal([keyword, action](QWidget* modal) {
            Child<QLineEdit>(modal, "keyword")->insert(keyword); // as typed
            Click(modal, action);
            Click(modal, "ok");
        });
        QCOMPARE(m_router->Run(CommandId::keywordOnMarked), 1);
    }

private slots:
    void init() { QVERIFY(OpenView({300, 200}, true)); }
    void cleanup() { CloseView(); }

    // The window's controls reach the searches (their rules are the core's): a keyword
    // narrows the list and gives the title its key, a file name jumps into the full list,
    // a click on a line fills the field and a double click searches it, "Close" hides the window.
    void controlsRunTheSearches() {
        // "cat" twice (once as "Cat"), "dog" twice and "bird".
        QVERIFY(OpenPictures({{"ABC.bmp", Qt::red, {"cat"}},
                              {"zebra.bmp", Qt::red, {"dog"}},
                              {"ABACUS.bmp", Qt::red, {"bird", "Cat"}},
                              {"moon.bmp", Qt::red, {"dog"}}}));
        Search("CAT");
        QVERIFY(m_view->GetCommandState().searching && m_frame.titles > 0);
        QCOMPARE(QString::fromStdString(m_view->GetCurrentKey()).toLower(), QStringLiteral("@cat"));
        QCOMPARE(Walk(true), (std::vector<std::string>{"ABACUS.bmp", "ABC.bmp"}));
        auto* list = Child<QListWidget>(Window(), "keywordList");
        QCOMPARE(Lines(list), QStringList({"Cat [1]", "bird [1]", "cat [1]", "dog [2]"}));
        ClickLine(list, "dog");
        QCOMPARE(Child<QLineEdit>(Window(), "keyword")->text(), QStringLiteral("dog"));
        QCOMPARE(Walk(true), (std::vector<std::string>{"ABACUS.bmp", "ABC.bmp"}));
        ClickLine(list, "dog", true);
        QCOMPARE(Walk(true), (std::vector<std::string>{"moon.bmp", "zebra.bmp"}));
        Search("ab", true);
        QVERIFY(!m_view->GetCommandState().searching);
        QCOMPARE(Walk(),
                 (std::vector<std::string>{"ABACUS.bmp", "ABC.bmp", "moon.bmp", "zebra.bmp"}));
        Click(Window(), "close");
        QVERIFY(!m_view->IsSearchWindowVisible() && !m_router->IsChecked(CommandId::search));
    }

    // The command shows the current record; a line picked is an edit the frame's pane hears
    // of, a line refused (all six fields filled) none; the command hides the window. (How
    // lines fill and empty the fields is the picker's, which the Save dialog's test covers.)
    void listClicksAreEditsOfTheShownRecord() {
        OpenWith({{"sea", "sky"}, {"boat", "dune", "fog", "gull", "tide", "wave"}});
        QVERIFY(m_router->IsChecked(CommandId::dataProperties) && !Props()->IsModified());
        QCOMPARE(Shown(), QString("a.bmp"));
        ClickLine(List(), "boat");
        QCOMPARE(FieldTexts(Props()), QStringList({"sea", "sky", "boat", "", "", ""}));
        QVERIFY(m_view->HasPendingPropertyEdits() && m_frame.paneUpdates > 0);
        m_router->Run(CommandId::next);
        const QStringList full = FieldTexts(Props());
        ClickLine(List(), "sea");
        QCOMPARE(FieldTexts(Props()), full);
        QVERIFY(!m_view->HasPendingPropertyEdits());
        m_router->Run(CommandId::dataProperties);
        QVERIFY(!Props()->isVisible() && !m_router->IsChecked(CommandId::dataProperties));
    }

    void nextStoresEditsIntoShownRecordAndShowsTheNext() {
        OpenWith({{"sea"}, {"sky"}});
        Type(1, "x");
        Type(2, "harbour");
        Click(Props(), "next");
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"seax", "harbour"}));
        QVERIFY((KeywordsOf("b.bmp") == Keywords{"sky"}));
        QCOMPARE(Shown(), QString("b.bmp"));
        QCOMPARE(FieldTexts(Props()), QStringList({"sky", "", "", "", "", ""}));
        QVERIFY(!m_view->HasPendingPropertyEdits());
        // A move of the view refills the window; "&Prev" goes back.
        m_router->Run(CommandId::next);
        QCOMPARE(FieldTexts(Props()), QStringList({"seax", "harbour", "", "", "", ""}));
        Click(Props(), "prev");
        QCOMPARE(Shown(), QString("b.bmp"));
        QVERIFY(List()->findItems("harbour [1]", Qt::MatchExactly).isEmpty());
        Click(Props(), "updateList");
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
            Click(Props(), "next");
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
        QCOMPARE(FieldTexts(Props()), QStringList({"sea", "sky", "", "", "", ""}));
        QCOMPARE(Lines(List(), true), QStringList({"sea [1]", "sky [1]"}));
        QVERIFY(!m_view->HasPendingPropertyEdits());
    }

    void barPagesAmongMarksInMarkingOrderAndWraps() {
        OpenAbc();
        Mark({"c.bmp", "a.bmp"});
        QCOMPARE(m_router->Run(CommandId::pageMarked), 1);
        CMarkBar* bar = m_view->MarkBar();
        QVERIFY(bar && bar->isVisible());
        std::string shown;
        for (const char* button : {"top", "next", "next", "prev", "top", "bottom"}) {
            Click(bar, button);
            shown += CurrentName() + " ";
        }
        QCOMPARE(shown, std::string("c.bmp a.bmp c.bmp a.bmp c.bmp a.bmp "));
        m_router->Run(CommandId::unmarkAll);
        QVERIFY(!bar->isVisible());
    }

    void keywordIsAddedToAndRemovedFromTheMarkedRecordsOnly() {
        OpenAbc();
        Mark({"a.bmp", "b.bmp"});
        KeywordOnMarked("Sea", "add");
        // The field holds 31 bytes: a longer keyword is stored cut, at a character boundary.
        KeywordOnMarked(QString(20, QChar(0xE9)), "add");
        const std::string cut = QString(15, QChar(0xE9)).toStdString();
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"sea", cut}));
        QVERIFY((KeywordsOf("b.bmp") == Keywords{"sea", cut}));
        QVERIFY(KeywordsOf("c.bmp") == Keywords{});
        QCOMPARE(CurrentName(), std::string("b.bmp")); // the last mark is shown
        KeywordOnMarked("SEA", "delete");
        QVERIFY((KeywordsOf("a.bmp") == Keywords{"", cut}));
    }

    // The marked pictures are written with their creation time into the folder typed, then
    // all those not there yet. (Links standing in the folder are the core's, which the
    // tool's export test covers.)
    void outputWritesMarkedThenAll() {
        OpenAbc();
        Mark({"c.bmp", "a.bmp"});
        QVERIFY(QDir(m_dir->path()).mkdir("out"));
        const QString out = m_dir->filePath("out");
        Output(CommandId::outputMarked, out); // typed without the final "/"
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Output 2 picture files."});
        QCOMPARE(QDir(out).entryList(QDir::Files), (QStringList{"a.bmp", "c.bmp"}));
        QCOMPARE(Bytes(out + "/a.bmp"), Bytes(m_dir->filePath("a.bmp")));
        std::int32_t time = 0;
        QVERIFY(GetFileModTime((out + "/c.bmp").toStdString(), time));
        QCOMPARE(time, createdTime);
        Output(CommandId::outputAll, out + "/"); // the two there already: No
        QCOMPARE(m_prompt.messages, std::vector<std::string>{"Output 1 picture files."});
        QCOMPARE(Bytes(out + "/b.bmp"), Bytes(m_dir->filePath("b.bmp")));
    }

    // Copies whose sync fails are taken back and not counted: the count shown is what the
    // other database holds.
    void transferCountsOnlyTheCopiesWritten() {
        QVERIFY(OpenPictures({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}}));
        {
            CPictureDatabase other;
            QVERIFY(other.OpenDatabase(Path("other.PXM"), true));
        }
        Mark({"b.bmp", "a.bmp"});
        WhenModal([this](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->selectFile(m_dir->filePath("other.PXM"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        FaultInjection::Arm(FaultInjection::Operation::sync, 1, FaultInjection::Fault::ioError);
        QCOMPARE(m_router->Run(CommandId::transferMarked), 1);
        FaultInjection::Disarm();
        const int kept = LiveRecords(Path("other.PXM"));
        QVERIFY(kept >= 0 && kept < 2 && !m_prompt.messages.empty());
        QCOMPARE(m_prompt.messages.back(),
                 "Transferred " + std::to_string(kept) + " of 2 marked pictures.");
    }

    // Equal pictures are marked (after a Yes) and shown.
    void duplicateCheckMarksEqualPicturesAndShowsThem() {
        QVERIFY(OpenPictures({{"a.bmp", Qt::red}, {"b.bmp", Qt::green}, {"c.bmp", Qt::red}}));
        m_prompt.answers = {true};
        QStringList shown;
        WhenModal([&shown](QWidget* modal) {
            for (const char* name : {"name0", "name1", "name2"})
                shown << Child<QLabel>(modal, name)->text();
            Click(modal, "cancel");
        });
        QCOMPARE(m_router->Run(CommandId::checkDuplicates), 1);
        QCOMPARE(shown, (QStringList{"a.bmp", "c.bmp", ""}));
        CMarkList& marks = m_doc->Database().Marks();
        QVERIFY(marks.Count() == 2 && marks.IsMarked(RecordOf("c.bmp")));
        QVERIFY(m_view->MarkBar() && m_view->MarkBar()->isVisible());
    }
};

QTEST_MAIN(DataWindowsTest)
#include "DataWindowsTest.moc"
