// The "Save" dialog over a real database: the keyword list, how selecting lines fills the
// six fields, the byte limit of a field, and the choice and keywords it hands back.

#include "ui/dialogs/SaveDialog.h"
#include "storage/PictureDatabase.h"
#include "ui/WhenModal.h"
#include "ui/dialogs/QtAddDialogs.h"

#include "platform/MemFile.h"
#include "storage/Crc16.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

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

void Click(QWidget* dialog, const char* name) {
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    QTest::mouseClick(button, Qt::LeftButton);
}
} // namespace

class SaveDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void listShowsEachKeywordWithItsCount();
    void selectingLinesFillsFirstEmptyFieldsInOrder();
    void deselectingEmptiesItsFieldAndFreesIt();
    void keywordAlreadyInFieldIsNotRepeated();
    void seventhSelectionIsDeselected();
    void rebuildSelectsLinesOfFilledFields();
    void fieldsCutAtUtf8BoundaryAt31Bytes();
    void saveAllEnabledOnlyForSeveralFiles();
    void buttonsGiveChoiceAndKeywords_data();
    void buttonsGiveChoiceAndKeywords();
    void opensAtScreenTopLeft();

private:
    QLineEdit* Field(CSaveDialog& dialog, int number);
    QListWidget* List(CSaveDialog& dialog);
    void ClickLine(CSaveDialog& dialog, const QString& keyword);
    QStringList Selected(CSaveDialog& dialog);
    QStringList Fields(CSaveDialog& dialog);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CPictureDatabase> m_db;
};

void SaveDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_db = std::make_unique<CPictureDatabase>();
    const std::string path = m_dir->filePath(QStringLiteral("test.PXM")).toStdString();
    QCOMPARE(m_db->OpenDatabase(path, true), 1);
    const CPictureDatabase::Keywords records[] = {
        {"cat", "dog", "", "", "", ""},
        {"cat", "bird", "", "", "", ""},
        {"cat", "eel", "fox", "gnu", "hen", "ant"},
    };
    int n = 0;
    for (const auto& keywords : records) {
        CMemFile bytes;
        const std::string data = "picture bytes " + std::to_string(n);
        bytes.Write(data.data(), data.size());
        bytes.SeekToBegin();
        const std::string name = "/pictures/p" + std::to_string(n++) + ".bmp";
        const std::uint16_t crc =
            UpdateCrc16(0, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()});
        QCOMPARE(m_db->AddRecord(bytes, crc, name, 1000 + n, 4, 4, keywords), 1);
    }
}

void SaveDialogTest::cleanup() {
    m_db.reset();
    m_dir.reset();
}

QLineEdit* SaveDialogTest::Field(CSaveDialog& dialog, int number) {
    return dialog.findChild<QLineEdit*>(QStringLiteral("keyword%1").arg(number));
}

QListWidget* SaveDialogTest::List(CSaveDialog& dialog) {
    return dialog.findChild<QListWidget*>(QStringLiteral("keywordList"));
}

// Clicks the line of keyword as the user would.
void SaveDialogTest::ClickLine(CSaveDialog& dialog, const QString& keyword) {
    QListWidget* list = List(dialog);
    const auto found = list->findItems(keyword + QStringLiteral(" ["), Qt::MatchStartsWith);
    QVERIFY2(found.size() == 1, qPrintable(keyword));
    list->scrollToItem(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.first()).center());
}

QStringList SaveDialogTest::Selected(CSaveDialog& dialog) {
    QStringList lines;
    for (QListWidgetItem* item : List(dialog)->selectedItems())
        lines << item->text();
    lines.sort();
    return lines;
}

QStringList SaveDialogTest::Fields(CSaveDialog& dialog) {
    QStringList texts;
    for (int i = 1; i <= 6; ++i)
        texts << Field(dialog, i)->text();
    return texts;
}

void SaveDialogTest::listShowsEachKeywordWithItsCount() {
    CSaveDialog dialog(*m_db, true, nullptr);
    QStringList lines;
    for (int row = 0; row < List(dialog)->count(); ++row)
        lines << List(dialog)->item(row)->text();
    QCOMPARE(lines, QStringList({"ant [1]", "bird [1]", "cat [3]", "dog [1]", "eel [1]", "fox [1]",
                                 "gnu [1]", "hen [1]"}));
    QCOMPARE(Fields(dialog), QStringList(6, QString()));
    QVERIFY(Selected(dialog).isEmpty());
}

void SaveDialogTest::selectingLinesFillsFirstEmptyFieldsInOrder() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ClickLine(dialog, "cat");
    ClickLine(dialog, "ant");
    ClickLine(dialog, "hen");
    QCOMPARE(Fields(dialog), QStringList({"cat", "ant", "hen", "", "", ""}));
    QCOMPARE(Selected(dialog), QStringList({"ant [1]", "cat [3]", "hen [1]"}));
}

void SaveDialogTest::deselectingEmptiesItsFieldAndFreesIt() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ClickLine(dialog, "cat");
    ClickLine(dialog, "dog");
    ClickLine(dialog, "eel");
    ClickLine(dialog, "dog");
    QCOMPARE(Fields(dialog), QStringList({"cat", "", "eel", "", "", ""}));
    // The freed field is the first empty one again.
    ClickLine(dialog, "fox");
    QCOMPARE(Fields(dialog), QStringList({"cat", "fox", "eel", "", "", ""}));
    QCOMPARE(Selected(dialog), QStringList({"cat [3]", "eel [1]", "fox [1]"}));
}

void SaveDialogTest::keywordAlreadyInFieldIsNotRepeated() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(Field(dialog, 2), "gnu");
    ClickLine(dialog, "gnu");
    QCOMPARE(Fields(dialog), QStringList({"", "gnu", "", "", "", ""}));
    QCOMPARE(Selected(dialog), QStringList({"gnu [1]"}));
}

void SaveDialogTest::seventhSelectionIsDeselected() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (const char* keyword : {"ant", "bird", "cat", "dog", "eel", "fox"})
        ClickLine(dialog, keyword);
    ClickLine(dialog, "gnu");
    const QStringList six({"ant", "bird", "cat", "dog", "eel", "fox"});
    QCOMPARE(Fields(dialog), six);
    QCOMPARE(Selected(dialog).size(), 6);
    QVERIFY(!Selected(dialog).contains("gnu [1]"));
    // Refused again on a second try; a line that was taken still frees its field.
    ClickLine(dialog, "gnu");
    QCOMPARE(Fields(dialog), six);
    ClickLine(dialog, "bird");
    QCOMPARE(Fields(dialog), QStringList({"ant", "", "cat", "dog", "eel", "fox"}));
}

void SaveDialogTest::rebuildSelectsLinesOfFilledFields() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ClickLine(dialog, "ant");
    QTest::keyClicks(Field(dialog, 2), "dog");
    // A field whose text only begins a keyword selects nothing.
    QTest::keyClicks(Field(dialog, 3), "ca");
    dialog.RebuildKeywordList();
    QCOMPARE(List(dialog)->count(), 8);
    QCOMPARE(Selected(dialog), QStringList({"ant [1]", "dog [1]"}));
    // The list follows the selection made by the rebuild: deselecting empties the field.
    ClickLine(dialog, "dog");
    QCOMPARE(Fields(dialog), QStringList({"ant", "", "ca", "", "", ""}));
}

void SaveDialogTest::fieldsCutAtUtf8BoundaryAt31Bytes() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // 5 + 9 × 3 = 32 bytes: the last three-byte character does not fit whole.
    TypeText(Field(dialog, 1), QStringLiteral("abcdeあいうえおかきくけ"));
    QTest::keyClicks(Field(dialog, 2), QString(40, QLatin1Char('x')));
    // 30 bytes fit: the field takes one more ASCII byte but no further character.
    TypeText(Field(dialog, 3), QStringLiteral("ああああああああああbい"));
    const CPictureDatabase::Keywords keywords = dialog.Keywords();
    QCOMPARE(QString::fromStdString(keywords[0]), QStringLiteral("abcdeあいうえおかきく"));
    QCOMPARE(keywords[0].size(), std::size_t(29));
    QCOMPARE(keywords[1], std::string(31, 'x'));
    QCOMPARE(QString::fromStdString(keywords[2]), QStringLiteral("ああああああああああb"));
    QCOMPARE(keywords[2].size(), std::size_t(31));
}

void SaveDialogTest::saveAllEnabledOnlyForSeveralFiles() {
    CSaveDialog single(*m_db, false, nullptr);
    CSaveDialog several(*m_db, true, nullptr);
    QVERIFY(!single.findChild<QPushButton*>("saveAll")->isEnabled());
    QVERIFY(several.findChild<QPushButton*>("saveAll")->isEnabled());
    QCOMPARE(single.findChild<QPushButton*>("saveAll")->text(), QStringLiteral("Save &all"));
}

void SaveDialogTest::buttonsGiveChoiceAndKeywords_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("choice");
    QTest::addColumn<bool>("keywordsTaken");
    QTest::newRow("save") << "save" << int(SaveChoice::save) << true;
    QTest::newRow("saveAll") << "saveAll" << int(SaveChoice::saveAll) << true;
    QTest::newRow("doNotSave") << "doNotSave" << int(SaveChoice::doNotSave) << false;
    QTest::newRow("cancel") << "cancel" << int(SaveChoice::cancel) << false;
}

void SaveDialogTest::buttonsGiveChoiceAndKeywords() {
    QFETCH(QString, button);
    QFETCH(int, choice);
    QFETCH(bool, keywordsTaken);
    CQtAddDialogs dialogs(*m_db, nullptr);
    bool reached = false;
    WhenModal([&](QWidget* modal) {
        reached = true;
        QCOMPARE(modal->windowTitle(), QStringLiteral("Save"));
        auto* list = modal->findChild<QListWidget*>("keywordList");
        auto* item = list->findItems("bird [1]", Qt::MatchExactly).value(0);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(item).center());
        QTest::keyClicks(modal->findChild<QLineEdit*>("keyword3"), "tree");
        Click(modal, button.toLatin1().constData());
    });
    CPictureDatabase::Keywords keywords;
    const SaveChoice result = dialogs.AskSave("/pictures/new.bmp", true, keywords);
    QVERIFY(reached);
    QCOMPARE(int(result), choice);
    const CPictureDatabase::Keywords expected =
        keywordsTaken ? CPictureDatabase::Keywords{"bird", "", "tree", "", "", ""}
                      : CPictureDatabase::Keywords{};
    QVERIFY(keywords == expected);
}

void SaveDialogTest::opensAtScreenTopLeft() {
    CSaveDialog dialog(*m_db, true, nullptr);
    dialog.move(300, 200);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.pos(), dialog.screen()->geometry().topLeft());
}

QTEST_MAIN(SaveDialogTest)
#include "SaveDialogTest.moc"
