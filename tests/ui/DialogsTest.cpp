// The smaller dialogs: Options, the duplicate dialog's picture and answers, the prompt, the
// password question, the file dialogs' default extension, and the "Save" dialog over a real
// database (how clicking lines of the keyword list fills and empties the six fields, the byte
// limit of a field, and the choice and keywords it hands back).
#include "collection/Settings.h"
#include "imaging/PxDib.h"
#include "ui/ViewFixture.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/DuplicateDialog.h"
#include "ui/dialogs/FileDialogs.h"
#include "ui/dialogs/OptionsDialog.h"
#include "ui/dialogs/PasswordDialog.h"
#include "ui/dialogs/QtAddDialogs.h"
#include "ui/dialogs/QtPrompt.h"
#include "ui/dialogs/SaveDialog.h"

#include <QApplication>
#include <QCheckBox>
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

class DialogsTest : public QObject, CViewFixture {
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

    // Every button answers: Save and Save all hand back the keywords, the others none; the
    // duplicate dialog answers over a picture that was never loaded.
    void buttonsGiveTheirAnswers() {
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
        PxDib empty;
        for (const auto& [button, choice] :
             {std::pair("save", DuplicateChoice::save),
              std::pair("doNotSave", DuplicateChoice::doNotSave),
              std::pair("doNotSaveAny", DuplicateChoice::doNotSaveAny)}) {
            WhenModal([button](QWidget* modal) { Click(modal, button); });
            QCOMPARE(dialogs.AskDuplicate(empty, "/pictures/a.bmp"), choice);
        }
    }
    void options_data() {
        QTest::addColumn<QString>("stored"); // Force256, IgnoreDuply, OpenPic; "" nothing
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<QString>("written"); // "" nothing written
        QTest::newRow("defaults, OK") << "" << QStringList{"force256", "openPic", "ok"} << "100";
        QTest::newRow("cancel") << "" << QStringList{"force256", "ignoreDuply", "cancel"} << "";
        QTest::newRow("stored, OK") << "110" << QStringList{"ignoreDuply", "ok"} << "100";
    }
    // The boxes open on the stored values (nothing stored: "Do not display" checked and 256
    // colours off, as the view reads it); OK writes all three, Cancel nothing.
    void options() {
        QFETCH(QString, stored);
        QFETCH(QStringList, clicks);
        QFETCH(QString, written);
        const char* keys[] = {"Force256", "IgnoreDuply", "OpenPic"};
        CMemorySettings settings;
        for (int i = 0; i < stored.size(); ++i)
            settings.WriteProfileString("Options", keys[i], stored.mid(i, 1).toStdString());
        COptionsDialog dialog(settings, nullptr);
        const QString open = stored.isEmpty() ? "001" : stored;
        QCOMPARE(dialog.Force256(), open[0] == '1');
        QCOMPARE(Child<QCheckBox>(&dialog, "openPic")->isChecked(), open[2] == '1');
        WhenModal([clicks](QWidget* modal) {
            for (const QString& name : clicks)
                Click(modal, name.toLatin1().constData());
        });
        dialog.exec();
        QString after;
        for (const char* key : keys)
            after += QString::fromStdString(settings.GetProfileString("Options", key, ""));
        QCOMPARE(after, written.isEmpty() ? stored : written);
        QCOMPARE(dialog.IgnoreDuplicates(), (written.isEmpty() ? open : written)[1] == '1');
    }

    void defaultExtension() {
        const char* cases[][3] = {{"/h/picture", "bmp", "/h/picture.bmp"},
                                  {"/h/picture.jpg", "bmp", "/h/picture.jpg"},
                                  {"/h/u.v/picture", "gif", "/h/u.v/picture.gif"},
                                  {"/h/.picture", "gif", "/h/.picture.gif"},
                                  {"/tmp/x", ".pxm", "/tmp/x.pxm"}};
        for (const auto& [path, extension, result] : cases)
            QCOMPARE(AddDefaultExtension(path, extension), QString(result));
    }

    // The duplicate dialog shows the picture itself, pixel for pixel and the right way up.
    void duplicateDialogShowsThePicture() {
        const QString path = m_dir->filePath("picture.bmp");
        QVERIFY(WriteBmp(path, {7, 5}, QColor(10, 200, 30), qRgb(255, 0, 0)));
        PxDib picture;
        QCOMPARE(picture.LoadFromPath(path.toStdString()), 1);
        CDuplicateDialog dialog(picture, nullptr);
        const QImage& shown = dialog.RenderedPicture();
        QCOMPARE(shown.size(), QSize(7, 5));
        QCOMPARE(shown.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(shown.pixel(6, 4), qRgb(10, 200, 30));
    }

    // No answers No; Yes is the default button, so Enter answers Yes.
    void promptAnswers() {
        CQtPrompt prompt;
        WhenModal([](QWidget* modal) { Click(modal, "no"); });
        QVERIFY(!prompt.AskYesNo("Continue?"));
        WhenModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
        QVERIFY(prompt.AskYesNo("Continue?"));
    }

    // The entry is masked and cut to 12 characters; each question starts empty; Cancel
    // leaves the caller's text alone.
    void passwordDialogGivesEntryOrCancel() {
        CQtPasswordDialog dialog(nullptr);
        QString state;
        WhenModal([&](QWidget* modal) {
            auto* field = Child<QLineEdit>(modal, "password");
            state = field->text() + QString::number(field->echoMode() == QLineEdit::Password);
            QTest::keyClicks(field, "Secret-Word-123");
            Click(modal, "ok");
        });
        std::string entered;
        QVERIFY(dialog.AskPassword(entered));
        QCOMPARE(entered, std::string("Secret-Word-"));
        QCOMPARE(state, QString("1"));
        WhenModal([&](QWidget* modal) {
            state = Child<QLineEdit>(modal, "password")->text();
            Click(modal, "cancel");
        });
        QVERIFY(!dialog.AskPassword(entered));
        QCOMPARE(state, QString());
        QCOMPARE(entered, std::string("Secret-Word-"));
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
