// bench_thumbnails: the thumbnail browser over a database of --records records (the realistic
// names and keywords of bench_collection), each with its own stored thumbnail chain: GIF
// thumbnails made by the program from the corpus's photographs and JPEG files, in turn.
//  - Opening the browser on the whole list, on a record in the middle of the list by name:
//    the live entries before it counted, the page of 15 thumbnails read, decoded, laid out and
//    painted.
//  - The next page: "&Next" clicked and the window painted, page after page (--pages), and
//    the same number of "&Prev" clicks. Reference: the same pages read and decoded through
//    the core (CThumbnailPages) alone, in the same run.
//  - The marked records only, with the full 2,048 marks: opening and the next page.
// The thumbnails are read from the file as the browser reads them; the operating system's
// file cache is warm after the database is written (a cold first read is not measured).
//
// Build and run from the repository (a window system is needed: a display, Xvfb, or
// QT_QPA_PLATFORM=offscreen):
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-rel --target bench_thumbnails
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_thumbnails --records 50000
//
// Options: --records N (default 50000), --pages N (page turns, default 40), --data FOLDER
// (the corpus, default ../shared/testdata/), --dir FOLDER (where the scratch folder is made).
#include "bench/BenchUtil.h"
#include "bench/CollectionDatabase.h"
#include "bench/QuietDialogs.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "collection/ThumbnailPages.h"
#include "imaging/PreviewCell.h"
#include "imaging/Thumbnail.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/Password.h"
#include "ui/PicdexView.h"
#include "ui/ViewFrame.h"
#include "ui/dialogs/ThumbnailDialog.h"

#include <QApplication>
#include <QPushButton>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {
struct CBenchOptions {
    std::int64_t records = 50000;
    std::int64_t pages = 40;
    std::string data = "../shared/testdata/";
    std::string dir;
};

bool ParseOptions(int argc, char** argv, CBenchOptions& options) {
    return ParseOptionPairs(argc, argv, [&](std::string_view option, std::string_view value) {
        if (option == "--records")
            return ParseInteger(value, 100, 500000, options.records);
        if (option == "--pages")
            return ParseInteger(value, 1, 1000, options.pages);
        if ((option == "--data" || option == "--dir") && !value.empty()) {
            (option == "--data" ? options.data : options.dir) = std::string(value) + "/";
            return true;
        }
        return false;
    });
}

struct CThumbnail {
    std::vector<std::uint8_t> gif;
    std::uint32_t width = 0, height = 0;
};

// The program's thumbnails of the corpus's photographs and JPEG files.
std::vector<CThumbnail> MakeThumbnails(const std::string& data) {
    std::vector<CThumbnail> thumbnails;
    for (const char* folder : {"photos", "jpeg"}) {
        std::error_code error;
        for (const auto& file : std::filesystem::directory_iterator(data + folder, error)) {
            CPreviewCell cell;
            if (!cell.Load(file.path().string()) || !cell.GetImage())
                continue;
            CMemFile output;
            bool made = false;
            if (!MakeThumbnail(*cell.GetImage(), cell.GetType(), output, made) || !made)
                continue;
            const auto bytes = output.Data();
            thumbnails.push_back({{bytes.begin(), bytes.end()},
                                  cell.GetImage()->GetWidth(),
                                  cell.GetImage()->GetHeight()});
        }
    }
    return thumbnails;
}

// The database with a thumbnail chain per record, written without a sync per record.
bool BuildThumbnailDatabase(const std::string& base, std::vector<CollectionRecord>& records,
                            const std::vector<CThumbnail>& thumbnails) {
    CIndexBuilder builder;
    {
        CPictureDatabase database;
        if (!database.OpenDatabase(base, true))
            return false;
        for (std::size_t i = 0; i < records.size(); ++i) {
            CollectionRecord& record = records[i];
            const CThumbnail& thumbnail = thumbnails[i % thumbnails.size()];
            std::vector<std::uint8_t> bmp = MakeBmp(record.width, record.crc);
            CMemFile picture;
            picture.Write(bmp.data(), bmp.size());
            picture.SeekToBegin();
            CRecordHead head;
            FillHead(record, bmp, head);
            head.SetWidth(thumbnail.width);
            head.SetHeight(thumbnail.height);
            if (!database.Main().AppendRecord(picture, record.block, head))
                return false;
            CMemFile gif;
            gif.Write(thumbnail.gif.data(), thumbnail.gif.size());
            gif.SeekToBegin();
            if (!database.Main().StoreThumbnailChain(gif, record.block))
                return false;
            for (const std::string& key : RecordKeys(head))
                builder.Add(key, record.block);
        }
        if (!database.Commit())
            return false;
    }
    std::error_code ignored;
    std::filesystem::remove(base + ".PXI", ignored);
    return builder.Write(base + ".PXI");
}

void Report(const char* what, const std::vector<double>& ms) {
    std::printf("  %-44s median %7.2f ms, 90%% %7.2f ms, max %7.2f ms\n", what, Median(ms),
                Percentile(ms, 0.9), Percentile(ms, 1.0));
}

// Opens the browser (whole list or marked) runs times, then turns pages forward and back.
void BenchMode(CPicdexDoc& doc, CPicdexView& view, ISettings& settings, bool marked,
               std::int64_t pages) {
    std::printf("%s\n", marked ? "marked records (2,048 marks)" : "whole list, from the middle");
    const std::int32_t current = doc.Database().Index().GetCurrentNumber();
    std::vector<double> openMs;
    for (int run = 0; run < 9; ++run) {
        CIndexEntry entry;
        doc.Database().Index().ReadEntry(entry, current);
        doc.ShowEntry(entry);
        CStopwatch watch;
        CThumbnailPages opened(doc, view, marked);
        if (!opened.Open())
            return;
        CThumbnailDialog dialog(opened, settings, &view);
        dialog.show();
        dialog.repaint();
        openMs.push_back(watch.Millis());
    }
    Report("browser opened, first page painted", openMs);
    std::vector<double> coreOpenMs;
    int decoded = 0;
    const double cpuBefore = ProcessCpuSeconds();
    for (int run = 0; run < 9; ++run) {
        CIndexEntry entry;
        doc.Database().Index().ReadEntry(entry, current);
        doc.ShowEntry(entry);
        CStopwatch watch;
        CThumbnailPages opened(doc, view, marked);
        opened.Open();
        coreOpenMs.push_back(watch.Millis());
        decoded = 0;
        for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i)
            decoded += opened.Cell(i).image ? 1 : 0;
    }
    Report("reference: core opened (entries before, page)", coreOpenMs);
    std::printf("  core opened, processor time per opening       %7.2f ms\n",
                (ProcessCpuSeconds() - cpuBefore) * 1e3 / 9);
    std::printf("  thumbnails decoded on the first page          %d of 15\n", decoded);

    CIndexEntry entry;
    doc.Database().Index().ReadEntry(entry, current);
    doc.ShowEntry(entry);
    CThumbnailPages windowPages(doc, view, marked);
    if (!windowPages.Open())
        return;
    CThumbnailDialog dialog(windowPages, settings, &view);
    dialog.show();
    dialog.repaint();
    QCoreApplication::processEvents();
    auto* next = dialog.findChild<QPushButton*>(QStringLiteral("next"));
    auto* prev = dialog.findChild<QPushButton*>(QStringLiteral("prev"));
    std::vector<double> nextMs, prevMs;
    for (std::int64_t i = 0; i < pages && next->isEnabled(); ++i) {
        CStopwatch watch;
        next->click();
        dialog.repaint();
        nextMs.push_back(watch.Millis());
    }
    for (std::size_t i = 0; i < nextMs.size() && prev->isEnabled(); ++i) {
        CStopwatch watch;
        prev->click();
        dialog.repaint();
        prevMs.push_back(watch.Millis());
    }
    Report("\"&Next\": read, decoded, painted", nextMs);
    Report("\"&Prev\": read, decoded, painted", prevMs);

    // Reference: the same pages read and decoded by the core alone.
    doc.ShowEntry(entry);
    CThumbnailPages core(doc, view, marked);
    core.Open();
    std::vector<double> coreMs;
    for (std::size_t i = 0; i < nextMs.size(); ++i) {
        CStopwatch watch;
        if (!core.GoNext())
            break;
        coreMs.push_back(watch.Millis());
    }
    Report("reference: core page read and decoded", coreMs);
    std::printf("  window / core (median)                        %7.2f\n\n",
                Median(coreMs) > 0 ? Median(nextMs) / Median(coreMs) : 0.0);
}
} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    CBenchOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_thumbnails [--records N] [--pages N] [--data FOLDER] "
                             "[--dir FOLDER]\n");
        return 2;
    }
    CQuietPrompt prompt;
    CScopedPrompt scopedPrompt(prompt);
    CTempFolder folder(options.dir);
    if (folder.Path().empty())
        return 1;
    std::printf("bench_thumbnails: load average %.2f\n", LoadAverage());
    const std::vector<CThumbnail> thumbnails = MakeThumbnails(options.data);
    if (thumbnails.empty()) {
        std::fprintf(stderr, "bench_thumbnails: no pictures in %s\n", options.data.c_str());
        return 1;
    }
    std::mt19937_64 random(20010909);
    std::vector<CollectionRecord> records = MakeCollectionRecords(options.records, random);
    const std::string base = folder.Path() + "/thumbs";
    CStopwatch built;
    if (!BuildThumbnailDatabase(base, records, thumbnails)) {
        std::fprintf(stderr, "bench_thumbnails: building the database failed\n");
        return 1;
    }
    std::size_t gifBytes = 0;
    for (const CThumbnail& thumbnail : thumbnails)
        gifBytes += thumbnail.gif.size();
    std::printf("%zu records, %zu distinct thumbnails of %zu bytes on average, built in %.1f s\n\n",
                records.size(), thumbnails.size(), gifBytes / thumbnails.size(), built.Seconds());

    CMemorySettings settings;
    settings.WriteProfileString("Options", "SortType", "1"); // the list by name
    CPicdexDoc doc;
    IViewFrame frame;
    CNoPassword password;
    CPicdexView view(doc, frame, settings);
    view.SetPasswordDialog(&password);
    view.resize(800, 600);
    view.show();
    if (!view.OpenInitialDatabase(base) || !doc.Database().IsOpen())
        return 1;
    doc.ShowAll(1, true);
    for (std::size_t i = 0; i < records.size() / 2; ++i)
        doc.GoNext();
    BenchMode(doc, view, settings, false, options.pages);

    std::mt19937_64 pick(7);
    CMarkList& marks = doc.Database().Marks();
    while (marks.Count() < CMarkList::maxMarks && marks.Count() < int(records.size()))
        marks.Mark(records[pick() % records.size()].block);
    BenchMode(doc, view, settings, true, options.pages);
    return 0;
}
