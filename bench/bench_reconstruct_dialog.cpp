// bench_reconstruct_dialog: the two reconstructions through the "Reconstructing" dialog,
// against the core's build alone in the same run.
//  - A database of --records records is made once: record heads with tiny pictures written
//    straight to the main file (file names, random checksums, a few keywords), its index
//    built in bulk from them, so that every record is live and indexed.
//  - Each run builds the index (BuildIndexFromMain) and the main file (BuildMainCopy) four
//    ways, in an order that alternates from run to run: the core alone with a progress that
//    only counts; through the dialog (CQtReconstructDialogs::RunBuild, "&Start" pressed as
//    soon as it shows), which paints its counter and lets pending window messages through
//    at most every 50 ms; and, for comparison, a plain dialog whose counter is set and
//    repainted after every single step. "dialog / core" is what the dialog adds; the figure
//    for the dialog is the build alone inside it and, in brackets, from opening the dialog
//    to its closing.
//  - Syncs are switched off unless --durable 1 (CFile::SetSyncEnabled, a switch for
//    benchmarks only): a main-file copy commits every record, and 50,000 syncs would
//    measure the disk, the same in every column, rather than the dialog.
//
// Build and run from the repository (a window system is needed: a display, Xvfb, or
// QT_QPA_PLATFORM=offscreen):
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-rel --target bench_reconstruct_dialog
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_reconstruct_dialog --records 50000 --runs 3
//
// Options: --records N (default 50000), --runs N (default 3), --durable 0|1 (default 0),
// --every-step 0|1 (default 1; 0 leaves the every-step column out, it is the slow one),
// --dir FOLDER (where the scratch folder is made). The data are the same on every run.
#include "bench/BenchUtil.h"
#include "bench/QuietDialogs.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"
#include "storage/Reconstruction.h"
#include "ui/dialogs/QtReconstructDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Options {
    std::int64_t records = 50000;
    std::int64_t runs = 3;
    std::int64_t durable = 0;
    std::int64_t everyStep = 1;
    std::string dir;
};

bool ParseOptions(int argc, char** argv, Options& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--records")
            return ParseInteger(value, 1, 500000, options.records);
        if (option == "--runs")
            return ParseInteger(value, 1, 100, options.runs);
        if (option == "--durable")
            return ParseInteger(value, 0, 1, options.durable);
        if (option == "--every-step")
            return ParseInteger(value, 0, 1, options.everyStep);
        if (option == "--dir" && !value.empty()) {
            options.dir = value;
            return true;
        }
        return false;
    });
}

class CCountingProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t, std::int32_t) override { ++m_steps; }
    std::int64_t m_steps = 0;
};

// The counter set and repainted after every step, in a dialog of its own.
class CEveryStepProgress : public IReconstructionProgress {
public:
    CEveryStepProgress() : m_counter(new QLabel(QStringLiteral("128/1024"), &m_dialog)) {
        auto* layout = new QVBoxLayout(&m_dialog);
        layout->addWidget(m_counter);
        m_counter->setMinimumWidth(200);
        m_dialog.show();
        QApplication::processEvents();
    }
    void Step(std::int32_t done, std::int32_t total) override {
        m_counter->setText(QStringLiteral("%1 / %2").arg(done).arg(total));
        m_counter->repaint();
    }

private:
    QDialog m_dialog;
    QLabel* m_counter;
};

// Heads with tiny pictures appended to a new database at base, then its index replaced by
// one built in bulk from them.
bool MakeDatabase(const std::string& base, std::int64_t records) {
    std::mt19937_64 random(20261206);
    const char* words[] = {"holiday", "family", "beach", "Paris", "cat", "sunset", "2026"};
    CMemFile tiny;
    const std::vector<std::uint8_t> bytes(600, 0x5A);
    {
        CPictureDatabase db;
        if (!db.OpenDatabase(base, true))
            return false;
        char name[32];
        for (std::int64_t i = 0; i < records; ++i) {
            CRecordHead head;
            std::snprintf(name, sizeof name, "IMG_%06lld.JPG", static_cast<long long>(i));
            head.SetFileName(name);
            head.SetCrc(static_cast<std::uint16_t>(random()));
            head.SetDateSaved(static_cast<std::int32_t>(1700000000 + i));
            head.SetDateImageCreated(static_cast<std::int32_t>(1690000000 + i));
            for (int slot = 0; slot < static_cast<int>(random() % 4); ++slot)
                head.SetKeyword(slot, words[(i + slot) % 7]);
            head.SetDataSize(static_cast<std::uint32_t>(bytes.size()));
            head.SetWidth(1600);
            head.SetHeight(1200);
            tiny.SetLength(0);
            tiny.SeekToBegin();
            tiny.Write(bytes.data(), bytes.size());
            tiny.SeekToBegin();
            std::int32_t block = -1;
            if (!db.Main().AppendRecord(tiny, block, head))
                return false;
        }
        CCountingProgress progress;
        if (!BuildIndexFromMain(db, base + ".bulk", progress))
            return false;
    }
    const std::string index = ResolveCaseInsensitive(base + ".PXI");
    return RenameFile(base + ".bulk", index);
}

// Presses "&Start" of the dialog as soon as it is the active modal window.
void PressStartWhenShown() {
    QTimer::singleShot(1, [] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* start = modal ? modal->findChild<QPushButton*>(QStringLiteral("start")) : nullptr;
        if (start)
            start->click();
        else
            PressStartWhenShown();
    });
}

struct Timing {
    std::vector<double> core, dialog, dialogWhole, everyStep;
};

void PrintRow(const char* what, const Timing& t) {
    const double core = Median(t.core), dialog = Median(t.dialog);
    const double whole = Median(t.dialogWhole), every = Median(t.everyStep);
    std::printf("%-12s %9.3f %9.3f (%6.3f) %7.3f %12.3f %9.3f\n", what, core, dialog, whole,
                dialog / core, every, every / core);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_reconstruct_dialog [--records N] [--runs N] "
                             "[--durable 0|1] [--every-step 0|1] [--dir FOLDER]\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    CFile::SetSyncEnabled(options.durable != 0);
    CTempFolder folder(options.dir);
    if (!folder.IsValid())
        return 1;
    CCountingPrompt prompt("bench_reconstruct_dialog");
    CScopedPrompt scoped(prompt);

    const std::string base = folder.Child("pics");
    CStopwatch watch;
    if (!MakeDatabase(base, options.records)) {
        std::fprintf(stderr, "bench_reconstruct_dialog: cannot make the database\n");
        return 1;
    }
    CPictureDatabase db;
    if (!db.OpenDatabase(base, false) || db.IsReadOnly())
        return 1;
    std::printf("bench_reconstruct_dialog: %lld records (%d blocks, %d index entries) made in "
                "%.1f s, syncs %s, platform %s, load average %.2f\n\n",
                static_cast<long long>(options.records), db.Main().BlockCount(),
                db.Index().EntryCount(), watch.Seconds(), options.durable ? "on" : "off",
                qPrintable(QGuiApplication::platformName()), LoadAverage());

    using BuildFunction = std::function<int(IReconstructionProgress&, int)>;
    const BuildFunction buildIndex = [&](IReconstructionProgress& progress, int n) {
        const std::string path = folder.Child("rebuilt" + std::to_string(n) + ".pxi");
        const int built = BuildIndexFromMain(db, path, progress);
        std::filesystem::remove(path);
        return built;
    };
    const BuildFunction buildMain = [&](IReconstructionProgress& progress, int n) {
        const std::string target = folder.Child("copy" + std::to_string(n));
        MainCopyReport report;
        const int built = BuildMainCopy(db, target, progress, &report);
        RemoveDatabase(target);
        return built && report.copied == options.records && !report.indexRebuilt ? 1 : 0;
    };

    CQtReconstructDialogs dialogs(nullptr);
    Timing index, main;
    bool ok = true;
    int n = 0;
    for (int run = 1; run <= options.runs && ok; ++run) {
        for (auto [timing, build, which] :
             {std::tuple{&index, &buildIndex, ReconstructChoice::index},
              std::tuple{&main, &buildMain, ReconstructChoice::main}}) {
            auto core = [&] {
                CCountingProgress progress;
                CStopwatch w;
                ok = ok && (*build)(progress, ++n);
                timing->core.push_back(w.Seconds());
            };
            auto dialog = [&] {
                double inside = 0;
                PressStartWhenShown();
                CStopwatch whole;
                const int built = dialogs.RunBuild(which, [&](IReconstructionProgress& progress) {
                    CStopwatch w;
                    const int result = (*build)(progress, ++n);
                    inside = w.Seconds();
                    return result;
                });
                timing->dialogWhole.push_back(whole.Seconds());
                timing->dialog.push_back(inside);
                ok = ok && built;
            };
            auto everyStep = [&] {
                if (!options.everyStep) {
                    timing->everyStep.push_back(0);
                    return;
                }
                CEveryStepProgress progress;
                CStopwatch w;
                ok = ok && (*build)(progress, ++n);
                timing->everyStep.push_back(w.Seconds());
            };
            if (run % 2)
                core(), dialog(), everyStep();
            else
                everyStep(), dialog(), core();
        }
        std::printf("run %d: index core %.3f s, dialog %.3f s, every step %.3f s; main file core "
                    "%.3f s, dialog %.3f s, every step %.3f s\n",
                    run, index.core.back(), index.dialog.back(), index.everyStep.back(),
                    main.core.back(), main.dialog.back(), main.everyStep.back());
    }
    if (!ok || prompt.Count() != 0) {
        std::fprintf(stderr, "bench_reconstruct_dialog: a build failed\n");
        return 1;
    }
    std::printf("\nmedians of %lld runs (seconds)\n", static_cast<long long>(options.runs));
    std::printf("%-12s %9s %9s %8s %7s %12s %9s\n", "build", "core", "dialog", "(whole)", "ratio",
                "every step", "ratio");
    PrintRow("index", index);
    PrintRow("main file", main);
    std::printf("load average at the end %.2f\n", LoadAverage());
    return 0;
}
