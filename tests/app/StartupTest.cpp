// Start-up decisions and settings: the initial database, the default database path, the
// command line, the settings store and its defaults, and the two readers of "Force256".
#include "app/InstanceLauncher.h"
#include "app/MainFrame.h"
#include "app/ProfileInt.h"
#include "app/QtSettings.h"
#include "app/RecentFileList.h"
#include "app/StartupRules.h"
#include "collection/PicdexDoc.h"
#include "imaging/ImageOptions.h"
#include "ui/dialogs/OptionsDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
} // namespace

class StartupTest : public QObject {
    Q_OBJECT

private slots:
    void initialDatabaseIsTheNewestExistingRecentFile();
    void defaultDatabaseBesideAWritableProgramElseInTheDataFolder();
    void commandLineTakesOneOptionalPath();
    void profileIntegersReadLeadingDigitsAndDefaults();
    void settingsStoreKeepsSectionsInThePrivateConfigFolder();
    void firstRunDefaults();
    void force256ReadersDisagreeWhenNothingIsStored();

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

void StartupTest::firstRunDefaults() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvane", "Picdex").clear();
    CQtSettings settings;
    QCOMPARE(GetProfileInt(settings, "Options", "SortType", 0), 0);
    QCOMPARE(GetProfileInt(settings, "Options", "OpenPic", 1), 1);
    QCOMPARE(settings.GetProfileString("Options", "OpenPath", "none"), std::string("none"));
}

void StartupTest::force256ReadersDisagreeWhenNothingIsStored() {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Orvane", "Picdex").clear();
    CQtSettings settings;
    SetForce256Colors(false);
    CPicdexDoc doc;
    CRecentFileList recent;
    CInstanceLauncher launcher;
    {
        CMainFrame frame(doc, settings, recent, launcher);
        // The view, created with the frame, reads the default 1.
        QVERIFY(Force256Colors());
    }
    COptionsDialog options(settings, nullptr);
    const QList<QCheckBox*> boxes = options.findChildren<QCheckBox*>();
    const auto box = std::find_if(boxes.begin(), boxes.end(), [](QCheckBox* b) {
        return b->text() == QStringLiteral("&Use 256 color");
    });
    QVERIFY(box != boxes.end());
    QVERIFY(!(*box)->isChecked());
    QVERIFY(!options.Force256());
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
