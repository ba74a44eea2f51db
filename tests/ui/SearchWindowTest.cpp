// The search window driven as a user would, over the picture view and a real database:
// keyword and file-name searches, a line of the keyword list, the "List of keywords"
// dialog, the view's search key for the title, "Display all" and "Mark searched data".
#include "ui/dialogs/SearchWindow.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <set>

namespace {
class CTitleFrame : public IViewFrame {
public:
    void UpdateTitle() override { ++titles; }
    int titles = 0;
};

class CSilentPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool AskYesNo(std::string_view) override { return false; }
    std::vector<std::string> messages;
};
} // namespace

class SearchWindowTest : public QObject, CViewFixture<CTitleFrame, CSilentPrompt> {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keywordSearchNarrowsTheListToItsRecords();
    void fileNameSearchJumpsIntoTheFullList();
    void chosenLineFillsTheFieldAndDoubleClickSearches();
    void keywordListDialogSearchesItsLineAndRemembersIt();
    void displayAllAndMarkSearchedWorkOnTheSearch();
    void commandShowsAndHidesTheWindow();

private:
    CSearchWindow* Window() {
        if (!m_view->SearchWindow())
            m_router->Run(CommandId::search);
        return m_view->SearchWindow();
    }
    void Search(const QString& text, bool byFileName = false) {
        CSearchWindow* window = Window();
        window->findChild<QCheckBox*>("byFileName")->setChecked(byFileName);
        QLineEdit* field = window->findChild<QLineEdit*>("keyword");
        field->clear();
        QTest::keyClicks(field, text);
        QTest::mouseClick(window->findChild<QPushButton*>("search"), Qt::LeftButton);
    }
    std::string CurrentName() {
        std::string path, name;
        m_doc->Database().GetMainPathAndCurrentName(path, name);
        return name;
    }
    // The names met going forward from the current record until one repeats.
    std::vector<std::string> Walk() {
        std::vector<std::string> names;
        std::set<std::string> seen;
        while (seen.insert(CurrentName()).second) {
            names.push_back(CurrentName());
            m_router->Run(CommandId::next);
        }
        return names;
    }
};

void SearchWindowTest::init() {
    QVERIFY(OpenView(QSize()));
    const std::string path = Path("s.PXM");
    {
        CPictureDatabase db;
        QCOMPARE(db.OpenDatabase(path, true), 1);
        const std::pair<const char*, CPictureDatabase::Keywords> records[] = {
            {"ABC.bmp", {"cat", "", "", "", "", ""}},
            {"zebra.bmp", {"dog", "", "", "", "", ""}},
            {"ABACUS.bmp", {"bird", "Cat", "", "", "", ""}},
            {"moon.bmp", {"dog", "", "", "", "", ""}},
        };
        int n = 0;
        for (const auto& [name, keywords] : records) {
            CMemFile bytes;
            const std::string data = "not decoded " + std::to_string(n);
            bytes.Write(data.data(), data.size());
            bytes.SeekToBegin();
            ++n;
            QCOMPARE(db.AddRecord(bytes, std::uint16_t(n), std::string("/p/") + name, 1000 + n, 4,
                                  4, keywords),
                     1);
        }
    }
    m_view->OpenInitialDatabase(path);
    QVERIFY(m_doc->Database().IsOpen());
}

void SearchWindowTest::cleanup() {
    CloseView();
}

void SearchWindowTest::keywordSearchNarrowsTheListToItsRecords() {
    const int titles = m_frame.titles;
    Search("CAT");
    QCOMPARE(m_view->GetListMode(), 2);
    QVERIFY(m_view->GetCommandState().searching);
    QVERIFY(m_frame.titles > titles);
    // The title's key is the current entry's: the keyword as stored.
    QCOMPARE(QString::fromStdString(m_view->GetCurrentKey()).toLower(), QStringLiteral("@cat"));
    std::vector<std::string> names = Walk();
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (std::vector<std::string>{"ABACUS.bmp", "ABC.bmp"}));

    // A keyword no record carries changes nothing.
    Search("cow");
    QCOMPARE(m_view->GetListMode(), 2);
    QCOMPARE(m_prompt.messages.back(), std::string("Data not found"));
}

void SearchWindowTest::fileNameSearchJumpsIntoTheFullList() {
    Search("cat");
    Search("ab", true);
    QCOMPARE(m_view->GetListMode(), 0);
    QVERIFY(!m_view->GetCommandState().searching);
    QCOMPARE(CurrentName(), std::string("ABACUS.bmp"));
    QCOMPARE(Walk(), (std::vector<std::string>{"ABACUS.bmp", "ABC.bmp", "moon.bmp", "zebra.bmp"}));
    Search("n", true);
    QCOMPARE(CurrentName(), std::string("zebra.bmp"));
}

void SearchWindowTest::chosenLineFillsTheFieldAndDoubleClickSearches() {
    QListWidget* list = Window()->findChild<QListWidget*>("keywordList");
    QStringList lines;
    for (int row = 0; row < list->count(); ++row)
        lines << list->item(row)->text();
    QCOMPARE(lines, QStringList({"Cat [1]", "bird [1]", "cat [1]", "dog [2]"}));
    QListWidgetItem* dog = list->findItems("dog [2]", Qt::MatchExactly).first();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(dog).center());
    QCOMPARE(Window()->findChild<QLineEdit*>("keyword")->text(), QStringLiteral("dog"));
    QCOMPARE(m_view->GetListMode(), 0);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(dog).center());
    QCOMPARE(m_view->GetListMode(), 2);
    std::vector<std::string> names = Walk();
    std::sort(names.begin(), names.end());
    QCOMPARE(names, (std::vector<std::string>{"moon.bmp", "zebra.bmp"}));
}

void SearchWindowTest::keywordListDialogSearchesItsLineAndRemembersIt() {
    CSearchWindow* window = Window();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    int birdRow = -1;
    WhenModal([&birdRow](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>("keywordList");
        birdRow = list->row(list->findItems("bird [1]", Qt::MatchExactly).value(0));
        list->setCurrentRow(birdRow);
        QTest::mouseClick(dialog->findChild<QPushButton*>("search"), Qt::LeftButton);
    });
    QTest::keyClick(window, Qt::Key_L, Qt::AltModifier);
    QCOMPARE(window->findChild<QLineEdit*>("keyword")->text(), QStringLiteral("bird"));
    QCOMPARE(m_view->GetListMode(), 2);
    QCOMPARE(CurrentName(), std::string("ABACUS.bmp"));
    QVERIFY(birdRow >= 0);
    QCOMPARE(m_settings.GetProfileString("Options", "KeyListAt", ""), std::to_string(birdRow));
}

void SearchWindowTest::displayAllAndMarkSearchedWorkOnTheSearch() {
    m_router->Run(CommandId::markSearched);
    QCOMPARE(m_prompt.messages.back(), std::string("Apply this command after pics are searched."));
    QCOMPARE(m_doc->Database().Marks().Count(), 0);
    Search("dog");
    m_router->Run(CommandId::markSearched);
    QCOMPARE(m_doc->Database().Marks().Count(), 2);
    m_router->Run(CommandId::displayAll);
    QVERIFY(!m_view->GetCommandState().searching);
    QCOMPARE(m_view->GetListMode(), 0);
    QCOMPARE(Walk().size(), std::size_t(4));
}

void SearchWindowTest::commandShowsAndHidesTheWindow() {
    QVERIFY(!m_view->IsSearchWindowVisible());
    m_router->Run(CommandId::search);
    QVERIFY(m_view->IsSearchWindowVisible());
    QVERIFY(m_router->IsCheckable(CommandId::search) && m_router->IsChecked(CommandId::search));
    QCOMPARE(m_view->SearchWindow()->windowTitle(), QStringLiteral("Search"));
    QVERIFY(!m_view->SearchWindow()->isModal());
    m_router->Run(CommandId::search);
    QVERIFY(!m_view->IsSearchWindowVisible());
    m_router->Run(CommandId::search);
    QVERIFY(m_view->IsSearchWindowVisible());
    QTest::mouseClick(m_view->SearchWindow()->findChild<QPushButton*>("close"), Qt::LeftButton);
    QVERIFY(!m_view->IsSearchWindowVisible());
    QVERIFY(!m_router->IsChecked(CommandId::search));
}

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
