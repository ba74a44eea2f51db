// The main frame: the title rule, menus and toolbar built from the command table and routed
// through one dispatcher, accessible names, enable states from the open database, the zoom
// box reaching the view, the recent-file list after a failed open, the status panes,
// closing, the opening window and opening a second database in a real second process.
#include "app/MainFrame.h"
#include "app/InstanceLauncher.h"
#include "app/OpeningWindow.h"
#include "app/RecentFileList.h"
#include "app/WindowTitle.h"
#include "app/ZoomBox.h"
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandTable.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
struct CPrivateHome {
    CPrivateHome() {
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + "/data").toUtf8());
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir m_dir;
};
CPrivateHome privateHome;

// Records what the core shows; every question is answered No.
class CRecordingPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { m_texts.emplace_back(text); }
    bool AskYesNo(std::string_view text) override {
        m_texts.emplace_back(text);
        return false;
    }
    std::vector<std::string> m_texts;
};

// A database at path holding one BMP record named name with keyword.
void CreateDatabase(const std::string& path, const std::string& name, const std::string& keyword) {
    CPictureDatabase db;
    QVERIFY(db.OpenDatabase(path, true));
    if (name.empty())
        return;
    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(image.save(&buffer, "BMP"));
    CMemFile file;
    file.Write(bytes.constData(), std::size_t(bytes.size()));
    file.SeekToBegin();
    CPictureDatabase::Keywords keywords{};
    keywords[0] = keyword;
    const std::uint16_t crc = UpdateCrc16(
        0, {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    QVERIFY(db.AddRecord(file, crc, name, 0, 8, 8, keywords));
}

// True while another open file description holds the exclusive lock of path.
bool IsLockedElsewhere(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

QByteArray CommandLineOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Ends the process started for the test, whatever the test's outcome.
struct CProcessKiller {
    ~CProcessKiller() {
        if (m_pid > 0)
            ::kill(pid_t(m_pid), SIGKILL);
    }
    qint64 m_pid = 0;
};
} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void titleRule();
    void titleFollowsTheOpenDatabaseRecordAndSearchKey();
    void toolbarHoldsTheBuildsButtonsInOrderWithTheZoomBox();
    void menuItemsCarryTextKeysAndPrompts();
    void everyItemButtonAndKeyReachesItsHandler();
    void disabledCommandsDoNothingAndUnhandledOnesAreNotOffered();
    void everyControlHasAnAccessibleName();
    void enableStatesFollowTheDatabase();
    void aFailedOpenLeavesTheHeadOfTheRecentFileList();
    void zoomBoxValueReachesTheViewLimitedTo500();
    void statusPanesAreAsWideAsTheirTexts();
    void openMenuGivesTheWholeStatusBarToThePrompt();
    void closeFrameClosesFromTheEventLoop();
    void openingWindowClosesOnTheFirstKeyOrAfterItsTime();
    void openingASecondDatabaseStartsASecondProcess();

private:
    std::string DbPath(const char* name) const {
        return (m_temp->path() + "/" + name).toStdString();
    }

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<CRecordingPrompt> m_prompt;
    std::unique_ptr<CScopedPrompt> m_promptScope;
    std::unique_ptr<CMemorySettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recent;
    std::unique_ptr<CInstanceLauncher> m_launcher;
    std::unique_ptr<CPicdexDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

void MainFrameTest::init() {
    m_temp = std::make_unique<QTemporaryDir>();
    m_prompt = std::make_unique<CRecordingPrompt>();
    m_promptScope = std::make_unique<CScopedPrompt>(*m_prompt);
    m_settings = std::make_unique<CMemorySettings>();
    m_recent = std::make_unique<CRecentFileList>();
    m_launcher = std::make_unique<CInstanceLauncher>();
    m_launcher->SetProgramPath(QStringLiteral(PICDEX_PROGRAM_PATH));
    m_doc = std::make_unique<CPicdexDoc>();
    m_frame = std::make_unique<CMainFrame>(*m_doc, *m_settings, *m_recent, *m_launcher);
}

void MainFrameTest::cleanup() {
    m_frame.reset();
    m_doc.reset();
    m_launcher.reset();
    m_recent.reset();
    m_settings.reset();
    m_promptScope.reset();
    m_prompt.reset();
    m_temp.reset();
}

void MainFrameTest::titleRule() {
    QCOMPARE(FormatTitle("/pics/HOLIDAY.PXM", "beach.jpg", 0, "ignored"),
             std::string("Picdex - /pics/HOLIDAY.PXM(beach.jpg)"));
    QCOMPARE(FormatTitle("/pics/HOLIDAY.PXM", "", 1, ""),
             std::string("Picdex - /pics/HOLIDAY.PXM(-)"));
    QCOMPARE(FormatTitle("", "", 0, ""), std::string("Picdex - (-)"));
    QCOMPARE(FormatTitle("/pics/HOLIDAY.PXM", "beach.jpg", 2, "@sea"),
             std::string("Picdex - /pics/HOLIDAY.PXM(beach.jpg [@sea])"));
    QCOMPARE(FormatTitle("/pics/HOLIDAY.PXM", "beach.jpg", 0, "", true),
             std::string("Picdex - /pics/HOLIDAY.PXM (read only)(beach.jpg)"));
}

void MainFrameTest::titleFollowsTheOpenDatabaseRecordAndSearchKey() {
    const std::string path = DbPath("HOLIDAY.PXM");
    CreateDatabase(path, "beach.bmp", "sea");
    m_frame->OpenDocumentByPath(path);
    QVERIFY(m_doc->Database().IsOpen());
    QCOMPARE(m_frame->windowTitle(), QString::fromStdString("Picdex - " + path + "(beach.bmp)"));
    // The path went to the top of the recent-file list, and the list was stored at once.
    QCOMPARE(m_settings->GetProfileString("Recent File List", "File1", ""), path);
    QVERIFY(m_frame->Action(CommandId::recentFirst)->isVisible());

    QVERIFY(SearchKeyword(*m_doc, "@sea"));
    m_frame->View()->SetListMode(2);
    m_frame->UpdateTitle();
    QCOMPARE(m_frame->windowTitle(),
             QString::fromStdString("Picdex - " + path + "(beach.bmp [@sea])"));
    QVERIFY(m_prompt->m_texts.empty());
}

void MainFrameTest::toolbarHoldsTheBuildsButtonsInOrderWithTheZoomBox() {
    // The buttons shown are the handled ones of the layout, in its order, with the zoom box
    // in the place of its placeholder; separators never stand first, last or doubled.
    std::vector<int> expected;
    for (const int id : ToolbarLayout()) {
        if (id == 0 ? !expected.empty() && expected.back() != 0
                    : id == CommandId::toolbarPlaceholder || m_frame->Router().HasHandler(id))
            expected.push_back(id);
    }
    if (!expected.empty() && expected.back() == 0)
        expected.pop_back();
    std::vector<int> shown;
    for (QAction* action : m_frame->ToolBar()->actions()) {
        if (action->isSeparator()) {
            shown.push_back(0);
        } else if (m_frame->ToolBar()->widgetForAction(action) == m_frame->ZoomBox()) {
            shown.push_back(CommandId::toolbarPlaceholder);
        } else {
            const auto id = std::find_if(
                CommandTable().begin(), CommandTable().end(),
                [&](const CCommandEntry& e) { return m_frame->Action(e.id) == action; });
            QVERIFY(id != CommandTable().end());
            shown.push_back(id->id);
        }
    }
    QCOMPARE(shown, expected);
    QVERIFY(shown.size() > 10);
    QCOMPARE(m_frame->ZoomBox()->width(), 80);
    QCOMPARE(m_frame->Action(CommandId::next)->toolTip(), QString("Next"));
    QCOMPARE(m_frame->Action(CommandId::next)->statusTip(), QString("Next data"));
    QVERIFY(!m_frame->Action(CommandId::next)->icon().isNull());
}

void MainFrameTest::menuItemsCarryTextKeysAndPrompts() {
    QAction* open = m_frame->Action(CommandId::fileOpen);
    QVERIFY(open);
    QCOMPARE(open->text(), QString("&Open..."));
    QCOMPARE(open->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(open->statusTip(), QString("Open Picdex file"));
    QCOMPARE(open->toolTip(), QString("Open"));
    QCOMPARE(m_frame->Action(CommandId::copy)->shortcut(), QKeySequence("Ctrl+C"));
    QCOMPARE(m_frame->Action(CommandId::deleteRecord)->shortcut(), QKeySequence(Qt::Key_Delete));
    const QList<QKeySequence> zoomIn = m_frame->Action(CommandId::zoomIn)->shortcuts();
    QVERIFY(zoomIn.contains(QKeySequence(Qt::Key_Plus)));
    QVERIFY(zoomIn.contains(QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)));
    QVERIFY(m_frame->Action(CommandId::zoomOut)->shortcuts().contains(QKeySequence(Qt::Key_Minus)));
    QCOMPARE(m_frame->Action(CommandId::next)->shortcut(), QKeySequence("Ctrl+Down"));
    QVERIFY(m_frame->Action(CommandId::zoomFit)->shortcuts().contains(QKeySequence("*")));
}

namespace {
// Every enable rule holds.
CCommandState Everything() {
    CCommandState state;
    state.databaseOpen = state.writable = state.searching = state.marksExist = true;
    state.pictureShown = state.recordShown = true;
    return state;
}

// Gives every command that has a handler one that records its id instead.
std::vector<int> RecordEveryCommand(CCommandRouter& router, std::vector<int>& ran) {
    std::vector<int> ids;
    for (const CCommandEntry& entry : CommandTable()) {
        if (router.HasHandler(entry.id)) {
            router.Register(entry.id, [&ran, id = entry.id] { ran.push_back(id); });
            ids.push_back(entry.id);
        }
    }
    return ids;
}
} // namespace

void MainFrameTest::everyItemButtonAndKeyReachesItsHandler() {
    m_frame->show();
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    CCommandRouter& router = m_frame->Router();
    std::vector<int> ran;
    const std::vector<int> ids = RecordEveryCommand(router, ran);
    router.SetStateSource(Everything);
    m_frame->UpdateCommandStates();
    for (const int id : ids) {
        QAction* action = m_frame->Action(id);
        if (!action)
            continue;
        ran.clear();
        action->trigger();
        QCOMPARE(ran, std::vector<int>{id});
        // Its keys, pressed in the view, reach the same handler.
        for (const QKeySequence& key : action->shortcuts()) {
            ran.clear();
            m_frame->View()->setFocus();
            QTest::keySequence(m_frame.get(), key);
            QVERIFY2(ran == std::vector<int>{id}, qPrintable(key.toString()));
        }
    }
    // The zoom box's "Fit" runs the Fit command.
    ran.clear();
    emit m_frame->ZoomBox()->fitChosen();
    QCOMPARE(ran, std::vector<int>{CommandId::zoomFit});
}

void MainFrameTest::disabledCommandsDoNothingAndUnhandledOnesAreNotOffered() {
    CCommandRouter& router = m_frame->Router();
    for (const CCommandEntry& entry : CommandTable()) {
        if (!router.HasHandler(entry.id))
            QVERIFY2(!m_frame->Action(entry.id), qPrintable(QString::number(entry.id)));
    }
    // Nothing open: whatever needs a database, marks, a search or a picture does nothing.
    std::vector<int> ran;
    for (const int id : RecordEveryCommand(router, ran)) {
        const bool enabled = IsCommandEnabled(*FindCommand(id), CCommandState{});
        QCOMPARE(m_frame->RunCommand(id), enabled ? 1 : 0);
    }
    QVERIFY(std::find(ran.begin(), ran.end(), CommandId::deleteRecord) == ran.end());
    QVERIFY(std::find(ran.begin(), ran.end(), CommandId::markToggle) != ran.end());
}

void MainFrameTest::everyControlHasAnAccessibleName() {
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    QVERIFY(!m_frame->windowTitle().isEmpty());
    QStringList nameless;
    for (QWidget* widget : m_frame->findChildren<QWidget*>()) {
        const bool control =
            widget->focusPolicy() != Qt::NoFocus || qobject_cast<QAbstractButton*>(widget);
        if (!widget->isVisible() || !control)
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).isEmpty())
            nameless << widget->metaObject()->className() + QStringLiteral(" in ") +
                            widget->parentWidget()->metaObject()->className();
    }
    QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(", ")));
    // Menus, their items and the toolbar's buttons are named by their texts.
    QList<QAction*> items = m_frame->menuBar()->actions() + m_frame->ToolBar()->actions();
    for (QAction* menu : m_frame->menuBar()->actions())
        items += menu->menu()->actions();
    for (QAction* action : items) {
        if (action->isVisible() && !action->isSeparator())
            QVERIFY2(!action->text().remove('&').isEmpty(), qPrintable(action->toolTip()));
    }
}

void MainFrameTest::enableStatesFollowTheDatabase() {
    const std::string path = DbPath("SHARED.PXM");
    CreateDatabase(path, "one.bmp", "k");
    {
        // Another holder writes the database: this instance gets it read-only.
        CPictureDatabase writer;
        QVERIFY(writer.OpenDatabase(path, false));
        m_frame->OpenDocumentByPath(path);
        QVERIFY(m_doc->Database().IsReadOnly());
        m_frame->UpdateCommandStates();
        QVERIFY(!m_frame->Action(CommandId::deleteRecord)->isEnabled());
        QVERIFY(!m_frame->Action(CommandId::add)->isEnabled());
        QVERIFY(m_frame->Action(CommandId::markToggle)->isEnabled());
        QVERIFY(m_frame->Action(CommandId::saveAs)->isEnabled());
        QVERIFY(!m_frame->Action(CommandId::displayAll)->isEnabled());
        QVERIFY(!m_frame->Action(CommandId::unmarkAll)->isEnabled());
        QVERIFY(m_frame->Action(CommandId::copy)->isEnabled());

        // It says so, and with marks nothing that writes is on.
        QVERIFY(m_frame->windowTitle().contains(QString::fromStdString(path + " (read only)(")));
        QCOMPARE(m_frame->RunCommand(CommandId::markToggle), 1);
        m_frame->UpdateCommandStates();
        QVERIFY(m_frame->Action(CommandId::unmarkAll)->isEnabled());
        QVERIFY(!m_frame->Action(CommandId::deleteMarked)->isEnabled());
        QCOMPARE(m_frame->RunCommand(CommandId::deleteMarked), 0);
        QCOMPARE(m_doc->Database().Marks().GetMarks().size(), std::size_t(1));
    }
    QVERIFY(m_prompt->m_texts.empty());
    QVERIFY(SearchKeyword(*m_doc, "@k"));
    // The idle update alone brings the new state.
    QTRY_VERIFY_WITH_TIMEOUT(m_frame->Action(CommandId::displayAll)->isEnabled(), 3000);
}

void MainFrameTest::aFailedOpenLeavesTheHeadOfTheRecentFileList() {
    const std::string good = DbPath("GOOD.PXM");
    const std::string bad = DbPath("BAD.PXM");
    CreateDatabase(good, "", "");
    QFile junk(QString::fromStdString(bad));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    // At start-up, and through File > Open (or a recent-file item).
    for (const bool atStartUp : {true, false}) {
        m_recent->Add(good);
        m_recent->Add(bad);
        m_recent->Write(*m_settings);
        if (atStartUp)
            m_frame->OpenInitialDatabase(bad);
        else
            m_frame->OpenDocumentByPath(bad);
        QVERIFY(!m_doc->Database().IsOpen());
        QCOMPARE(m_settings->GetProfileString("Recent File List", "File1", ""), good);
    }
}

void MainFrameTest::zoomBoxValueReachesTheViewLimitedTo500() {
    CreateDatabase(DbPath("Z.PXM"), "z.bmp", "");
    m_frame->OpenDocumentByPath(DbPath("Z.PXM"));
    CZoomBox* box = m_frame->ZoomBox();
    box->setEditText("-5");
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_frame->View()->GetZoomLevel(), 5.0f);
    box->setEditText("30 %");
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_frame->View()->GetZoomLevel(), 0.3f);
    QCOMPARE(box->currentText(), QString("30 %"));

    m_frame->ShowZoomPercentText(125);
    QCOMPARE(box->currentText(), QString("125 %"));
}

void MainFrameTest::statusPanesAreAsWideAsTheirTexts() {
    m_frame->UpdateStatusPanes();
    auto* date = m_frame->findChild<QLabel*>("datePane");
    auto* time = m_frame->findChild<QLabel*>("timePane");
    auto* modified = m_frame->findChild<QLabel*>("modifiedPane");
    QVERIFY(date && time && modified);
    char expected[64];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(expected, sizeof expected, "%x", &local);
    QCOMPARE(date->text(), QString::fromLocal8Bit(expected));
    QVERIFY(!time->text().isEmpty());
    for (QLabel* pane : {date, time})
        QCOMPARE(pane->width(), pane->fontMetrics().horizontalAdvance(pane->text()));
    // No data-properties window, so nothing is waiting to be written.
    QCOMPARE(modified->text(), QString());
}

void MainFrameTest::openMenuGivesTheWholeStatusBarToThePrompt() {
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    auto* date = m_frame->findChild<QLabel*>("datePane");
    QVERIFY(date->isVisible());
    QMenu* file = m_frame->menuBar()->actions().front()->menu();
    file->popup(m_frame->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(file->isVisible());
    QVERIFY(!date->isVisible());
    file->close();
    QTRY_VERIFY(date->isVisible());
}

void MainFrameTest::closeFrameClosesFromTheEventLoop() {
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    m_frame->CloseFrame();
    QVERIFY(m_frame->isVisible());
    QTRY_VERIFY(!m_frame->isVisible());
}

void MainFrameTest::openingWindowClosesOnTheFirstKeyOrAfterItsTime() {
    m_frame->show();
    QPointer<COpeningWindow> opening = new COpeningWindow(m_frame.get());
    QSignalSpy closed(opening.data(), &COpeningWindow::closed);
    opening->show();
    QTest::keyClick(m_frame->View(), Qt::Key_A);
    QCOMPARE(closed.size(), 1);
    QTRY_VERIFY(opening.isNull());

    QElapsedTimer clock;
    clock.start();
    QPointer<COpeningWindow> timed = new COpeningWindow(m_frame.get());
    timed->show();
    QTest::qWait(COpeningWindow::showMilliseconds / 2);
    QVERIFY(!timed.isNull());
    QTRY_VERIFY_WITH_TIMEOUT(timed.isNull(), 3000);
    QVERIFY(clock.elapsed() >= COpeningWindow::showMilliseconds);
}

void MainFrameTest::openingASecondDatabaseStartsASecondProcess() {
    const std::string first = DbPath("A.PXM");
    const std::string second = DbPath("B.PXM");
    CreateDatabase(first, "a.bmp", "");
    m_frame->OpenDocumentByPath(first);
    QVERIFY(m_doc->Database().IsOpen());

    CProcessKiller killer;
    m_frame->OpenDocumentByPath(second);
    killer.m_pid = m_launcher->GetLastProcessId();
    QVERIFY(killer.m_pid > 0);
    // The program started with B as its one argument...
    QCOMPARE(CommandLineOf(killer.m_pid),
             QByteArray(PICDEX_PROGRAM_PATH) + '\0' + QByteArray::fromStdString(second) + '\0');
    // ...and opened it as its writer, creating it.
    QTRY_VERIFY_WITH_TIMEOUT(IsLockedElsewhere(second), 9000);
    // This instance keeps A.
    QCOMPARE(m_doc->Database().GetMainPath(), first);
    QCOMPARE(m_frame->windowTitle(), QString::fromStdString("Picdex - " + first + "(a.bmp)"));
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
