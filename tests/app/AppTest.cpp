// The application layer. The main frame: the title, every menu item, button and key routed
// to its handler, disabled commands, accessible names, enable states of a database open
// read-only, the recent-file list after a failed open, the zoom box reaching the view,
// closing, the keyword edits written on close and opening a second database in a real second
// process. Start-up decisions and settings: the initial database, the default database path,
// the command line, the settings store and its defaults, the recent-file list, and the
// view's reading of "Force256" (the Options dialog's, which must agree, is the dialog test's).
#include "app/InstanceLauncher.h"
#include "app/MainFrame.h"
#include "app/QtSettings.h"
#include "app/RecentFileList.h"
#include "app/StartupRules.h"
#include "app/ZoomBox.h"
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "collection/Settings.h"
#include "imaging/ImageOptions.h"
#include "platform/File.h"
#include "storage/PictureDatabase.h"
#include "ui/PicdexView.h"
#include "ui/ViewFixture.h"
#include "ui/commands/CommandTable.h"
#include "ui/dialogs/PropertiesWindow.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <functional>
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

// A database at path holding one picture, path + ".bmp", with keyword (none when keyword is "").
void CreateDatabase(const std::string& path, const std::string& keyword = "sea") {
    CPictureDatabase db;
    QVERIFY(db.OpenDatabase(path, true));
    if (!keyword.empty())
        QVERIFY(AddPicture(db, path + ".bmp", Qt::darkGreen, 0, {keyword}));
}

// Every enable rule holds.
CCommandState Everything() {
    CCommandState state;
    state.databaseOpen = state.writable = state.searching = state.marksExist = true;
    state.pictureShown = state.recordShown = true;
    return state;
}
// The sanitizer builds start slowly; a first window with its database may take a while.
constexpr int startTimeout = 30000;

// A copy of the built program at <root>/bin/picdex run as a separate process, headless,
// with settings, data and temporary files inside root (so the database it makes beside
// itself lands there) and the parent's sanitizer options. The destructor ends it.
class CProgramRun {
public:
    CProgramRun(const QString& root, const QStringList& arguments) : m_root(root) {
        QProcessEnvironment environment;
        const QProcessEnvironment parent = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"PATH", "LANG", "ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (parent.contains(name))
                environment.insert(name, parent.value(name));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        for (const char* variable : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR", "HOME"}) {
            environment.insert(variable, root + '/' + variable);
            QDir().mkpath(root + '/' + variable);
        }
        QDir(root).mkpath("bin");
        QFile::copy(PICDEX_PROGRAM_PATH, Program());
        QFile::setPermissions(Program(), QFile::ReadOwner | QFile::ExeOwner);
        m_process.setProcessEnvironment(environment);
        m_process.setWorkingDirectory(root);
        m_process.start(Program(), arguments);
    }
    ~CProgramRun() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    QString Program() const { return m_root + "/bin/picdex"; }
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Waits up to startTimeout for condition while the program runs; its last answer.
    bool WaitUntil(const std::function<bool()>& condition) {
        QDeadlineTimer deadline(startTimeout);
        while (!condition() && IsRunning() && !deadline.hasExpired())
            m_process.waitForFinished(100);
        return condition();
    }
    // The first recent file in the settings the program wrote.
    QString RecentFile1() const {
        return QSettings(m_root + "/XDG_CONFIG_HOME/Orvane/Picdex.conf", QSettings::IniFormat)
            .value("Recent File List/File1")
            .toString();
    }
    QProcess m_process;

private:
    QString m_root;
};
} // namespace

class AppTest : public QObject {
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
        CViewPrompt prompt; // every question answered No
        CScopedPrompt promptScope{prompt};
        CMemorySettings settings;
        CRecentFileList recent;
        CInstanceLauncher launcher;
        CPicdexDoc doc;
        CMainFrame frame{doc, settings, recent, launcher};
    };
    std::unique_ptr<CFrame> m;

private slots:

    // Newest first, no duplicates (compared exactly), at most eight; moving an old entry to
    // the front drops nothing.
    void newestFirstWithoutDuplicatesKeepingEight() {
        CRecentFileList list;
        for (int i = 1; i <= 10; ++i)
            list.Add("/db/" + std::to_string(i) + ".PXM");
        list.Add("/db/3.PXM");
        list.Add("");
        QCOMPARE(list.GetCount(), 8);
        QCOMPARE(list.GetPath(0) + list.GetPath(1) + list.GetPath(7),
                 "/db/3.PXM/db/10.PXM/db/4.PXM");
        QCOMPARE(list.GetPath(8) + list.GetPath(-1), std::string());
        list.Add("/db/10.pxm");
        QCOMPARE(list.GetPath(2), std::string("/db/10.PXM"));
        list.Add("/p/A&B.PXM"); // an ampersand is no mnemonic
        QCOMPARE(list.GetMenuText(0), QString("&1 /p/A&&B.PXM"));
    }

    // The first recent file when it exists; otherwise the default, whatever follows it.
    void initialDatabaseIsTheNewestExistingRecentFile() {
        const std::string fallback = "/default/picdex.PXM";
        const QString existing = m->temp.path() + "/THERE.PXM";
        QVERIFY(QFile(existing).open(QIODevice::WriteOnly));
        CMemorySettings settings;
        settings.WriteProfileString("Recent File List", "File2", existing.toStdString());
        for (const std::string& first :
             {std::string(), (m->temp.path() + "/GONE.PXM").toStdString()}) {
            settings.WriteProfileString("Recent File List", "File1", first);
            QCOMPARE(ChooseInitialDatabase(settings, fallback), fallback);
        }
        settings.WriteProfileString("Recent File List", "File1", existing.toStdString());
        QCOMPARE(ChooseInitialDatabase(settings, fallback), existing.toStdString());
    }

    void defaultDatabaseBesideAWritableProgramElseInTheDataFolder() {
        const std::string program = (m->temp.path() + "/picdex").toStdString();
        QCOMPARE(DefaultDatabasePath(program), program + ".PXM");

        const std::string dataFolder =
            (privateHome.m_dir.path() + "/data/Orvane/Picdex/").toStdString();
        QCOMPARE(DefaultDatabasePath("/no/such/folder/picdex"), dataFolder + "Picdex.PXM");
        QVERIFY(QFileInfo(QString::fromStdString(dataFolder)).isDir());
    }

    // Leading digits are read; a value that is there but not a number reads as 0, not as the
    // default; a value too large for an int is capped.
    void profileIntegersReadLeadingDigitsAndDefaults() {
        CMemorySettings settings;
        QCOMPARE(GetProfileInt(settings, "Options", "N", 7), 7);
        for (const auto& [stored, read] : {std::pair("0", 0),
                                           {"12 lines", 12},
                                           {"-3", -3},
                                           {"abc", 0},
                                           {"99999999999999", 2147483647}}) {
            settings.WriteProfileString("Options", "N", stored);
            QCOMPARE(GetProfileInt(settings, "Options", "N", 7), read);
        }
    }

    // The list goes to File1 .. File8 of the store in the private config folder, beside other
    // sections, the unused ones emptied; it reads back in order over what a list held.
    void settingsStoreKeepsTheListAndOtherSections() {
        {
            CQtSettings settings;
            settings.WriteProfileString("Options", "OpenPath", "/srv/pictures, old/");
            CRecentFileList recent;
            recent.Add("/x/OLD.PXM");
            recent.Add("/x/NEW.PXM");
            recent.Write(settings);
            settings.WriteProfileString("Recent File List", "File4", "/x/FOURTH.PXM");
        }
        CQtSettings reread;
        CRecentFileList recent;
        recent.Add("/stale.PXM");
        recent.Read(reread);
        QCOMPARE(reread.GetProfileString("Options", "OpenPath", "") + ";" + recent.GetPath(0) +
                     ";" + recent.GetPath(2) + ";" + std::to_string(recent.GetCount()),
                 std::string("/srv/pictures, old/;/x/NEW.PXM;/x/FOURTH.PXM;3"));
        QCOMPARE(reread.GetProfileString("Recent File List", "File8", "?"), "");
        QVERIFY(QFile::exists(privateHome.m_dir.path() + "/config/Orvane/Picdex.conf"));
    }

    void programCreatesAndHoldsItsDatabase_data() {
        QTest::addColumn<QString>("argument");
        QTest::newRow("first run: the default beside the program") << QString();
        QTest::newRow("a path on the command line") << QStringLiteral("pictures/My Holidays.PXM");
    }

    // The program creates the database without asking (a question would leave the files
    // missing while it waits) and holds it: a second opener gets it read-only. Only a database
    // named on the command line goes into the recent-file list.
    void programCreatesAndHoldsItsDatabase() {
        QFETCH(QString, argument);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("pictures"));
        const QString path = argument.isEmpty() ? QString() : root.path() + '/' + argument;
        CProgramRun run(root.path(), argument.isEmpty() ? QStringList() : QStringList{path});
        const QString main = argument.isEmpty() ? run.Program() + ".PXM" : path;
        const QString index = main.chopped(1) + 'I';
        const bool created = run.WaitUntil([&] {
            return QFileInfo(main).size() > 0 && QFileInfo(index).size() > 0 &&
                   run.RecentFile1() == path;
        });
        QVERIFY2(created && run.IsRunning(), run.m_process.readAllStandardError().constData());
        CPictureDatabase second;
        QCOMPARE(second.OpenDatabase(main.toStdString(), false), 1);
        QVERIFY(second.IsReadOnly());
        QCOMPARE(QFile::exists(run.Program() + ".PXM"), argument.isEmpty());
        run.m_process.terminate();
        QVERIFY(run.m_process.waitForFinished(startTimeout));
        QCOMPARE(run.RecentFile1(), path);
    }

    void force256FollowsTheSetting_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("nothing stored") << QString() << false;
        QTest::newRow("1") << QStringLiteral("1") << true;
    }

    // The view's flag and the picture the document decodes under it follow the setting, the
    // first start included (the Options dialog's box is checked against the same defaults).
    void force256FollowsTheSetting() {
        QFETCH(QString, stored);
        QFETCH(bool, reduced);
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvane", "Picdex").clear();
        CQtSettings settings;
        if (!stored.isNull())
            settings.WriteProfileString("Options", "Force256", stored.toStdString());
        SetForce256Colors(!reduced);
        CPicdexDoc doc;
        CRecentFileList recent;
        CInstanceLauncher launcher;
        CMainFrame frame(doc, settings, recent, launcher);
        QCOMPARE(Force256Colors(), reduced);
        CFile photo;
        QVERIFY(photo.Open(PICDEX_SOURCE_DIR "/../shared/testdata/photos/Dune-704x440.jpg",
                           CFile::modeRead | CFile::shareDenyNone));
        QVERIFY(doc.LoadPicture("Dune.jpg", photo));
        QCOMPARE(doc.GetCurrentPicture()->GetImageBits(), reduced ? 8u : 24u);
        SetForce256Colors(false);
    }
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
        QCOMPARE(m->frame.windowTitle(),
                 QString::fromStdString("Picdex - " + path + "(HOLIDAY.PXM.bmp)"));
        QCOMPARE(m->settings.GetProfileString("Recent File List", "File1", ""), path);
        QVERIFY(SearchKeyword(m->doc, "@sea"));
        m->frame.View()->SetListMode(2);
        m->frame.UpdateTitle();
        QVERIFY(m->frame.windowTitle().endsWith(".bmp [@sea])"));
        QVERIFY(m->prompt.messages.empty() && m->prompt.questions.empty());
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
        QVERIFY(m->prompt.messages.empty() && m->prompt.questions.empty());
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

QTEST_MAIN(AppTest)
#include "AppTest.moc"
