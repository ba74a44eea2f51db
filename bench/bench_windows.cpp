// bench_windows: the add-files browser and the search window, each beside the core work
// they stand on, measured in the same run.
//  - The add-files browser on a folder of --files JPEG photographs (hard links to the
//    corpus's nine photographs, 0.3 to 12 megapixels, in turn): the time from creating the
//    browser on the remembered folder to its first page laid out (folder listed, names
//    shown), to its first preview shown and to all 12 previews shown; then the time per page turn
//    ("&Next" clicked as soon as the page before is complete, and again after a pause long enough
//    for the next page to be decoded ahead). The longest stall of the event loop over the whole run
//    shows whether the window stays responsive while previews are decoded. Reference: the
//    12 previews of a page decoded one after another on the calling thread.
//  - The search window over a database of --records records (the realistic keywords of
//    bench_collection): "&Search" clicked with the most frequent keyword and a rare one, up
//    to the picture view showing the first record found; reference: SearchKeyword alone.
//    Also the window's keyword list filled at opening.
//
// Build and run from the repository (a window system is needed: a display, Xvfb, or
// QT_QPA_PLATFORM=offscreen):
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-rel --target bench_windows
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_windows --files 2000 --records 50000
//
// Options: --files N (default 2000), --pages N (page turns, default 20), --records N
// (default 50000), --runs N (searches per keyword, default 9), --data FOLDER (the corpus,
// default ../shared/testdata/), --dir FOLDER (where the scratch folder is made).
#include "bench/BenchUtil.h"
#include "bench/CollectionDatabase.h"
#include "bench/QuietDialogs.h"
#include "collection/PicdexDoc.h"
#include "collection/Search.h"
#include "collection/Settings.h"
#include "imaging/Thumbnail.h"
#include "platform/Prompt.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandIds.h"
#include "ui/commands/CommandRouter.h"
#include "ui/dialogs/AddFilesDialog.h"
#include "ui/dialogs/PictureCell.h"
#include "ui/dialogs/PreviewLoader.h"
#include "ui/dialogs/SearchWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {
struct CBenchOptions {
    std::int64_t files = 2000;
    std::int64_t pages = 20;
    std::int64_t records = 50000;
    std::int64_t runs = 9;
    std::string data = "../shared/testdata/";
    std::string dir;
};

bool ParseOptions(int argc, char** argv, CBenchOptions& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--files")
            return ParseInteger(value, 12, 8192, options.files);
        if (option == "--pages")
            return ParseInteger(value, 1, 600, options.pages);
        if (option == "--records")
            return ParseInteger(value, 100, 500000, options.records);
        if (option == "--runs")
            return ParseInteger(value, 1, 1000, options.runs);
        if ((option == "--data" || option == "--dir") && !value.empty()) {
            (option == "--data" ? options.data : options.dir) = std::string(value) + "/";
            return true;
        }
        return false;
    });
}

// The longest gap between ticks of a 5 ms timer: how long the event loop was kept busy.
class CStallMeter {
public:
    CStallMeter() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout,
                         [this] { m_longest = std::max(m_longest, m_clock.restart()); });
        m_clock.start();
        m_timer.start();
    }
    qint64 Longest() const { return m_longest; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

// Runs the event loop until every cell that shows a file (with firstOnly, the first cell)
// has its preview or the placeholder; false after 60 s.
bool WaitForPage(CAddFilesDialog& dialog, bool firstOnly = false) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        bool complete = true;
        for (int i = 0; i < (firstOnly ? 1 : CAddFileList::cellsPerPage); ++i) {
            CPictureCell* cell = dialog.Cell(i);
            if (dialog.FileList().FileAt(i) >= 0 && cell->Image().isNull() &&
                !cell->HasPlaceholder())
                complete = false;
        }
        if (complete)
            return true;
        if (clock.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

void WaitFor(int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

int BenchBrowser(const CBenchOptions& options, const std::string& scratch) {
    std::vector<std::string> photos;
    for (const auto& entry : std::filesystem::directory_iterator(options.data + "photos")) {
        if (entry.path().extension() == ".jpg")
            photos.push_back(entry.path().string());
    }
    std::sort(photos.begin(), photos.end());
    if (photos.empty()) {
        std::fprintf(stderr, "bench_windows: no photographs in %sphotos\n", options.data.c_str());
        return 1;
    }
    // Copies on the scratch disk, then hard links to them under 2,000 names.
    const std::string originals = scratch + "/originals/";
    const std::string folder = scratch + "/photos/";
    std::filesystem::create_directories(originals);
    std::filesystem::create_directories(folder);
    std::vector<std::string> copies;
    for (const std::string& photo : photos) {
        copies.push_back(originals + std::filesystem::path(photo).filename().string());
        std::filesystem::copy_file(photo, copies.back());
    }
    for (std::int64_t i = 0; i < options.files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo_%05lld.jpg", static_cast<long long>(i));
        std::filesystem::create_hard_link(copies[std::size_t(i) % copies.size()], folder + name);
    }

    CPictureDatabase db;
    if (!db.OpenDatabase(scratch + "/browse.PXM", true))
        return 1;
    CMemorySettings settings;
    settings.WriteProfileString("Options", "PicPath", folder);

    // Reference: the first two pages decoded on this thread, per page (pages differ: the
    // photographs come in turn, so one page holds more of the large ones than the next).
    CStopwatch reference;
    for (int i = 0; i < 2 * CAddFileList::cellsPerPage; ++i) {
        QImage image;
        QString size;
        CPreviewLoader::MakePreview(copies[std::size_t(i) % copies.size()], image, size);
    }
    const double referenceMs = reference.Millis() / 2;

    CStallMeter stalls;
    CStopwatch watch;
    CAddFilesDialog dialog(db, settings, false, nullptr,
                           [](QWidget*, const QString&) { return QString(); });
    dialog.show();
    QCoreApplication::processEvents();
    const double laidOutMs = watch.Millis();
    if (!WaitForPage(dialog, true))
        return 1;
    const double firstPreviewMs = watch.Millis();
    if (!WaitForPage(dialog))
        return 1;
    const double firstPageMs = watch.Millis();
    const int listed = dialog.FileList().FileCount();

    auto* next = dialog.findChild<QPushButton*>(QStringLiteral("next"));
    std::vector<double> immediate, afterPause;
    for (std::int64_t turn = 0; turn < options.pages && next->isEnabled(); ++turn) {
        // The first half of the turns at once, the second half after a pause.
        const bool pause = turn >= options.pages / 2;
        if (pause)
            WaitFor(1500);
        watch.Restart();
        next->click();
        if (!WaitForPage(dialog))
            return 1;
        (pause ? afterPause : immediate).push_back(watch.Millis());
    }

    std::printf("add-files browser, %d JPEG photographs listed (%zu photographs in turn)\n", listed,
                photos.size());
    std::printf("  first page laid out (listed, names shown)   %8.1f ms\n", laidOutMs);
    std::printf("  first preview shown                          %8.1f ms\n", firstPreviewMs);
    std::printf("  first page with its 12 previews              %8.1f ms\n", firstPageMs);
    std::printf("  page turn, at once (median of %2zu)           %8.1f ms  (max %.1f)\n",
                immediate.size(), Median(immediate),
                immediate.empty() ? 0.0 : *std::max_element(immediate.begin(), immediate.end()));
    std::printf("  page turn after a pause (median of %2zu)      %8.1f ms  (max %.1f)\n",
                afterPause.size(), Median(afterPause),
                afterPause.empty() ? 0.0 : *std::max_element(afterPause.begin(), afterPause.end()));
    std::printf("  reference: a page decoded on one thread      %8.1f ms\n", referenceMs);
    std::printf("  longest event-loop stall over the run        %8lld ms\n\n",
                static_cast<long long>(stalls.Longest()));
    return 0;
}

struct CTitleFrame : IViewFrame {};

int BenchSearch(const CBenchOptions& options, const std::string& scratch) {
    std::mt19937_64 random(20010909);
    std::vector<CollectionRecord> records = MakeCollectionRecords(options.records, random);
    std::map<std::string, int> counts;
    for (const CollectionRecord& record : records)
        for (int slot = 0; slot < record.keywordCount; ++slot)
            ++counts[record.keywords[std::size_t(slot)]];
    std::string frequent, rare;
    int most = 0;
    int fewest = 0;
    for (const auto& [word, count] : counts) {
        if (word.empty())
            continue;
        if (count > most)
            most = count, frequent = word;
        if (fewest == 0 || count < fewest)
            fewest = count, rare = word;
    }
    const std::string base = scratch + "/search";
    double mainSeconds = 0, indexSeconds = 0;
    if (!BuildDatabase(base, records, mainSeconds, indexSeconds)) {
        std::fprintf(stderr, "bench_windows: building the database failed\n");
        return 1;
    }
    CMemorySettings settings;
    CPicdexDoc doc;
    CTitleFrame frame;
    CNoPassword password;
    CCommandRouter router;
    CPicdexView view(doc, frame, settings);
    view.RegisterCommands(router);
    view.SetPasswordDialog(&password);
    view.resize(800, 600);
    view.show();
    view.OpenInitialDatabase(base);
    if (!doc.Database().IsOpen())
        return 1;

    CStopwatch watch;
    router.Run(CommandId::search);
    QCoreApplication::processEvents();
    const double openMs = watch.Millis();
    CSearchWindow* window = view.SearchWindow();
    auto* field = window->findChild<QLineEdit*>(QStringLiteral("keyword"));
    auto* search = window->findChild<QPushButton*>(QStringLiteral("search"));

    std::printf("search window, %zu records, %zu distinct keywords\n", records.size(),
                counts.size());
    std::printf("  window opened with its keyword list          %8.1f ms\n", openMs);
    for (const auto& [label, word, count] :
         {std::tuple("frequent", frequent, counts[frequent]), std::tuple("rare", rare, fewest)}) {
        std::vector<double> windowMs, coreMs;
        for (std::int64_t run = 0; run < options.runs; ++run) {
            doc.ShowAll(0, true);
            field->setText(QString::fromStdString(word));
            watch.Restart();
            search->click();
            view.viewport()->repaint();
            windowMs.push_back(watch.Millis());
            doc.ShowAll(0, true);
            watch.Restart();
            SearchKeyword(doc, MakeKeywordKey(word));
            coreMs.push_back(watch.Millis());
        }
        std::printf("  \"%s\" (%s, %d records): window %7.2f ms, SearchKeyword %7.2f ms\n",
                    word.c_str(), label, count, Median(windowMs), Median(coreMs));
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CBenchOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_windows [--files N] [--pages N] [--records N] "
                             "[--runs N] [--data FOLDER] [--dir FOLDER]\n");
        return 2;
    }
    CQuietPrompt prompt;
    CScopedPrompt scopedPrompt(prompt);
    CTempFolder folder(options.dir);
    if (folder.Path().empty())
        return 1;
    std::printf("bench_windows: load average %.2f\n\n", LoadAverage());
    if (int failed = BenchBrowser(options, folder.Path()))
        return failed;
    return BenchSearch(options, folder.Path());
}
