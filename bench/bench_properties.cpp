// bench_properties: what the data-properties window adds to moving through the list.
// A database of copies of one picture (a 704 × 440 JPEG of the corpus), each record with 0
// to 6 keywords drawn from a realistic vocabulary, so that the window's keyword list has a
// few hundred lines. Four kinds of move alternate in the same run, each the "Next data"
// command followed by a repaint of the view:
//  - alone: a second view without the window over a copy of the database (the reference);
//  - window hidden: the window exists and is refilled unseen;
//  - window shown: the window refilled with the next record (head read, fields, list
//    re-selected) and repainted at once;
//  - edit + next: a keyword typed into the shown window first, so the move also writes
//    the record's keywords and index entries and syncs both files.
// Medians of each, and their ratios to the move alone.
//
// Build and run from the repository (a window system is needed: a display, Xvfb, or
// QT_QPA_PLATFORM=offscreen):
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-rel --target bench_properties
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_properties --records 500 --moves 60
//
// Options: --records N (default 500), --moves N (default 60 of each kind), --data FOLDER
// (the corpus, default ../shared/testdata/ from the repository), --dir FOLDER (scratch).
#include "bench/BenchUtil.h"
#include "bench/KeywordVocabulary.h"
#include "bench/QuietDialogs.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/PictureDatabase.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandIds.h"
#include "ui/commands/CommandRouter.h"
#include "ui/dialogs/PropertiesWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace {
struct CBenchOptions {
    std::int64_t records = 500;
    std::int64_t moves = 60;
    std::string data = "../shared/testdata/";
    std::string dir;
};

// records copies of the picture at source, with Zipf-drawn keywords.
bool MakeDatabase(const std::string& source, const std::string& base, std::int64_t records) {
    CPictureDatabase db;
    if (!db.OpenDatabase(base + ".PXM", true))
        return false;
    CMemFile stream(1 << 20);
    std::uint16_t crc = 0;
    if (!CPictureDatabase::ComputeCrc(stream, source, crc))
        return false;
    std::mt19937_64 random(16);
    CZipfWords words(random);
    std::uniform_int_distribution<int> count(0, 6);
    for (std::int64_t i = 0; i < records; ++i) {
        CPictureDatabase::Keywords keywords;
        const int n = count(random);
        for (int k = 0; k < n; ++k)
            keywords[std::size_t(k)] = std::string(words.Draw(random));
        char name[48];
        std::snprintf(name, sizeof name, "/pics/IMG_%05lld.jpg", static_cast<long long>(i));
        stream.SeekToBegin();
        if (!db.AddRecord(stream, crc, name, 0, 704, 440, keywords))
            return false;
    }
    return true;
}

struct CFigures {
    double aloneMs = 0;
    double hiddenMs = 0;
    double shownMs = 0;
    double editMs = 0;
    int listLines = 0;
};

// A view of the database at base (800 × 600, shown and opened) with its own document.
struct CBenchView {
    explicit CBenchView(const std::string& base) : view(doc, frame, settings) {
        view.SetPasswordDialog(&password);
        view.RegisterCommands(router);
        view.resize(800, 600);
        view.show();
        QCoreApplication::processEvents();
        view.OpenInitialDatabase(base + ".PXM");
    }
    // "Next data" and the repaints it causes, timed.
    double TimedNext() {
        CStopwatch watch;
        router.Run(CommandId::next);
        view.viewport()->repaint();
        if (CPropertiesWindow* window = view.PropertiesWindow(); window && window->isVisible())
            window->repaint();
        return watch.Millis();
    }

    CMemorySettings settings;
    CPicdexDoc doc;
    IViewFrame frame;
    CNoPassword password;
    CCommandRouter router;
    CPicdexView view;
};

// The reference view works on a copy of the database (reference), so that each holds its
// own files and the kinds of move can alternate.
CFigures Measure(const std::string& base, const std::string& reference,
                 const CBenchOptions& options) {
    CBenchView plain(reference);
    CBenchView with(base);
    with.router.Run(CommandId::dataProperties); // created and shown
    with.router.Run(CommandId::dataProperties); // hidden
    CPropertiesWindow* window = with.view.PropertiesWindow();
    auto* field = window->findChild<QLineEdit*>(QStringLiteral("keyword6"));
    plain.TimedNext(); // untimed: first touches of the memory
    with.TimedNext();

    std::vector<double> alone, hidden, shown, edit;
    for (std::int64_t i = 0; i < options.moves; ++i) {
        alone.push_back(plain.TimedNext());
        hidden.push_back(with.TimedNext());
        with.router.Run(CommandId::dataProperties);
        shown.push_back(with.TimedNext());
        // A keyword the record does not carry yet, as typed.
        field->setText(QStringLiteral("bench %1").arg(i));
        field->setModified(true);
        edit.push_back(with.TimedNext());
        with.router.Run(CommandId::dataProperties);
    }
    CFigures figures{Median(alone), Median(hidden), Median(shown), Median(edit), 0};
    figures.listLines = window->findChild<QListWidget*>()->count();
    return figures;
}
} // namespace

int main(int argc, char** argv) {
    CBenchOptions options;
    const bool parsed =
        ParseOptionPairs(argc, argv, [&](std::string_view name, std::string_view value) {
            if (name == "--records")
                return ParseInteger(value, 3, 1000000, options.records);
            if (name == "--moves")
                return ParseInteger(value, 1, 100000, options.moves);
            if (name == "--data") {
                options.data = std::string(value) + "/";
                return true;
            }
            if (name == "--dir") {
                options.dir = value;
                return true;
            }
            return false;
        });
    if (!parsed) {
        std::fprintf(stderr, "usage: bench_properties [--records N] [--moves N] [--data FOLDER] "
                             "[--dir FOLDER]\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    const std::string picture = options.data + "photos/Dune-704x440.jpg";
    if (!FileExists(picture)) {
        std::fprintf(stderr, "bench_properties: %s is missing\n", picture.c_str());
        return 1;
    }
    CTempFolder scratch(options.dir);
    if (!scratch.IsValid())
        return 1;
    const std::string base = scratch.Child("Pictures");
    const std::string reference = scratch.Child("Reference");
    std::error_code copyError;
    if (!MakeDatabase(picture, base, options.records) ||
        !std::filesystem::copy_file(base + ".PXM", reference + ".PXM", copyError) ||
        !std::filesystem::copy_file(base + ".PXI", reference + ".PXI", copyError)) {
        std::fprintf(stderr, "bench_properties: could not build the database\n");
        return 1;
    }

    const CFigures figures = Measure(base, reference, options);
    std::printf("bench_properties: %lld records, keyword list %d lines, platform %s, load %.1f\n",
                static_cast<long long>(options.records), figures.listLines,
                qPrintable(QGuiApplication::platformName()), LoadAverage());
    std::printf("Next -> repainted view, JPEG 704 x 440 (median of %lld moves each)\n",
                static_cast<long long>(options.moves));
    std::printf("  %-32s %9s %7s\n", "move", "ms", "ratio");
    std::printf("  %-32s %9.3f %7.3f\n", "alone (no window)", figures.aloneMs, 1.0);
    std::printf("  %-32s %9.3f %7.3f\n", "window hidden", figures.hiddenMs,
                figures.hiddenMs / figures.aloneMs);
    std::printf("  %-32s %9.3f %7.3f\n", "window shown", figures.shownMs,
                figures.shownMs / figures.aloneMs);
    std::printf("  %-32s %9.3f %7.3f\n", "edit + next (writes, syncs)", figures.editMs,
                figures.editMs / figures.aloneMs);
    return 0;
}
