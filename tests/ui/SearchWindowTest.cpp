// The search window driven as a user would, over the picture view and a real database:
// keyword and file-name searches, a line of the keyword list, the "List of keywords"
// dialog, the view's search key for the title, "Display all" and "Mark searched data".
#include "ui/dialogs/SearchWindow.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"

#include <QCheckBox>
#include <QPushButton>

#include <set>

class SearchWindowTest : public QObject, CViewFixture<> {
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

private slots:
    void init() {
        QVERIFY(OpenView(QSize()));
        QVERIFY(OpenPictures({{"ABC.bmp", Qt::red, {"cat"}},
                              {"zebra.bmp", Qt::red, {"dog"}},
                              {"ABACUS.bmp", Qt::red, {"bird", "Cat"}},
                              {"moon.bmp", Qt::red, {"dog"}}}));
    }
    void cleanup() { CloseView(); }

    // The window's controls reach the searches (their rules are the core's): a keyword
    // narrows the list and gives the title its key, a file name jumps into the full list,
    // a click on a line fills the field and a double click searches it, "Close" hides the window.
    void controlsRunTheSearches() {
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

    // Alt+L opens the "List of keywords" dialog, whose line is searched and remembered.
    void keywordListDialogSearchesItsLineAndRemembersIt() {
        QVERIFY(QTest::qWaitForWindowExposed(Window()));
        int birdRow = -1;
        WhenModal([&birdRow](QWidget* dialog) {
            auto* list = Child<QListWidget>(dialog, "keywordList");
            birdRow = list->row(list->findItems("bird [1]", Qt::MatchExactly).value(0));
            list->setCurrentRow(birdRow);
            Click(dialog, "search");
        });
        QTest::keyClick(Window(), Qt::Key_L, Qt::AltModifier);
        QCOMPARE(CurrentName(), std::string("ABACUS.bmp"));
        QCOMPARE(Walk().size(), std::size_t(1));
        QCOMPARE(m_settings.GetProfileString("Options", "KeyListAt", ""), std::to_string(birdRow));
    }
};

QTEST_MAIN(SearchWindowTest)
#include "SearchWindowTest.moc"
