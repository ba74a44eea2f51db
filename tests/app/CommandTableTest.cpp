// The command table: exact prompts and menu texts, enable rules, toolbar and pop-up order.
#include "app/CommandTable.h"

#include <QtTest>

#include <set>
#include <string>

namespace {
CCommandState State(bool open, bool writable, bool searching, bool marks, bool picture) {
    CCommandState state;
    state.databaseOpen = open;
    state.writable = writable;
    state.searching = searching;
    state.marksExist = marks;
    state.pictureShown = picture;
    return state;
}

bool Enabled(int id, const CCommandState& state) {
    const CCommandEntry* entry = FindCommand(id);
    return entry && IsCommandEnabled(*entry, state);
}
} // namespace

class CommandTableTest : public QObject {
    Q_OBJECT

private slots:
    void everyCommandHasItsExactPrompt_data();
    void everyCommandHasItsExactPrompt();
    void idsAreUniqueAndRecentFilesShareOneEntry();
    void displayAllOnlyWhileSearching();
    void markedDataCommandsNeedMarksButMarkUnmarkNever();
    void writableCommandsAreOffForReadOnlyOrClosedDatabase();
    void copyNeedsAShownPicture();
};

void CommandTableTest::everyCommandHasItsExactPrompt_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("prompt");
    const std::pair<int, const char*> expected[] = {
        {57601, "Open Picdex file\nOpen"},
        {32795, "Add data\nAdd date"},
        {57604, "Save as\nSave as"},
        {32792, "Use the displayed image as wallpaper\nWallpaper"},
        {57607, "Print\nPrint"},
        {57609, "Preview print\nPreview"},
        {57606, "Printer set-up\nPrinter set-up"},
        {57616, "Open most recently used File"},
        {57623, "Open most recently used File"},
        {57665, "Exit Picdex\nExit"},
        {32789, "Search data\nSearch"},
        {32790, "Display all data\nDisplay all"},
        {57634, "Copy the image to the clip board\nCopy"},
        {32802, "Mark/Unmark\nMark/Unmark"},
        {32804, "Unmark all\nUnmark all"},
        {32801, "Page among marked data\nPage among marked data"},
        {32800, "Display marked thumbnails\nMarked thumbnails"},
        {32807, "Delete marked data\nDe&lete marked data"},
        {32803, "Add/Delete keyword on marked data\nAdd/Delete keyword"},
        {32805, "Transfer marked data\nTransfer marked data"},
        {32809, "Output marked data\nOutput marked data"},
        {32808, "Mark searched data\nMark searched data"},
        {59392, "Show/Hide Toolbar\nToolbar"},
        {59393, "Show/Hide status bar\nStatus bar"},
        {32787, "Show/Hide Data properties\nData properties"},
        {32786, "Sort\nSort"},
        {32788, "Options\nOptions"},
        {32791, "Delete the displayed data\nDelete"},
        {32806, "Check for duplicated data\nCheck for duplicated data"},
        {32798, "Reconstruct the file\nReconstruct"},
        {32799, "Output all the data\nOutput all"},
        {32811, "Data exchange\nData exchange"},
        {32797, "Set password\nPassword"},
        {32796, "Slide show\nSlide show"},
        {57667, "Help\nHelp"},
        {32810, "File properties\nFile properties"},
        {57664, "About Picdex\nAbout Picdex"},
        {32771, "Zoom in\nZoom in"},
        {32782, "100%\n100%"},
        {32783, "Top of data\nTop"},
        {32779, "Previous data\nPrevious"},
        {32778, "Next data\nNext"},
        {32784, "Bottom of data\nBottom"},
        {32794, "Thumbnails\nThumbnails"},
    };
    for (const auto& [id, prompt] : expected)
        QTest::newRow(std::to_string(id).c_str()) << id << QString::fromUtf8(prompt);
}

void CommandTableTest::everyCommandHasItsExactPrompt() {
    QFETCH(int, id);
    QFETCH(QString, prompt);
    const CCommandEntry* entry = FindCommand(id);
    QVERIFY(entry);
    QVERIFY(entry->prompt);
    QCOMPARE(QString::fromUtf8(entry->prompt), prompt);
}

void CommandTableTest::idsAreUniqueAndRecentFilesShareOneEntry() {
    std::set<int> ids;
    for (const CCommandEntry& entry : CommandTable())
        QVERIFY2(ids.insert(entry.id).second, std::to_string(entry.id).c_str());
    QCOMPARE(FindCommand(57616), FindCommand(57620));
    QCOMPARE(FindCommand(57623), FindCommand(57616));
    QVERIFY(!FindCommand(57624));
    QVERIFY(!FindCommand(0));
}

void CommandTableTest::displayAllOnlyWhileSearching() {
    QVERIFY(!Enabled(CommandId::displayAll, State(true, true, false, true, true)));
    QVERIFY(Enabled(CommandId::displayAll, State(true, false, true, false, false)));
    // Search itself is always there.
    QVERIFY(Enabled(CommandId::search, State(false, false, false, false, false)));
}

void CommandTableTest::markedDataCommandsNeedMarksButMarkUnmarkNever() {
    const CCommandState noMarks = State(true, true, true, false, true);
    const CCommandState marks = State(true, true, false, true, true);
    for (int id : {CommandId::unmarkAll, CommandId::pageMarked, CommandId::markedThumbnails,
                   CommandId::deleteMarked, CommandId::keywordOnMarked, CommandId::transferMarked,
                   CommandId::outputMarked}) {
        QVERIFY2(!Enabled(id, noMarks), std::to_string(id).c_str());
        QVERIFY2(Enabled(id, marks), std::to_string(id).c_str());
    }
    for (const CCommandState& state : {noMarks, marks, CCommandState{}}) {
        QVERIFY(Enabled(CommandId::markToggle, state));
        QVERIFY(Enabled(CommandId::markSearched, state));
    }
}

void CommandTableTest::writableCommandsAreOffForReadOnlyOrClosedDatabase() {
    const CCommandState readOnly = State(true, false, false, true, true);
    const CCommandState writable = State(true, true, false, true, true);
    const CCommandState closed = State(false, true, false, true, true);
    for (int id : {CommandId::add, CommandId::deleteRecord, CommandId::reconstruct,
                   CommandId::setPassword, CommandId::keywordOnMarked, CommandId::transferMarked}) {
        QVERIFY2(!Enabled(id, readOnly), std::to_string(id).c_str());
        QVERIFY2(!Enabled(id, closed), std::to_string(id).c_str());
        QVERIFY2(Enabled(id, writable), std::to_string(id).c_str());
    }
    // Marked-data commands that only read stay on for a read-only database.
    QVERIFY(Enabled(CommandId::deleteMarked, readOnly));
    QVERIFY(Enabled(CommandId::outputMarked, readOnly));
    QVERIFY(Enabled(CommandId::fileOpen, closed));
}

void CommandTableTest::copyNeedsAShownPicture() {
    QVERIFY(!Enabled(CommandId::copy, State(true, true, false, false, false)));
    QVERIFY(Enabled(CommandId::copy, State(true, false, false, false, true)));
    QVERIFY(Enabled(CommandId::saveAs, State(true, false, false, false, false)));
}

QTEST_MAIN(CommandTableTest)
#include "CommandTableTest.moc"
