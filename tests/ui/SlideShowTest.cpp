// The slide shows through the view's commands, headless: the window show stepping on a short
// interval until "End", a list whose pictures all fail to load, the wallpaper show, and the
// wallpaper route chosen by what the desktop offers. The desktop's programs are scripts on a
// private PATH that log how they were called, and the portal's bus is one that cannot be
// reached: no real desktop is asked or changed.
#include "ui/SlideShow.h"
#include "collection/WallpaperFile.h"
#include "ui/DesktopWallpaper.h"
#include "ui/ViewFixture.h"
#include "ui/dialogs/SlideShowEndWindow.h"

#include "WhenModal.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QUrl>

namespace {

using Route = CDesktopWallpaper::Route;

// One second of an interval lasts this long in these tests.
constexpr int second = 20;

// Fills the slide-show dialog and confirms it.
void AnswerSlideShowDialog(const QString& interval, bool wallpaper) {
    WhenModal([interval, wallpaper](QWidget* dialog) {
        Child<QLineEdit>(dialog, "interval")->setText(interval);
        Child<QCheckBox>(dialog, "wallpaper")->setChecked(wallpaper);
        Click(dialog, "ok");
    });
}

} // namespace

class SlideShowTest : public QObject, CViewFixture {
    Q_OBJECT

private:
    // A script on the private PATH that logs its name and arguments, prints output when its
    // third argument is -l, and exits with status.
    void Fake(const QString& name, int status, const QByteArray& output = {}) {
        const QString bin = m_dir->filePath("bin");
        QFile script(bin + QLatin1Char('/') + name);
        QVERIFY(QDir().mkpath(bin) && script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho \"${0##*/} $*\" >> '" + Log().toUtf8() + "'\n");
        if (!output.isEmpty())
            script.write("[ \"$3\" = -l ] && printf '" + output + "'\n");
        script.write("exit " + QByteArray::number(status) + "\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.toUtf8());
    }
    QString Log() const { return m_dir->filePath("calls.log"); }
    QStringList Calls() const {
        QFile file(Log());
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                   : QStringList();
    }

    // A database of pictures a0, a1, ... of the widths (4 pixels high), named with extension
    // (a BMP named .jpg does not load), shown from its top.
    void OpenWith(const std::vector<int>& widths, const char* extension) {
        std::vector<SPicture> pictures;
        for (std::size_t i = 0; i < widths.size(); ++i)
            pictures.push_back(
                {QString("a%1%2").arg(i).arg(extension), Qt::blue, {}, {widths[i], 4}});
        QVERIFY(OpenPictures(pictures));
    }

private slots:
    void init() {
        QVERIFY(OpenView({200, 150}, true));
        qputenv("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("data")).toUtf8());
        m_view->SlideShow()->SetSecondLength(second);
    }
    void cleanup() { CloseView(); }

    void windowShowStepsUntilEnd_data() {
        QTest::addColumn<bool>("broken");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("last");
        QTest::newRow("interval 1 runs at 3, wrapping") << false << "1" << 4 << "a1.bmp";
        QTest::newRow("no picture loads") << true << "3" << 5 << "a2.jpg";
    }
    // One record per step at least the interval apart, past the last one back at the
    // first, whether or not its picture loads; "End" stops it.
    void windowShowStepsUntilEnd() {
        QFETCH(bool, broken);
        QFETCH(QString, interval);
        QFETCH(int, steps);
        QFETCH(QString, last);
        OpenWith({5, 5, 5}, broken ? ".jpg" : ".bmp");
        // "End" is pressed once the show has taken steps steps; the clock starts with its window.
        AnswerSlideShowDialog(interval, false);
        int taken = 0;
        qint64 elapsed = 0;
        QElapsedTimer clock;
        clock.start();
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* end = qobject_cast<CSlideShowEndWindow*>(QApplication::activeModalWidget());
            if (!end) {
                clock.start();
            } else if (end->Steps() >= steps && taken == 0) {
                taken = end->Steps();
                elapsed = clock.elapsed();
                Click(end, "end");
            }
        });
        poll.start(2);
        m_router->Run(CommandId::slideShow);
        QCOMPARE(taken, steps);
        QVERIFY2(elapsed >= steps * 3 * second - 5, qPrintable(QString::number(elapsed)));
        QCOMPARE(QString::fromStdString(CurrentName()), last);
        QTest::qWait(8 * second);
        QCOMPARE(QString::fromStdString(CurrentName()), last);
    }

    void aShowOverAListWithNothingLeftEndsByItself() {
        OpenWith({3}, ".bmp");
        QVERIFY(m_doc->DeleteCurrent());
        AnswerSlideShowDialog(QStringLiteral("3"), false);
        bool endPressed = false;
        QTimer::singleShot(40 * second, [&] {
            if (auto* end = qobject_cast<CSlideShowEndWindow*>(QApplication::activeModalWidget())) {
                endPressed = true;
                Click(end, "end");
            }
        });
        m_router->Run(CommandId::slideShow);
        QVERIFY(!endPressed);
    }

    void wallpaperShowRunsMinimizedUntilTheUserComesBack() {
        Fake("feh", 0);
        qputenv("XDG_CURRENT_DESKTOP", "");
        qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + m_dir->filePath("no-bus")).toUtf8());
        OpenWith({3, 5}, ".bmp");
        AnswerSlideShowDialog(QStringLiteral("3"), true);
        m_router->Run(CommandId::slideShow);
        CSlideShow& show = *m_view->SlideShow();
        QVERIFY(m_frame.minimized && show.IsWallpaperShowRunning());
        QTRY_VERIFY_WITH_TIMEOUT(Calls().size() >= 3, 5000);

        // Activation changes while minimized leave it running.
        show.FrameStateChanged(true);
        QVERIFY(show.IsWallpaperShowRunning());
        m_frame.minimized = false;
        show.FrameStateChanged(false);
        QVERIFY(show.IsWallpaperShowRunning());
        show.FrameStateChanged(true);
        QVERIFY(!show.IsWallpaperShowRunning());
        const qsizetype shown = Calls().size();
        QTest::qWait(8 * second);
        QCOMPARE(Calls().size(), shown);
        const QString path = QString::fromStdString(WallpaperPath());
        QCOMPARE(Calls().value(0), "feh --bg-scale " + path);
        // The file holds the picture the show stopped on.
        QCOMPARE(QImage(path, "BMP").width(), int(m_doc->GetCurrentPicture()->GetWidth()));
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

        const QString picture = m_dir->filePath(QStringLiteral("Picdex Wallpaper.BMP"));
        const QDBusConnection noBus = QDBusConnection::connectToBus(
            "unix:path=" + m_dir->filePath("no-bus"), QTest::currentDataTag());
        QCOMPARE(int(CDesktopWallpaper(noBus).Apply(picture)), route);
        QDBusConnection::disconnectFromBus(QTest::currentDataTag());
        for (QString& call : calls)
            call.replace("%U", QUrl::fromLocalFile(picture).toString()).replace("%P", picture);
        QCOMPARE(Calls(), calls);
    }
};

QTEST_MAIN(SlideShowTest)
#include "SlideShowTest.moc"
