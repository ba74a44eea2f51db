// Start-up decisions and settings: the initial database, the default database path, the
// command line, the settings store and its defaults, the recent-file list (order, no
// duplicates, eight entries, the stored values, the menu texts), and the two readers of
// "Force256" (the view and the Options dialog), which agree.
#include "app/InstanceLauncher.h"
#include "app/MainFrame.h"
#include "app/QtSettings.h"
#include "app/RecentFileList.h"
#include "app/StartupRules.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "imaging/ImageOptions.h"
#include "platform/File.h"
#include "storage/PictureDatabase.h"
#include "ui/dialogs/OptionsDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {
// Every setting and data file of the test goes to a folder of its own, set before the
// application object exists, so the user's own settings are never read or written.
struct CPrivateHome {
    CPrivateHome() {
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + "/config").toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + "/data").toUtf8());
    }
    QTemporaryDir m_dir;
};
CPrivateHome privateHome;

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

class StartupTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_temp;

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

    void storesFile1ToFile8AndReadsThemBack() {
        CMemorySettings settings;
        CRecentFileList list;
        list.Add("/x/OLD.PXM");
        list.Add("/x/NEW.PXM");
        list.Write(settings);
        QCOMPARE(settings.GetProfileString("Recent File List", "File8", "?"), "");
        settings.WriteProfileString("Recent File List", "File4", "/x/FOURTH.PXM");
        CRecentFileList read;
        read.Add("/stale.PXM");
        read.Read(settings);
        QCOMPARE(read.GetCount(), 3);
        QCOMPARE(read.GetPath(0), std::string("/x/NEW.PXM"));
        QCOMPARE(read.GetPath(2), std::string("/x/FOURTH.PXM"));
    }

    // The first recent file when it exists; otherwise the default, whatever follows it.
    void initialDatabaseIsTheNewestExistingRecentFile() {
        const std::string fallback = "/default/picdex.PXM";
        const QString existing = m_temp.path() + "/THERE.PXM";
        QVERIFY(QFile(existing).open(QIODevice::WriteOnly));
        CMemorySettings settings;
        settings.WriteProfileString("Recent File List", "File2", existing.toStdString());
        for (const std::string& first :
             {std::string(), (m_temp.path() + "/GONE.PXM").toStdString()}) {
            settings.WriteProfileString("Recent File List", "File1", first);
            QCOMPARE(ChooseInitialDatabase(settings, fallback), fallback);
        }
        settings.WriteProfileString("Recent File List", "File1", existing.toStdString());
        QCOMPARE(ChooseInitialDatabase(settings, fallback), existing.toStdString());
    }

    void defaultDatabaseBesideAWritableProgramElseInTheDataFolder() {
        const std::string program = (m_temp.path() + "/picdex").toStdString();
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

    void settingsStoreKeepsSectionsInThePrivateConfigFolder() {
        {
            CQtSettings settings;
            settings.WriteProfileString("Options", "OpenPath", "/srv/pictures, old/");
            CRecentFileList recent;
            recent.Add("/srv/A.PXM");
            recent.Write(settings);
        }
        CQtSettings reread;
        CRecentFileList recent;
        recent.Read(reread);
        QCOMPARE(reread.GetProfileString("Options", "OpenPath", "") + ";" + recent.GetPath(0),
                 std::string("/srv/pictures, old/;/srv/A.PXM"));
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

    void force256ReadersAgree_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("reduced");
        QTest::newRow("nothing stored") << QString() << false;
        QTest::newRow("1") << QStringLiteral("1") << true;
    }

    // The view's flag, the picture the document decodes under it and the Options dialog's box
    // all follow the one reading of the setting, the first start included.
    void force256ReadersAgree() {
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
        {
            CMainFrame frame(doc, settings, recent, launcher);
            QCOMPARE(Force256Colors(), reduced);
            CFile photo;
            QVERIFY(photo.Open(PICDEX_SOURCE_DIR "/../shared/testdata/photos/Dune-704x440.jpg",
                               CFile::modeRead | CFile::shareDenyNone));
            QVERIFY(doc.LoadPicture("Dune.jpg", photo));
            QCOMPARE(doc.GetCurrentPicture()->GetImageBits(), reduced ? 8u : 24u);
        }
        COptionsDialog options(settings, nullptr);
        QCOMPARE(options.findChild<QCheckBox*>("force256")->isChecked(), reduced);
        SetForce256Colors(false);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
