// Start-up decisions and settings: the initial database, the default database path, the
// command line, the settings store and its defaults, and the two readers of "Force256"
// (the view and the Options dialog), which agree.
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

void TouchFile(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

// The sanitizer builds start slowly; a first window with its database may take a while.
constexpr int startTimeout = 30000;

// A copy of the built program at <root>/bin/picdex, so that the database it makes beside
// itself lands in the test's folder. "" when it cannot be copied.
QString CopyProgram(const QString& root) {
    if (!QDir(root).mkpath(QStringLiteral("bin")))
        return {};
    const QString copy = root + QStringLiteral("/bin/picdex");
    if (!QFile::copy(QStringLiteral(PICDEX_PROGRAM_PATH), copy))
        return {};
    QFile::setPermissions(copy, QFile::permissions(copy) | QFile::ExeOwner | QFile::ReadOwner);
    return copy;
}

// The program's environment: headless, with settings, data and temporary files inside root,
// and the parent's sanitizer options.
QProcessEnvironment ProgramEnvironment(const QString& root) {
    const QProcessEnvironment parent = QProcessEnvironment::systemEnvironment();
    QProcessEnvironment environment;
    for (const QString& name :
         {QStringLiteral("PATH"), QStringLiteral("LANG"), QStringLiteral("ASAN_OPTIONS"),
          QStringLiteral("LSAN_OPTIONS"), QStringLiteral("UBSAN_OPTIONS")}) {
        if (parent.contains(name))
            environment.insert(name, parent.value(name));
    }
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/data"));
    environment.insert(QStringLiteral("TMPDIR"), root + QStringLiteral("/tmp"));
    environment.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
    for (const char* folder : {"/config", "/data", "/tmp", "/home"})
        QDir().mkpath(root + QLatin1String(folder));
    return environment;
}

bool HasContent(const QString& path) {
    return QFileInfo(path).size() > 0;
}

// The settings file the program writes under the XDG_CONFIG_HOME it was given.
QString RecentFile1(const QString& root) {
    QSettings settings(root + QStringLiteral("/config/Orvane/Picdex.conf"), QSettings::IniFormat);
    return settings.value(QStringLiteral("Recent File List/File1")).toString();
}

// The real program running as a separate process. The destructor ends it, so that no
// process outlives a failed check.
class CProgramRun {
public:
    CProgramRun(const QString& program, const QString& root, const QStringList& arguments) {
        m_process.setProcessEnvironment(ProgramEnvironment(root));
        m_process.setWorkingDirectory(root);
        m_process.start(program, arguments);
    }
    ~CProgramRun() { Stop(); }
    CProgramRun(const CProgramRun&) = delete;
    CProgramRun& operator=(const CProgramRun&) = delete;

    bool WaitStarted() { return m_process.waitForStarted(startTimeout); }
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }

    // Waits up to startTimeout for condition while the program runs; the condition's last
    // answer.
    bool WaitUntil(const std::function<bool()>& condition) {
        QDeadlineTimer deadline(startTimeout);
        while (!condition()) {
            if (!IsRunning() || deadline.hasExpired())
                return condition();
            m_process.waitForFinished(100);
        }
        return true;
    }

    bool WaitFinished() { return m_process.waitForFinished(startTimeout); }

    void Stop() {
        if (!IsRunning())
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QProcess& Process() { return m_process; }
    // What the program printed on standard error, for failure messages.
    QByteArray Errors() { return m_errors += m_process.readAllStandardError(); }

private:
    QProcess m_process;
    QByteArray m_errors;
};
} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initialDatabaseIsTheNewestExistingRecentFile();
    void defaultDatabaseBesideAWritableProgramElseInTheDataFolder();
    void commandLineTakesOneOptionalPath();
    void profileIntegersReadLeadingDigitsAndDefaults();
    void settingsStoreKeepsSectionsInThePrivateConfigFolder();
    void firstRunOpensTheDefaultDatabaseBesideTheProgram();
    void pathOnTheCommandLineIsCreatedAndRemembered();
    void badCommandLineEndsWithUsage_data();
    void badCommandLineEndsWithUsage();
    void force256ReadersAgree_data();
    void force256ReadersAgree();

private:
    QTemporaryDir m_temp;
};

void StartupTest::initialDatabaseIsTheNewestExistingRecentFile() {
    const std::string fallback = "/default/picdex.PXM";
    CMemorySettings settings;
    QCOMPARE(ChooseInitialDatabase(settings, fallback), fallback);

    settings.WriteProfileString("Recent File List", "File1", "");
    QCOMPARE(ChooseInitialDatabase(settings, fallback), fallback);

    const std::string missing = (m_temp.path() + "/GONE.PXM").toStdString();
    settings.WriteProfileString("Recent File List", "File1", missing);
    QCOMPARE(ChooseInitialDatabase(settings, fallback), fallback);

    const QString existing = m_temp.path() + "/THERE.PXM";
    TouchFile(existing);
    settings.WriteProfileString("Recent File List", "File1", existing.toStdString());
    settings.WriteProfileString("Recent File List", "File2", missing);
    QCOMPARE(ChooseInitialDatabase(settings, fallback), existing.toStdString());
}

void StartupTest::defaultDatabaseBesideAWritableProgramElseInTheDataFolder() {
    const std::string program = (m_temp.path() + "/picdex").toStdString();
    QCOMPARE(DefaultDatabasePath(program), program + ".PXM");

    const std::string dataFolder =
        (privateHome.m_dir.path() + "/data/Orvane/Picdex/").toStdString();
    QCOMPARE(DefaultDatabasePath("/no/such/folder/picdex"), dataFolder + "Picdex.PXM");
    QVERIFY(QFileInfo(QString::fromStdString(dataFolder)).isDir());
}

void StartupTest::commandLineTakesOneOptionalPath() {
    std::string path = "stale";
    std::string error;
    QVERIFY(ParseCommandLine({}, path, error));
    QCOMPARE(path, std::string());
    QVERIFY(ParseCommandLine({"/p/My Pictures.PXM"}, path, error));
    QCOMPARE(path, std::string("/p/My Pictures.PXM"));
    QVERIFY(error.empty());
    QVERIFY(!ParseCommandLine({"a.PXM", "b.PXM"}, path, error));
    QVERIFY(!error.empty());
    QVERIFY(!ParseCommandLine({"--help"}, path, error));
    QVERIFY(!error.empty());
}

void StartupTest::profileIntegersReadLeadingDigitsAndDefaults() {
    CMemorySettings settings;
    QCOMPARE(GetProfileInt(settings, "Options", "OpenPic", 1), 1);
    settings.WriteProfileString("Options", "OpenPic", "0");
    QCOMPARE(GetProfileInt(settings, "Options", "OpenPic", 1), 0);
    settings.WriteProfileString("Options", "KeyListAt", "12 lines");
    QCOMPARE(GetProfileInt(settings, "Options", "KeyListAt", 0), 12);
    settings.WriteProfileString("Options", "KeyListAt", "-3");
    QCOMPARE(GetProfileInt(settings, "Options", "KeyListAt", 0), -3);
    // A value that is there but not a number reads as 0, not as the default.
    settings.WriteProfileString("Options", "SortType", "abc");
    QCOMPARE(GetProfileInt(settings, "Options", "SortType", 7), 0);
    settings.WriteProfileString("Options", "SortType", "99999999999999");
    QCOMPARE(GetProfileInt(settings, "Options", "SortType", 0), 2147483647);
    WriteProfileInt(settings, "Options", "SortType", 1);
    QCOMPARE(settings.GetProfileString("Options", "SortType", ""), std::string("1"));
}

void StartupTest::settingsStoreKeepsSectionsInThePrivateConfigFolder() {
    {
        CQtSettings settings;
        settings.WriteProfileString("Options", "OpenPath", "/srv/pictures, old/");
        CRecentFileList recent;
        recent.Add("/srv/A.PXM");
        recent.Write(settings);
    }
    CQtSettings reread;
    QCOMPARE(reread.GetProfileString("Options", "OpenPath", ""),
             std::string("/srv/pictures, old/"));
    CRecentFileList recent;
    recent.Read(reread);
    QCOMPARE(recent.GetCount(), 1);
    QCOMPARE(recent.GetPath(0), std::string("/srv/A.PXM"));
    QVERIFY(QFile::exists(privateHome.m_dir.path() + "/config/Orvane/Picdex.conf"));
}

void StartupTest::firstRunOpensTheDefaultDatabaseBesideTheProgram() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = CopyProgram(root.path());
    QVERIFY(!program.isEmpty());
    const QString mainPath = program + QStringLiteral(".PXM");
    const QString indexPath = program + QStringLiteral(".PXI");

    CProgramRun run(program, root.path(), {});
    QVERIFY(run.WaitStarted());
    // Both files written means the program holds them: it took the lock before writing.
    const bool created =
        run.WaitUntil([&] { return HasContent(mainPath) && HasContent(indexPath); });
    QVERIFY2(created, run.Errors().constData());
    QVERIFY2(run.IsRunning(), run.Errors().constData());

    CPictureDatabase second;
    QCOMPARE(second.OpenDatabase(mainPath.toStdString(), false), 1);
    QVERIFY(second.IsReadOnly());
    second.Close();

    QCOMPARE(RecentFile1(root.path()), QString());
    QVERIFY2(run.IsRunning(), run.Errors().constData());
    run.Stop();
    QCOMPARE(RecentFile1(root.path()), QString());
    QVERIFY(!QFile::exists(root.path() + QStringLiteral("/data/Orvane/Picdex/Picdex.PXM")));
}

void StartupTest::pathOnTheCommandLineIsCreatedAndRemembered() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = CopyProgram(root.path());
    QVERIFY(!program.isEmpty());
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("pictures")));
    const QString mainPath = root.path() + QStringLiteral("/pictures/My Holidays.PXM");
    const QString indexPath = root.path() + QStringLiteral("/pictures/My Holidays.PXI");

    CProgramRun run(program, root.path(), {mainPath});
    QVERIFY(run.WaitStarted());
    // No question is asked: a question would leave the files missing while it waits.
    const bool created =
        run.WaitUntil([&] { return HasContent(mainPath) && HasContent(indexPath); });
    QVERIFY2(created, run.Errors().constData());
    const bool remembered = run.WaitUntil([&] { return RecentFile1(root.path()) == mainPath; });
    QVERIFY2(remembered, qPrintable(RecentFile1(root.path()) + "\n" + run.Errors()));
    QVERIFY2(run.IsRunning(), run.Errors().constData());

    CPictureDatabase second;
    QCOMPARE(second.OpenDatabase(mainPath.toStdString(), false), 1);
    QVERIFY(second.IsReadOnly());
    // The database named on the command line is the one open, not the default one.
    QVERIFY(!QFile::exists(program + QStringLiteral(".PXM")));
}

void StartupTest::badCommandLineEndsWithUsage_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("two paths") << QStringList{QStringLiteral("a.PXM"), QStringLiteral("b.PXM")};
    QTest::newRow("option") << QStringList{QStringLiteral("--help")};
    QTest::newRow("short option") << QStringList{QStringLiteral("-x.PXM")};
}

void StartupTest::badCommandLineEndsWithUsage() {
    QFETCH(QStringList, arguments);
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString program = CopyProgram(root.path());
    QVERIFY(!program.isEmpty());

    CProgramRun run(program, root.path(), arguments);
    QVERIFY(run.WaitStarted());
    QVERIFY2(run.WaitFinished(), "the program kept running after a bad command line");
    QCOMPARE(run.Process().exitStatus(), QProcess::NormalExit);
    QVERIFY(run.Process().exitCode() != 0);
    QVERIFY2(run.Errors().contains("Usage: picdex [database.PXM]"), run.Errors().constData());
    // Nothing was opened or created.
    QVERIFY(!QFile::exists(program + QStringLiteral(".PXM")));
    for (const QString& argument : arguments)
        QVERIFY(!QFile::exists(root.path() + QLatin1Char('/') + argument));
}

void StartupTest::force256ReadersAgree_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("reduced");
    QTest::newRow("nothing stored") << QString() << false;
    QTest::newRow("0") << QStringLiteral("0") << false;
    QTest::newRow("1") << QStringLiteral("1") << true;
}

// The view's flag, the picture the document decodes under it and the Options dialog's box
// all follow the one reading of the setting, the first start included.
void StartupTest::force256ReadersAgree() {
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
    const QList<QCheckBox*> boxes = options.findChildren<QCheckBox*>();
    const auto box = std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* b) {
        return b->text() == QStringLiteral("&Use 256 color");
    });
    QVERIFY(box != boxes.end());
    QCOMPARE((*box)->isChecked(), reduced);
    QCOMPARE(options.Force256(), reduced);
    SetForce256Colors(false);
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
