// bench_view: the picture view's paint path, each figure beside the document's own work
// measured in the same run:
//  - Next → repainted window: a database of two copies of one picture (the 12 MP JPEG of
//    the corpus, then the 640 × 480 GIF); every "Next data" command goes to the other copy,
//    which the document reads and decodes, and the view then repaints its window at once.
//    The reference is CPicdexDoc::GoNext alone on the same database (read and decode), so
//    next / load is what the view adds on top of loading. For the JPEG, both are also set
//    against a plain libjpeg-turbo decoding of the file into one block reused from picture
//    to picture (the decoding alone, nothing mapped anew), and a second series times Next
//    with its repaint after the window has been left alone for half a second (events
//    handled meanwhile), the time in which the document reads the neighbours ahead; every
//    other move of that series times GoNext alone.
//  - Panning the 12 MP picture at 100 %: the pointer moves 8 × 6 device pixels per frame
//    (reversing at the picture's edges), every frame scrolls and repaints the window at
//    once; frames per second, and the time of one frame against one full paint of the
//    window without scrolling.
// Both run with "Force256" stored as 1 (JPEG pictures are reduced to 256 colours while
// decoding) and as 0; Next also with nothing stored, as on the first start.
//
// Build and run from the repository (a window system is needed: a display, Xvfb, or
// QT_QPA_PLATFORM=offscreen):
//   cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICDEX_TESTS=OFF
//   cmake --build build-rel --target bench_view
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_view --moves 20 --frames 300
//
// Options: --moves N (default 20, after one untimed move), --frames N (default 300),
// --width W --height H (the window's client size, default 1024 × 768), --data FOLDER (the
// corpus, default ../shared/testdata/ from the repository), --dir FOLDER (scratch folder).
#include "bench/BenchUtil.h"
#include "bench/PlainJpeg.h"
#include "bench/QuietDialogs.h"
#include "collection/PicdexDoc.h"
#include "collection/Settings.h"
#include "imaging/ImageOptions.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/PictureDatabase.h"
#include "ui/PicdexView.h"
#include "ui/commands/CommandIds.h"
#include "ui/commands/CommandRouter.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {
struct CBenchOptions {
    std::int64_t moves = 20;
    std::int64_t frames = 300;
    std::int64_t width = 1024;
    std::int64_t height = 768;
    std::string data = "../shared/testdata/";
    std::string dir;
};

// A view of the database at base in a window of the benchmark's size, opened and painted
// once, with "Force256" stored as given (nothing stored when absent). The frame around it
// only needs to exist.
struct CBenchWindow {
    CBenchWindow(const std::string& base, std::optional<bool> force256,
                 const CBenchOptions& options)
        : view(doc, frame, Settings(settings, force256)) {
        view.SetPasswordDialog(&password);
        view.RegisterCommands(router);
        view.resize(int(options.width), int(options.height));
        view.show();
        QCoreApplication::processEvents();
        view.OpenInitialDatabase(base + ".PXM");
        view.viewport()->repaint();
    }
    static ISettings& Settings(CMemorySettings& settings, std::optional<bool> force256) {
        if (force256)
            settings.WriteProfileString("Options", "Force256", *force256 ? "1" : "0");
        return settings;
    }

    CMemorySettings settings;
    CPicdexDoc doc;
    IViewFrame frame;
    CNoPassword password;
    CCommandRouter router;
    CPicdexView view;
};

// A database at base holding two copies of the picture file source, named a.EXT and b.EXT.
bool MakeTwoCopyDatabase(const std::string& source, const std::string& base) {
    const std::string extension = std::filesystem::path(source).extension().string();
    CPictureDatabase db;
    if (!db.OpenDatabase(base + ".PXM", true))
        return false;
    CPicdexDoc decoder;
    for (const char* name : {"a", "b"}) {
        const std::string copy =
            std::filesystem::path(base).parent_path().string() + "/" + name + extension;
        std::error_code error;
        std::filesystem::copy_file(source, copy, std::filesystem::copy_options::overwrite_existing,
                                   error);
        if (error)
            return false;
        CMemFile stream(65536);
        std::uint16_t crc = 0;
        if (!CPictureDatabase::ComputeCrc(stream, copy, crc))
            return false;
        stream.SeekToBegin();
        if (!decoder.LoadPicture(copy, stream) || !decoder.GetCurrentPicture())
            return false;
        PxImage* picture = decoder.GetCurrentPicture();
        stream.SeekToBegin();
        if (!db.AddRecord(stream, crc, copy, 0, picture->GetWidth(), picture->GetHeight(), {}))
            return false;
    }
    return true;
}

struct CNextFigures {
    double nextMs = 0;
    double loadMs = 0;
    double plainMs = 0;      // plain decoding into a reused block; 0 when not measured
    double pausedMs = 0;     // Next and repaint after half a second of looking
    double pausedLoadMs = 0; // GoNext alone after the same
};

// Handles the window's events for the given time, as while the user looks at a picture.
void Look(std::chrono::milliseconds time) {
    const auto end = std::chrono::steady_clock::now() + time;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

// Median times of the Next command with its repaint and of GoNext alone, alternating (and
// the plain decoding of plainJpeg into a reused block, when given); then of Next after a
// half-second look.
CNextFigures MeasureNext(const std::string& base, std::optional<bool> force256,
                         const CBenchOptions& options, const std::string& plainJpeg = {}) {
    CBenchWindow window(base, force256, options);
    CPicdexView& view = window.view;
    CPicdexDoc& doc = window.doc;

    std::vector<double> next;
    std::vector<double> load;
    std::vector<double> plain;
    std::vector<double> paused;
    std::vector<std::uint8_t> block;
    CPlainJpegDecode how;
    how.quantize = Force256Colors();
    how.reuse = &block;
    window.router.Run(CommandId::next); // untimed: first touches of the memory
    view.viewport()->repaint();
    if (!plainJpeg.empty())
        PlainJpegDecode(plainJpeg, how);
    for (std::int64_t i = 0; i < options.moves; ++i) {
        CStopwatch watch;
        window.router.Run(CommandId::next);
        view.viewport()->repaint();
        next.push_back(watch.Millis());
        watch.Restart();
        doc.GoNext();
        load.push_back(watch.Millis());
        if (!plainJpeg.empty()) {
            watch.Restart();
            PlainJpegDecode(plainJpeg, how);
            plain.push_back(watch.Millis());
        }
    }
    std::vector<double> pausedLoad;
    for (std::int64_t i = 0; i < options.moves; ++i) {
        Look(std::chrono::milliseconds(500));
        CStopwatch watch;
        if (i % 2 == 0) {
            window.router.Run(CommandId::next);
            view.viewport()->repaint();
            paused.push_back(watch.Millis());
        } else {
            doc.GoNext();
            pausedLoad.push_back(watch.Millis());
        }
    }
    return {Median(next), Median(load), plain.empty() ? 0.0 : Median(plain), Median(paused),
            Median(pausedLoad)};
}

struct CPanFigures {
    double framesPerSecond = 0;
    double frameMs = 0;
    double paintMs = 0;
};

CPanFigures MeasurePan(const std::string& base, bool force256, const CBenchOptions& options) {
    CBenchWindow window(base, force256, options);
    CPicdexView& view = window.view;

    std::vector<double> paints;
    for (int i = 0; i < 20; ++i) {
        CStopwatch watch;
        view.viewport()->repaint();
        paints.push_back(watch.Millis());
    }

    const CSize client = view.GetClientSize();
    const CPoint start = view.DeviceToLogical({client.cx / 2, client.cy / 2});
    view.SetPanMode(1);
    view.StartPan(start, 130);
    int stepX = 8;
    int stepY = 6;
    std::int64_t frames = 0;
    CStopwatch watch;
    while (frames < options.frames) {
        const CPoint before = view.GetDeviceScrollPosition();
        // The pointer moves by (−stepX, −stepY): the picture point under it is that far
        // from the grabbed one, and the view scrolls to bring the grabbed point back.
        view.ContinuePan({start.x - stepX, start.y - stepY});
        const CPoint after = view.GetDeviceScrollPosition();
        if (after == before) {
            stepX = -stepX;
            stepY = -stepY;
            continue;
        }
        if (after.x == before.x)
            stepX = -stepX;
        if (after.y == before.y)
            stepY = -stepY;
        ++frames;
    }
    const double seconds = watch.Seconds();
    view.EndPan(start);
    return {double(frames) / seconds, seconds * 1e3 / double(frames), Median(paints)};
}
} // namespace

int main(int argc, char** argv) {
    CBenchOptions options;
    const bool parsed =
        ParseOptionPairs(argc, argv, [&](std::string_view name, std::string_view value) {
            if (name == "--moves")
                return ParseInteger(value, 1, 100000, options.moves);
            if (name == "--frames")
                return ParseInteger(value, 1, 1000000, options.frames);
            if (name == "--width")
                return ParseInteger(value, 64, 8192, options.width);
            if (name == "--height")
                return ParseInteger(value, 64, 8192, options.height);
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
        std::fprintf(stderr, "usage: bench_view [--moves N] [--frames N] [--width W] "
                             "[--height H] [--data FOLDER] [--dir FOLDER]\n");
        return 2;
    }
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    const std::string jpeg = options.data + "photos/sunset_by_Aitzol_Berasategi.jpg";
    const std::string gif = options.data + "photos/ladybird-640x480.gif";
    if (!FileExists(jpeg) || !FileExists(gif)) {
        std::fprintf(stderr, "bench_view: the corpus pictures are missing under %s\n",
                     options.data.c_str());
        return 1;
    }
    CTempFolder scratch(options.dir);
    if (!scratch.IsValid())
        return 1;
    std::filesystem::create_directory(scratch.Child("jpeg"));
    std::filesystem::create_directory(scratch.Child("gif"));
    const std::string jpegBase = scratch.Child("jpeg/Pictures");
    const std::string gifBase = scratch.Child("gif/Pictures");
    if (!MakeTwoCopyDatabase(jpeg, jpegBase) || !MakeTwoCopyDatabase(gif, gifBase)) {
        std::fprintf(stderr, "bench_view: could not build the databases\n");
        return 1;
    }

    std::printf("bench_view: window %lld x %lld, platform %s, load %.1f\n",
                static_cast<long long>(options.width), static_cast<long long>(options.height),
                qPrintable(QGuiApplication::platformName()), LoadAverage());
    std::printf("\nNext -> repainted window (median of %lld moves)\n",
                static_cast<long long>(options.moves));
    std::printf(
        "  (plain ms: the library's decoding into a reused block; load/plain aim "
        "<= 1.1; paused: Next after half a second of looking, aim < 16 ms, and GoNext alone)\n");
    std::printf("  %-24s %8s %9s %9s %7s %9s %10s %9s %9s %s\n", "picture", "Force256", "next ms",
                "load ms", "ratio", "plain ms", "load/plain", "paused ms", "p. load", "shown in");
    const std::optional<bool> stored[] = {true, false, std::nullopt};
    for (const std::optional<bool> force256 : stored) {
        for (const auto& [label, base, plain] :
             {std::tuple{"12 MP JPEG 4272 x 2848", jpegBase, jpeg},
              std::tuple{"GIF 640 x 480", gifBase, std::string()}}) {
            const CNextFigures figures = MeasureNext(base, force256, options, plain);
            std::printf("  %-24s %8s %9.2f %9.2f %7.3f", label,
                        !force256   ? "none"
                        : *force256 ? "1"
                                    : "0",
                        figures.nextMs, figures.loadMs, figures.nextMs / figures.loadMs);
            if (figures.plainMs > 0)
                std::printf(" %9.2f %10.3f", figures.plainMs, figures.loadMs / figures.plainMs);
            else
                std::printf(" %9s %10s", "-", "-");
            std::printf(" %9.2f %9.2f %s\n", figures.pausedMs, figures.pausedLoadMs,
                        Force256Colors() ? "256 colours" : "true colour");
        }
    }
    std::printf("\nPanning the 12 MP JPEG at 100 %% (%lld frames)\n",
                static_cast<long long>(options.frames));
    std::printf("  %-10s %12s %10s %12s\n", "256 col", "frames/s", "frame ms", "paint ms");
    for (const bool force256 : {true, false}) {
        const CPanFigures figures = MeasurePan(jpegBase, force256, options);
        std::printf("  %-10s %12.1f %10.3f %12.3f\n", force256 ? "on" : "off",
                    figures.framesPerSecond, figures.frameMs, figures.paintMs);
    }
    SetForce256Colors(false);
    return 0;
}
