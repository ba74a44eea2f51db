// The main frame: the title, every menu item, button and key routed to its handler,
// disabled commands, accessible names, enable states of a database open read-only, the
// recent-file list after a failed open, the zoom box reaching the view, closing, the
// keyword edits written on close and opening a second database in a real second process.
#include "app/MainFrame.h"
#include "app/InstanceLauncher.h"
#include "app/RecentFileList.h"
#include "app/WindowTitle.h"
#include "app/ZoomBox.h"
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "platform/MemFile.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandTable.h"
#include "ui/dialogs/PropertiesWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <csignal>
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
    bool AskYesNo(std::string_view text) override { return m_texts.emplace_back(text), false; }
    std::vector<std::string> m_texts;
};

// A database at path holding one BMP record one.bmp with keyword (none when keyword is "").
void CreateDatabase(const std::string& path, const std::string& keyword = "sea") {
    CPictureDatabase db;
    QVERIFY(db.OpenDatabase(path, true));
    if (keyword.empty())
        return;
    const std::string picture = path + ".bmp";
    QImage image(8, 8, QImage::Format_RGB888);
    image.fill(Qt::darkGreen);
    QVERIFY(image.save(QString::fromStdString(picture), "BMP"));
    CMemFile file;
    std::uint16_t crc = 0;
    QVERIFY(CPictureDatabase::ComputeCrc(file, picture, crc));
    QVERIFY(db.AddRecord(file, crc, "one.bmp", 0, 8, 8, {keyword}));
}

// Every enable rule holds.
CCommandState Everything() {
    CCommandState state;
    state.databaseOpen = state.writable = state.searching = state.marksExist = true;
    state.pictureShown = state.recordShown = true;
    return state;
}
} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

    std::string DbPath(const char* name) const {
        return (m->temp.path() + "/" + name).toStdString();
    }
    // Gives every command that has a handler one that records its id instead.
    std::vector<int> RecordEveryCommand(std::vector<int>& ran) {
        std::vector<int> ids;
        for (const CCommandEntry& entry : CommandTable())
            if (m->frame.Router().HasHandler(entry.id)) {
                m->frame.Router().Register(entry.id, [&ran, id = entry.id] { ran.push_back(id); });
                ids.push_back(entry.id);
            }
        return ids;
    }
    void Show() {
        m->frame.show();
        m->frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&m->frame));
    }

    // The frame over its document, settings, recent-file list and launcher.
    struct CFrame {
        QTemporaryDir temp;
        CRecordingPrompt prompt;
        CScopedPrompt promptScope{prompt};
        CMemorySettings settings;
        CRecentFileList recent;
        CInstanceLauncher launcher;
        CPicdexDoc doc;
        CMainFrame frame{doc, settings, recent, launcher};
    };
    std::unique_ptr<CFrame> m;

private slots:
    void init() {
        m = std::make_unique<CFrame>();
        m->launcher.SetProgramPath(QStringLiteral(PICDEX_PROGRAM_PATH));
    }
    void cleanup() { m.reset(); }

    // An open database gives the title and heads the recent-file list at once; a search
    // shows its key.
    void titleFollowsTheOpenDatabaseAndSearch() {
        const std::string path = DbPath("HOLIDAY.PXM");
        CreateDatabase(path);
        m->frame.OpenDocumentByPath(path);
        QCOMPARE(m->frame.windowTitle(), QString::fromStdString("Picdex - " + path + "(one.bmp)"));
        QCOMPARE(m->settings.GetProfileString("Recent File List", "File1", ""), path);
        QVERIFY(SearchKeyword(m->doc, "@sea"));
        m->frame.View()->SetListMode(2);
        m->frame.UpdateTitle();
        QVERIFY(m->frame.windowTitle().endsWith("(one.bmp [@sea])"));
        QVERIFY(m->prompt.m_texts.empty());
    }

    // Every item and button runs its handler, its keys pressed in the view too, and the
    // zoom box's "Fit" the Fit command; no item is offered without a handler.
    void everyItemButtonAndKeyReachesItsHandler() {
        Show();
        std::vector<int> ran;
        const std::vector<int> ids = RecordEveryCommand(ran);
        m->frame.Router().SetStateSource(Everything);
        m->frame.UpdateCommandStates();
        for (const CCommandEntry& entry : CommandTable())
            if (!m->frame.Router().HasHandler(entry.id))
                QVERIFY(!m->frame.Action(entry.id));
        for (const int id : ids) {
            QAction* action = m->frame.Action(id);
            if (!action)
                continue;
            ran.clear();
            action->trigger();
            QCOMPARE(ran, std::vector<int>{id});
            for (const QKeySequence& key : action->shortcuts()) {
                ran.clear();
                m->frame.View()->setFocus();
                QTest::keySequence(&m->frame, key);
                QVERIFY2(ran == std::vector<int>{id}, qPrintable(key.toString()));
            }
        }
        ran.clear();
        emit m->frame.ZoomBox()->fitChosen();
        QCOMPARE(ran, std::vector<int>{CommandId::zoomFit});
    }

    // Nothing open: whatever needs a database, marks, a search or a picture does nothing.
    void disabledCommandsDoNothing() {
        std::vector<int> ran;
        for (const int id : RecordEveryCommand(ran))
            QCOMPARE(m->frame.RunCommand(id),
                     IsCommandEnabled(*FindCommand(id), CCommandState{}) ? 1 : 0);
        QVERIFY(std::find(ran.begin(), ran.end(), CommandId::deleteRecord) == ran.end());
        QVERIFY(std::find(ran.begin(), ran.end(), CommandId::markToggle) != ran.end());
    }

    // Every control the user can reach, in the frame and in the properties window, has a
    // name for assistive tools; so has every menu item and button.
    void everyControlHasAnAccessibleName() {
        CreateDatabase(DbPath("A.PXM"));
        m->frame.OpenDocumentByPath(DbPath("A.PXM"));
        Show();
        QCOMPARE(m->frame.RunCommand(CommandId::dataProperties), 1);
        QStringList nameless;
        for (QWidget* top : {static_cast<QWidget*>(&m->frame),
                             static_cast<QWidget*>(m->frame.View()->PropertiesWindow())})
            for (QWidget* widget : top->findChildren<QWidget*>()) {
                if (!widget->isVisible() || (widget->focusPolicy() == Qt::NoFocus &&
                                             !qobject_cast<QAbstractButton*>(widget)))
                    continue;
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
                if (!face || face->text(QAccessible::Name).isEmpty())
                    nameless << widget->metaObject()->className();
            }
        QList<QAction*> items = m->frame.menuBar()->actions() + m->frame.ToolBar()->actions();
        for (QAction* menu : m->frame.menuBar()->actions())
            items += menu->menu()->actions();
        for (QAction* action : items)
            if (action->isVisible() && !action->isSeparator() &&
                action->text().remove('&').isEmpty())
                nameless << action->toolTip();
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(", ")));
    }

    // Another holder writes the database: this instance gets it read-only, says so, and with
    // marks nothing that writes is on; the idle update brings a later state.
    void enableStatesFollowTheDatabase() {
        const std::string path = DbPath("SHARED.PXM");
        CreateDatabase(path, "k");
        {
            CPictureDatabase writer;
            QVERIFY(writer.OpenDatabase(path, false));
            m->frame.OpenDocumentByPath(path);
            QVERIFY(m->doc.Database().IsReadOnly());
            QVERIFY(m->frame.windowTitle().contains(" (read only)("));
            QCOMPARE(m->frame.RunCommand(CommandId::markToggle), 1);
            m->frame.UpdateCommandStates();
            const std::pair<int, bool> states[] = {
                {CommandId::deleteRecord, false}, {CommandId::add, false},
                {CommandId::deleteMarked, false}, {CommandId::displayAll, false},
                {CommandId::saveAs, true},        {CommandId::unmarkAll, true}};
            for (const auto& [id, enabled] : states)
                QVERIFY2(m->frame.Action(id)->isEnabled() == enabled,
                         qPrintable(QString::number(id)));
            QCOMPARE(m->frame.RunCommand(CommandId::deleteMarked), 0);
            QCOMPARE(m->doc.Database().Marks().GetMarks().size(), std::size_t(1));
        }
        QVERIFY(m->prompt.m_texts.empty());
        QVERIFY(SearchKeyword(m->doc, "@k"));
        QTRY_VERIFY_WITH_TIMEOUT(m->frame.Action(CommandId::displayAll)->isEnabled(), 3000);
    }

    // At start-up and through File > Open, a database that fails to open does not head the
    // recent-file list.
    void aFailedOpenLeavesTheHeadOfTheRecentFileList() {
        const std::string good = DbPath("GOOD.PXM");
        const std::string bad = DbPath("BAD.PXM");
        CreateDatabase(good, "");
        QFile junk(QString::fromStdString(bad));
        QVERIFY(junk.open(QIODevice::WriteOnly) && junk.write(QByteArray(4096, 'x')) == 4096);
        junk.close();
        for (const bool atStartUp : {true, false}) {
            m->recent.Add(good);
            m->recent.Add(bad);
            m->recent.Write(m->settings);
            if (atStartUp)
                m->frame.OpenInitialDatabase(bad);
            else
                m->frame.OpenDocumentByPath(bad);
            QVERIFY(!m->doc.Database().IsOpen());
            QCOMPARE(m->settings.GetProfileString("Recent File List", "File1", ""), good);
        }
    }

    // A typed value reaches the view, capped at 500 % either way; what is no number changes
    // nothing; "fit" runs the Fit command.
    void zoomBoxValueReachesTheView() {
        CreateDatabase(DbPath("Z.PXM"));
        m->frame.OpenDocumentByPath(DbPath("Z.PXM"));
        bool fitted = false;
        m->frame.Router().Register(CommandId::zoomFit, [&fitted] { fitted = true; });
        CZoomBox* box = m->frame.ZoomBox();
        const std::pair<const char*, float> values[] = {
            {"-5", 5.0f}, {"30 %", 0.3f}, {"abc", 0.3f}, {"fit", 0.3f}, {"750", 5.0f}};
        for (const auto& [typed, level] : values) {
            box->setEditText(typed);
            box->setFocus();
            QTest::keyClick(box, Qt::Key_Return);
            QCOMPARE(m->frame.View()->GetZoomLevel(), level);
        }
        QVERIFY(fitted);
        QCOMPARE(box->currentText(), QString("500 %"));
    }

    // CloseFrame may be called from a command handler: the frame goes once that returns.
    void closeFrameClosesFromTheEventLoop() {
        Show();
        m->frame.CloseFrame();
        QVERIFY(m->frame.isVisible());
        QTRY_VERIFY(!m->frame.isVisible());
    }

    // Keyword edits waiting in the properties window show "MDF" and are written on close.
    void keywordEditsWaitingAreWrittenOnClose() {
        CreateDatabase(DbPath("EDIT.PXM"));
        m->frame.OpenDocumentByPath(DbPath("EDIT.PXM"));
        Show();
        QCOMPARE(m->frame.RunCommand(CommandId::dataProperties), 1);
        auto* modified = m->frame.findChild<QLabel*>("modifiedPane");
        QTest::keyClicks(m->frame.View()->PropertiesWindow()->findChild<QLineEdit*>("keyword2"),
                         "fog");
        QCOMPARE(modified->text(), QString("MDF"));
        m->frame.close();
        QCOMPARE(modified->text(), QString());
        CRecordHead head;
        QVERIFY(m->doc.GetCurrentHead(head));
        QCOMPARE(head.Keyword(1), std::string("fog"));
    }

    // Another database goes to a new process started with its path, which creates and
    // locks it; this instance keeps its own.
    void openingASecondDatabaseStartsASecondProcess() {
        const std::string first = DbPath("A.PXM");
        const std::string second = DbPath("B.PXM");
        CreateDatabase(first);
        m->frame.OpenDocumentByPath(first);
        m->frame.OpenDocumentByPath(second);
        const qint64 pid = m->launcher.GetLastProcessId();
        QVERIFY(pid > 0);
        auto stop = qScopeGuard([pid] { ::kill(pid_t(pid), SIGKILL); });
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        QCOMPARE(cmdline.readAll(),
                 QByteArray(PICDEX_PROGRAM_PATH) + '\0' + QByteArray::fromStdString(second) + '\0');
        auto lockedElsewhere = [&] {
            const int fd = ::open(second.c_str(), O_RDONLY | O_CLOEXEC);
            const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
            if (fd >= 0)
                ::close(fd);
            return locked;
        };
        QTRY_VERIFY_WITH_TIMEOUT(lockedElsewhere(), 9000);
        QCOMPARE(m->doc.Database().GetMainPath(), first);
    }
};

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
