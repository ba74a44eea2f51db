// The "Save" dialog over a real database: how clicking lines of the keyword list fills and
// empties the six fields, the byte limit of a field, and the choice and keywords it hands
// back.
#include "ui/dialogs/SaveDialog.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/QtAddDialogs.h"

#include <QApplication>
#include <QPushButton>

namespace {
// Types text as key presses carrying the characters (QTest's key clicks take Latin-1 only).
void TypeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}
} // namespace

class SaveDialogTest : public QObject, CViewFixture<> {
    Q_OBJECT

private slots:
    // Keywords "cat" (three records), "ant", "bird", "dog", "eel", "fox", "gnu", "hen".
    void init() {
        QVERIFY(OpenView(QSize()));
        QVERIFY(OpenPictures({{"p0.bmp", Qt::red, {"cat", "dog"}},
                              {"p1.bmp", Qt::green, {"cat", "bird"}},
                              {"p2.bmp", Qt::blue, {"cat", "eel", "fox", "gnu", "hen", "ant"}}}));
    }
    void cleanup() { CloseView(); }

    void clicksFillAndEmptyTheFields_data() {
        QTest::addColumn<QStringList>("actions"); // a keyword's line clicked, "2=text" typed
                                                  // into field 2, "rebuild" the list rebuilt
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("selected");
        QTest::newRow("first empty fields in order")
            << QStringList{"cat", "ant", "hen"} << QStringList{"cat", "ant", "hen", "", "", ""}
            << QStringList{"ant [1]", "cat [3]", "hen [1]"};
        QTest::newRow("deselecting frees the field")
            << QStringList{"cat", "dog", "eel", "dog", "fox"}
            << QStringList{"cat", "fox", "eel", "", "", ""}
            << QStringList{"cat [3]", "eel [1]", "fox [1]"};
        QTest::newRow("a keyword in a field is not repeated")
            << QStringList{"2=gnu", "gnu"} << QStringList{"", "gnu", "", "", "", ""}
            << QStringList{"gnu [1]"};
        QTest::newRow("a seventh is refused, twice")
            << QStringList{"ant", "bird", "cat", "dog", "eel", "fox", "gnu", "gnu", "bird"}
            << QStringList{"ant", "", "cat", "dog", "eel", "fox"}
            << QStringList{"ant [1]", "cat [3]", "dog [1]", "eel [1]", "fox [1]"};
        QTest::newRow("a rebuild selects the filled fields' lines")
            << QStringList{"ant", "2=dog", "3=ca", "rebuild", "dog"}
            << QStringList{"ant", "", "ca", "", "", ""} << QStringList{"ant [1]"};
    }
    void clicksFillAndEmptyTheFields() {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, selected);
        CSaveDialog dialog(m_doc->Database(), true, nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* list = Child<QListWidget>(&dialog, "keywordList");
        for (const QString& action : actions) {
            if (action == "rebuild")
                dialog.RebuildKeywordList();
            else if (action.contains('='))
                QTest::keyClicks(Child<QLineEdit>(&dialog, ("keyword" + action.left(1)).toLatin1()),
                                 action.mid(2));
            else
                ClickLine(list, action);
        }
        QCOMPARE(FieldTexts(&dialog), fields);
        QStringList lines = Lines(list, true);
        lines.sort();
        QCOMPARE(lines, selected);
    }

    // A field holds 31 bytes, cut at a UTF-8 character boundary.
    void fieldsCutAtUtf8BoundaryAt31Bytes() {
        CSaveDialog dialog(m_doc->Database(), true, nullptr);
        TypeText(Child<QLineEdit>(&dialog, "keyword1"), QStringLiteral("abcdeあいうえおかきくけ"));
        QTest::keyClicks(Child<QLineEdit>(&dialog, "keyword2"), QString(40, QLatin1Char('x')));
        TypeText(Child<QLineEdit>(&dialog, "keyword3"), QStringLiteral("ああああああああああbい"));
        const CPictureDatabase::Keywords keywords = dialog.Keywords();
        QCOMPARE(QString::fromStdString(keywords[0]), QStringLiteral("abcdeあいうえおかきく"));
        QCOMPARE(keywords[1], std::string(31, 'x'));
        QCOMPARE(QString::fromStdString(keywords[2]), QStringLiteral("ああああああああああb"));
        QVERIFY(!CSaveDialog(m_doc->Database(), false, nullptr)
                     .findChild<QPushButton*>("saveAll")
                     ->isEnabled());
    }

    // Save and Save all hand back the keywords; the others none.
    void buttonsGiveChoiceAndKeywords() {
        CQtAddDialogs dialogs(m_doc->Database(), nullptr);
        for (const auto& [button, choice] :
             {std::pair("save", SaveChoice::save), std::pair("saveAll", SaveChoice::saveAll),
              std::pair("doNotSave", SaveChoice::doNotSave),
              std::pair("cancel", SaveChoice::cancel)}) {
            WhenModal([button](QWidget* modal) {
                ClickLine(Child<QListWidget>(modal, "keywordList"), "bird");
                QTest::keyClicks(Child<QLineEdit>(modal, "keyword3"), "tree");
                Click(modal, button);
            });
            Keywords keywords;
            QCOMPARE(dialogs.AskSave("/pictures/new.bmp", true, keywords), choice);
            const bool taken = choice == SaveChoice::save || choice == SaveChoice::saveAll;
            QVERIFY(keywords == (taken ? Keywords{"bird", "", "tree"} : Keywords{}));
        }
    }
};

QTEST_MAIN(SaveDialogTest)
#include "SaveDialogTest.moc"
