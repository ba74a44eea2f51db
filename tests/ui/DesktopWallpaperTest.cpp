// The wallpaper route chosen by what the desktop offers. The desktop portal is faked on a
// private session bus (its own dbus-daemon, answering from a thread of this test), the other
// routes by scripts on a private PATH that log how they were called. No real desktop is
// asked or changed.
#include "ui/DesktopWallpaper.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <memory>

namespace {

using Route = CDesktopWallpaper::Route;

// The portal's Wallpaper interface: answers every request with response (0 success).
class CFakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Wallpaper")

public:
    CFakePortal(QDBusConnection bus, uint response) : m_bus(std::move(bus)), m_response(response) {}
    QStringList m_uris;

public slots:
    QDBusObjectPath SetWallpaperURI(const QString&, const QString& uri, const QVariantMap& options,
                                    const QDBusMessage& call) {
        m_uris.append(uri);
        QString sender = call.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString path =
            QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                .arg(sender, options.value(QStringLiteral("handle_token")).toString());
        QDBusMessage response = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << m_response << QVariantMap();
        m_bus.send(response);
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
    uint m_response;
};

} // namespace

class DesktopWallpaperTest : public QObject {
    Q_OBJECT

private:
    // A script on the private PATH that logs its name and arguments, prints output and
    // exits with status.
    void Fake(const QString& name, int status, const QByteArray& output = {}) {
        QFile script(m_bin + QLatin1Char('/') + name);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"${0##*/} $*\" >> '" + m_log.toUtf8() + "'\n");
        if (!output.isEmpty())
            script.write("[ \"$3\" = -l ] && printf '" + output + "'\n");
        script.write("exit " + QByteArray::number(status) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QStringList Calls() {
        QFile file(m_log);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_bin;
    QString m_log;
    QProcess m_daemon;
    QString m_address;

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_dir = std::make_unique<QTemporaryDir>();
        // A bus of its own that activates no service, so no real portal can answer.
        const QString config = m_dir->filePath(QStringLiteral("bus.conf"));
        QFile file(config);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                   "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig><type>session</type><listen>unix:tmpdir=" +
                   m_dir->path().toUtf8() +
                   "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        file.close();
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--print-address")});
        QVERIFY(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        QVERIFY(!m_address.isEmpty());
    }

    void cleanupTestCase() {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished();
        }
    }

    void init() {
        m_bin = m_dir->filePath(QStringLiteral("bin"));
        QDir(m_bin).removeRecursively();
        QVERIFY(QDir().mkpath(m_bin));
        m_log = m_dir->filePath(QStringLiteral("calls.log"));
        QFile::remove(m_log);
        qputenv("PATH", m_bin.toUtf8());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    }

    void routeFollowsWhatTheDesktopOffers_data() {
        QTest::addColumn<int>("portal"); // -1 none, else its response
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("failing"); // fake programs that fail; the rest work
        QTest::addColumn<int>("route");
        QTest::addColumn<QStringList>("calls"); // %P the picture's path, %U its URI
        const QString gsettings = "gsettings set org.gnome.desktop.background picture-uri";
        const QString xfconf = "xfconf-query -c xfce4-desktop";
        const QString feh = "feh --bg-scale %P";
        QTest::newRow("portal first")
            << 0 << "GNOME" << QStringList() << int(Route::portal) << QStringList();
        QTest::newRow("portal refuses: GNOME")
            << 2 << "ubuntu:GNOME" << QStringList() << int(Route::gnome)
            << QStringList{gsettings + " %U", gsettings + "-dark %U"};
        QTest::newRow("KDE") << -1 << "KDE" << QStringList() << int(Route::plasma)
                             << QStringList{"plasma-apply-wallpaperimage %P"};
        QTest::newRow("Xfce: every workspace")
            << -1 << "XFCE" << QStringList() << int(Route::xfce)
            << QStringList{xfconf + " -l",
                           xfconf + " -p /backdrop/screen0/monitorV/workspace0/last-image -s %P",
                           xfconf + " -p /backdrop/screen0/monitorV/workspace1/last-image -s %P"};
        QTest::newRow("GNOME schema missing: feh")
            << -1 << "GNOME" << QStringList{"gsettings"} << int(Route::feh)
            << QStringList{gsettings + " %U", feh};
        QTest::newRow("nothing works") << -1 << "XFCE" << QStringList{"xfconf-query", "feh"}
                                       << int(Route::none) << QStringList{xfconf + " -l", feh};
    }

    void routeFollowsWhatTheDesktopOffers() {
        QFETCH(int, portal);
        QFETCH(QString, desktop);
        QFETCH(QStringList, failing);
        QFETCH(int, route);
        QFETCH(QStringList, calls);
        qputenv("XDG_CURRENT_DESKTOP", desktop.toUtf8());
        const QByteArray xfceProperties = "/backdrop/screen0/monitorV/workspace0/last-image\\n"
                                          "/backdrop/screen0/monitorV/workspace0/image-style\\n"
                                          "/backdrop/screen0/monitorV/workspace1/last-image\\n";
        for (const char* name : {"gsettings", "plasma-apply-wallpaperimage", "xfconf-query", "feh"})
            Fake(name, failing.contains(name) ? 1 : 0,
                 QByteArray(name) == "xfconf-query" ? xfceProperties : QByteArray());

        // The portal answers from a thread of its own: the call waits on this one.
        QThread thread;
        std::unique_ptr<CFakePortal> fake;
        const QString portalName = QStringLiteral("fake-portal");
        if (portal >= 0) {
            QDBusConnection bus = QDBusConnection::connectToBus(m_address, portalName);
            QVERIFY(bus.isConnected());
            fake = std::make_unique<CFakePortal>(bus, uint(portal));
            fake->moveToThread(&thread);
            thread.start();
            QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"),
                                       fake.get(), QDBusConnection::ExportAllSlots));
            QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        }
        const QString client = QStringLiteral("client-%1").arg(QTest::currentDataTag());
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, client);
        const QString picture = m_dir->filePath(QStringLiteral("Picdex Wallpaper.BMP"));

        QCOMPARE(int(CDesktopWallpaper(bus).Apply(picture)), route);

        if (fake) {
            QCOMPARE(fake->m_uris, QStringList{QUrl::fromLocalFile(picture).toString()});
            QDBusConnection::disconnectFromBus(portalName);
            thread.quit();
            thread.wait();
        }
        QDBusConnection::disconnectFromBus(client);
        for (QString& call : calls)
            call.replace("%U", QUrl::fromLocalFile(picture).toString()).replace("%P", picture);
        QCOMPARE(Calls(), calls);
    }
};

QTEST_MAIN(DesktopWallpaperTest)
#include "DesktopWallpaperTest.moc"
