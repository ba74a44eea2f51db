// The slide shows through the view's commands, headless: the window show stepping on a short
// interval until "End", a list whose pictures all fail to load, and the wallpaper show with
// the desktop replaced by a fake feh on a private PATH.
#include "ui/SlideShow.h"
#include "collection/WallpaperFile.h"
#include "storage/Crc16.h"
#include "ui/ViewFixture.h"
#include "ui/dialogs/SlideShowEndWindow.h"

#include "WhenModal.h"

#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>

namespace {

// One second of an interval lasts this long in these tests.
constexpr int second = 20;

QByteArray BmpBytes(int width) {
    QImage image(width, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

// Stores bytes as the record name in db. True when stored.
bool AddBytes(CPictureDatabase& db, const QByteArray& bytes, const std::string& name) {
    CMemFile file;
    file.Write(bytes.constData(), std::size_t(bytes.size()));
    file.SeekToBegin();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    return db.AddRecord(file, UpdateCrc16(0, {data, std::size_t(bytes.size())}), name, 0, 0, 0, {});
}

// Fills the slide-show dialog and confirms it.
void AnswerSlideShowDialog(const QString& interval, bool wallpaper) {
    WhenModal([interval, wallpaper](QWidget* dialog) {
        Child<QLineEdit>(dialog, "interval")->setText(interval);
        Child<QCheckBox>(dialog, "wallpaper")->setChecked(wallpaper);
        Click(dialog, "ok");
    });
}

} // namespace

class SlideShowTest : public QObject, CViewFixture<> {
    Q_OBJECT

private:
    // A database of records named a0, a1, ... holding pictures (or undecodable bytes) and
    // shown from its top.
    void OpenWith(const std::vector<QByteArray>& pictures, const char* extension) {
        const std::string path = Path("show.PXM");
        {
            CPictureDatabase db;
            QVERIFY(db.OpenDatabase(path, true));
            for (std::size_t i = 0; i < pictures.size(); ++i)
                QVERIFY(AddBytes(db, pictures[i], "a" + std::to_string(i) + extension));
        }
        QVERIFY(m_view->OpenInitialDatabase(path));
    }

    // Runs the window show with interval, pressing "End" once it has taken steps steps;
    // returns the steps taken and the time they took.
    std::pair<int, qint64> RunWindowShow(const QString& interval, int steps) {
        AnswerSlideShowDialog(interval, false);
        int taken = 0;
        qint64 elapsed = 0;
        QElapsedTimer clock;
        clock.start();
        // The "End" window follows the dialog: wait for it, then for the steps.
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
        return {taken, elapsed};
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
        const QByteArray bytes = broken ? QByteArray("not a picture at all") : BmpBytes(5);
        OpenWith({bytes, bytes, bytes}, broken ? ".jpg" : ".bmp");
        const auto [taken, elapsed] = RunWindowShow(interval, steps);
        QCOMPARE(taken, steps);
        QVERIFY2(elapsed >= steps * 3 * second - 5, qPrintable(QString::number(elapsed)));
        QCOMPARE(QString::fromStdString(CurrentName()), last);
        QTest::qWait(8 * second);
        QCOMPARE(QString::fromStdString(CurrentName()), last);
    }

    void aShowOverAListWithNothingLeftEndsByItself() {
        OpenWith({BmpBytes(3)}, ".bmp");
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
        // The desktop is a fake feh on a private PATH; no portal on an unreachable bus.
        const QString bin = m_dir->filePath("bin");
        const QString log = m_dir->filePath("feh.log");
        QFile feh(bin + "/feh");
        QVERIFY(QDir().mkpath(bin) && feh.open(QIODevice::WriteOnly));
        feh.write(("#!/bin/sh\necho \"$*\" >> '" + log + "'\n").toUtf8());
        feh.close();
        feh.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("PATH", bin.toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "");
        qputenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + m_dir->filePath("no-bus")).toUtf8());

        OpenWith({BmpBytes(3), BmpBytes(5)}, ".bmp");
        AnswerSlideShowDialog(QStringLiteral("3"), true);
        m_router->Run(CommandId::slideShow);
        CSlideShow& show = *m_view->SlideShow();
        QVERIFY(m_frame.minimized && show.IsWallpaperShowRunning());
        auto lines = [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? file.readAll().count('\n') : 0;
        };
        QTRY_VERIFY_WITH_TIMEOUT(lines() >= 3, 5000);

        // Activation changes while minimized leave it running.
        show.FrameStateChanged(true);
        QVERIFY(show.IsWallpaperShowRunning());
        m_frame.minimized = false;
        show.FrameStateChanged(false);
        QVERIFY(show.IsWallpaperShowRunning());
        show.FrameStateChanged(true);
        QVERIFY(!show.IsWallpaperShowRunning());
        const int shown = lines();
        QTest::qWait(8 * second);
        QCOMPARE(lines(), shown);

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString path = QString::fromStdString(WallpaperPath());
        QVERIFY(file.readLine().trimmed() == ("--bg-scale " + path).toUtf8());
        // The file holds the picture the show stopped on.
        QCOMPARE(QImage(path, "BMP").width(), int(m_doc->GetCurrentPicture()->GetWidth()));
    }
};

QTEST_MAIN(SlideShowTest)
#include "SlideShowTest.moc"
