// The wallpaper route chosen by what the desktop offers: the programs of each route are
// scripts on a private PATH that log how they were called, and the portal's bus is one that
// cannot be reached. No real desktop is asked or changed.
#include "ui/DesktopWallpaper.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using Route = CDesktopWallpaper::Route;

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

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_log;

private slots:
    void init() {
        m_bin = m_dir.filePath(QStringLiteral("bin"));
        QDir(m_bin).removeRecursively();
        QVERIFY(QDir().mkpath(m_bin));
        m_log = m_dir.filePath(QStringLiteral("calls.log"));
        QFile::remove(m_log);
        qputenv("PATH", m_bin.toUtf8());
    }

    void routeFollowsWhatTheDesktopOffers_data() {
        QTest::addColumn<QString>("desktop");
        QTest::addColumn<QStringList>("failing"); // fake programs that fail; the rest work
        QTest::addColumn<int>("route");
        QTest::addColumn<QStringList>("calls"); // %P the picture's path, %U its URI
        const QString gsettings = "gsettings set org.gnome.desktop.background picture-uri";
        const QString xfconf = "xfconf-query -c xfce4-desktop";
        const QString feh = "feh --bg-scale %P";
        QTest::newRow("GNOME") << "ubuntu:GNOME" << QStringList() << int(Route::gnome)
                               << QStringList{gsettings + " %U", gsettings + "-dark %U"};
        QTest::newRow("KDE") << "KDE" << QStringList() << int(Route::plasma)
                             << QStringList{"plasma-apply-wallpaperimage %P"};
        QTest::newRow("Xfce: every workspace")
            << "XFCE" << QStringList() << int(Route::xfce)
            << QStringList{xfconf + " -l",
                           xfconf + " -p /backdrop/screen0/monitorV/workspace0/last-image -s %P",
                           xfconf + " -p /backdrop/screen0/monitorV/workspace1/last-image -s %P"};
        QTest::newRow("GNOME schema missing: feh")
            << "GNOME" << QStringList{"gsettings"} << int(Route::feh)
            << QStringList{gsettings + " %U", feh};
        QTest::newRow("nothing works") << "XFCE" << QStringList{"xfconf-query", "feh"}
                                       << int(Route::none) << QStringList{xfconf + " -l", feh};
    }

    void routeFollowsWhatTheDesktopOffers() {
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

        const QString picture = m_dir.filePath(QStringLiteral("Picdex Wallpaper.BMP"));
        const QDBusConnection noBus = QDBusConnection::connectToBus(
            "unix:path=" + m_dir.filePath("no-bus"), QTest::currentDataTag());
        QCOMPARE(int(CDesktopWallpaper(noBus).Apply(picture)), route);
        QDBusConnection::disconnectFromBus(QTest::currentDataTag());
        for (QString& call : calls)
            call.replace("%U", QUrl::fromLocalFile(picture).toString()).replace("%P", picture);
        QCOMPARE(Calls(), calls);
    }
};

QTEST_MAIN(DesktopWallpaperTest)
#include "DesktopWallpaperTest.moc"
