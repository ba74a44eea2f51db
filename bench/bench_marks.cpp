// bench_marks: the duplicate check and the output of all pictures to a folder through the
// windows (the view's commands, with their progress windows and the view repainting)
// beside the same work through the core (CDuplicates::MarkDuplicates, OutputList), in the
// same run, over a database of --records small BMP pictures of which about one in twenty
// is stored twice. For the windows it also gives the longest gap between two ticks of a
// 10 ms timer while the work ran: how long the window went without handling events. The
// window figure of the duplicate check includes opening the marked thumbnails (their first
// page) that it ends in, closed again as soon as they show.
//
// Build and run from the repository (a window system is needed: a display, Xvfb, or
// QT_QPA_PLATFORM=offscreen):
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-rel --target bench_marks
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_marks --records 1000
//
// Options: --records N (default 1000), --runs N (default 5), --outputs N (output runs,
// default --runs; 0 measures the duplicate check alone, as at 50,000 records), --dir FOLDER (where
// the scratch folder is made; the output's file syncs cost what that disk makes them cost).
#include "bench/BenchUtil.h"
#include "bench/CollectionDatabase.h"
#include "collection/Duplicates.h"
#include "collection/PasswordCheck.h"
#include "collection/PicdexDoc.h"
#include "collection/PictureOutput.h"
#include "collection/Settings.h"
#include "platform/Prompt.h"
#include "storage/Crc16.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandIds.h"
#include "ui/commands/CommandRouter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// Answers every question Yes and keeps the messages quiet.
class CYesPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override { last = text; }
    bool AskYesNo(std::string_view) override { return true; }
    std::string last;
};

// The longest gap between ticks of a 10 ms timer while it runs.
class CStallMeter {
public:
    CStallMeter() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_since.Millis());
            m_since.Restart();
        });
    }
    void Start() {
        m_longest = 0;
        m_since.Restart();
        m_timer.start();
    }
    double Stop() {
        m_timer.stop();
        return std::max(m_longest, m_since.Millis());
    }

private:
    QTimer m_timer;
    CStopwatch m_since;
    double m_longest = 0;
};

// Fills the output dialog with folder and presses OK as soon as it shows; the time of the
// press goes to pressed.
void AnswerOutputDialog(const std::string& folder, CStopwatch& pressed) {
    QTimer::singleShot(1, [folder, &pressed] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            AnswerOutputDialog(folder, pressed);
            return;
        }
        modal->findChild<QLineEdit*>("folder")->setText(QString::fromStdString(folder));
        pressed.Restart();
        modal->findChild<QAbstractButton*>("ok")->click();
    });
}

// Closes the marked thumbnails the duplicate check ends in as soon as they show.
void CloseBrowser() {
    QTimer::singleShot(1, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            CloseBrowser();
            return;
        }
        modal->findChild<QAbstractButton*>("cancel")->click();
    });
}

bool BuildPictures(const std::string& base, std::int64_t count) {
    CPictureDatabase db;
    if (!db.OpenDatabase(base, true))
        return false;
    std::vector<std::vector<std::uint8_t>> stored;
    for (std::int64_t i = 0; i < count; ++i) {
        std::vector<std::uint8_t> bytes =
            i % 20 == 19
                ? stored[static_cast<std::size_t>(i * 7 % static_cast<std::int64_t>(stored.size()))]
                : MakeBmp(4 * (1 + static_cast<int>(i % 64)),
                          static_cast<std::uint8_t>(i / 64 + i));
        stored.push_back(bytes);
        CMemFile picture;
        picture.Write(bytes.data(), bytes.size());
        picture.SeekToBegin();
        char name[32];
        std::snprintf(name, sizeof name, "P%06d.bmp", static_cast<int>(i));
        if (!db.AddRecord(picture, UpdateCrc16(0, bytes), name, 1000000000, 4, 1, {}))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::int64_t records = 1000, runs = 5, outputs = -1;
    std::string dir;
    const bool parsed =
        ParseOptionPairs(argc, argv, [&](std::string_view key, std::string_view value) {
            if (key == "--records")
                return ParseInteger(value, 2, 1000000, records);
            if (key == "--runs")
                return ParseInteger(value, 1, 100, runs);
            if (key == "--outputs")
                return ParseInteger(value, 0, 100, outputs);
            if (key == "--dir")
                return dir = value, true;
            return false;
        });
    if (!parsed) {
        std::fprintf(stderr,
                     "usage: bench_marks [--records N] [--runs N] [--outputs N] [--dir FOLDER]\n");
        return 2;
    }
    CTempFolder scratch(dir);
    const std::string base = scratch.Child("bench");
    CFile::SetSyncEnabled(false); // building only
    if (!scratch.IsValid() || !BuildPictures(base, records)) {
        std::fprintf(stderr, "cannot build the database\n");
        return 1;
    }
    CFile::SetSyncEnabled(true);

    CYesPrompt prompt;
    CScopedPrompt scoped(prompt);
    ArmPasswordCheck();
    CPicdexDoc doc;
    CMemorySettings settings;
    IViewFrame frame;
    CCommandRouter router;
    CPicdexView view(doc, frame, settings);
    view.RegisterCommands(router);
    view.resize(640, 480);
    view.show();
    if (!view.OpenInitialDatabase(base + ".PXM"))
        return 1;
    QCoreApplication::processEvents();

    CStallMeter stalls;
    std::vector<double> coreCheck, windowCheck, windowCheckStall;
    int marked = 0;
    for (std::int64_t run = 0; run < runs; ++run) {
        doc.Database().Marks().UnmarkAll();
        CStopwatch watch;
        marked = CDuplicates::MarkDuplicates(doc.Database());
        coreCheck.push_back(watch.Millis());
        CloseBrowser();
        stalls.Start();
        watch.Restart();
        router.Run(CommandId::checkDuplicates);
        windowCheck.push_back(watch.Millis());
        windowCheckStall.push_back(stalls.Stop());
    }
    std::printf("duplicate check, %lld records (%d mark calls): core %.2f ms, window %.2f ms "
                "(ratio %.2f), longest stall %.1f ms\n",
                static_cast<long long>(records), marked, Median(coreCheck), Median(windowCheck),
                Median(windowCheck) / Median(coreCheck), Median(windowCheckStall));

    std::vector<double> coreOutput, windowOutput, windowOutputStall, unsyncedOutput;
    int written = 0;
    if (outputs < 0)
        outputs = runs;
    if (outputs == 0)
        return 0;
    for (std::int64_t run = 0; run < outputs; ++run) {
        const std::string coreFolder = scratch.Child("core" + std::to_string(run)) + "/";
        const std::string windowFolder = scratch.Child("window" + std::to_string(run)) + "/";
        std::filesystem::create_directory(coreFolder);
        std::filesystem::create_directory(windowFolder);
        CStopwatch watch;
        written = OutputList(doc, coreFolder).written;
        coreOutput.push_back(watch.Millis());
        CStopwatch pressed;
        AnswerOutputDialog(windowFolder, pressed);
        stalls.Start();
        router.Run(CommandId::outputAll);
        windowOutput.push_back(pressed.Millis());
        windowOutputStall.push_back(stalls.Stop());
        std::filesystem::remove_all(coreFolder);
        std::filesystem::remove_all(windowFolder);
        // What the syncs cost: each file is synced, and its folder entry, before it counts.
        std::filesystem::create_directory(coreFolder);
        CFile::SetSyncEnabled(false);
        watch.Restart();
        OutputList(doc, coreFolder);
        unsyncedOutput.push_back(watch.Millis());
        CFile::SetSyncEnabled(true);
        std::filesystem::remove_all(coreFolder);
    }
    std::printf("output of all, %d pictures: core %.1f ms, window %.1f ms (ratio %.2f), "
                "longest stall %.1f ms; %s\n",
                written, Median(coreOutput), Median(windowOutput),
                Median(windowOutput) / Median(coreOutput), Median(windowOutputStall),
                prompt.last.c_str());
    std::printf("output of all through the core with the syncs switched off: %.1f ms\n",
                Median(unsyncedOutput));
    return 0;
}
