// The picture commands, which need no database: identify, convert, render, contrast. The
// global option --force256 (taken by CliMain before any image object exists) makes them
// behave as on a screen of 256 colours.
#include "imaging/Contrast.h"
#include "imaging/ImageExport.h"
#include "imaging/ImageType.h"
#include "imaging/PxDib.h"
#include "platform/FileException.h"
#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliOutputLine.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Largest side render draws: far beyond any screen, small enough for memory.
constexpr std::int32_t maxRenderSide = 16384;
// Most contrast steps one call applies: repeated steps settle long before this.
constexpr std::int32_t maxContrastSteps = 100;

// Loads path into a new object of the class its extension names; shows why not otherwise.
std::unique_ptr<PxImage> LoadPicture(const std::string& path) {
    const int type = ImageTypeFromPath(path);
    std::unique_ptr<PxImage> image = CreateImageForType(type);
    if (!image) {
        if (type == imageNone)
            ShowMessage(path + ": Invalid file format.");
        else
            ShowMessage(path + ": reading this picture format is not supported yet");
        return nullptr;
    }
    if (!image->LoadFromPath(path)) {
        // A file that cannot be opened names its cause; one that opens but does not
        // decode is not a picture of its format.
        const int cause = image->LastFileError();
        ShowMessage(path + ": " +
                    (cause == FileCause::none || cause == FileCause::endOfFile
                         ? "Invalid file format."
                         : FileErrorText(cause)));
        return nullptr;
    }
    return image;
}

int RunIdentify(CliArgs& args) {
    if (!args.Parse({{"--json", false}}, 1, CCliArgs::unbounded))
        return args.UsageError();
    const bool json = args.Has("--json");
    int status = 0;
    for (const std::string& path : args.Positionals()) {
        std::unique_ptr<PxImage> image = LoadPicture(path);
        if (!image) {
            status = 1;
            continue;
        }
        COutputLine line(json);
        line.AddText("file", path);
        line.AddNumber("type", ImageTypeFromPath(path));
        line.AddNumber("width", image->GetWidth());
        line.AddNumber("height", image->GetHeight());
        line.AddNumber("bits", image->GetImageBits());
        line.AddNumber("colors", image->GetColorCount());
        line.AddNumber("halftone", image->IsHalftone() ? 1 : 0);
        line.Print();
    }
    return status;
}

int RunConvert(CliArgs& args) {
    if (!args.Parse({}, 2, 2))
        return args.UsageError();
    const std::string& out = args.Positional(1);
    std::unique_ptr<PxImage> target = CreateImageForType(ImageTypeFromPath(out));
    if (!target) {
        ShowMessage(out + ": writing this picture format is not supported");
        return 1;
    }
    std::unique_ptr<PxImage> source = LoadPicture(args.Positional(0));
    if (!source)
        return 1;
    if (!target->CopyFrom(*source)) {
        ShowMessage("Not enough memory");
        return 1;
    }
    if (!target->SaveToPath(out)) {
        const int cause = target->LastFileError();
        ShowMessage(out + ": " + (cause ? FileErrorText(cause) : "the picture cannot be written"));
        return 1;
    }
    return 0;
}

int RunRender(CliArgs& args) {
    if (!args.Parse({{"--mode", true}}, 4, 4))
        return args.UsageError();
    std::int32_t width = 0, height = 0;
    if (!CCliArgs::ParseInt32(args.Positional(2), width) ||
        !CCliArgs::ParseInt32(args.Positional(3), height) || width < 1 || height < 1 ||
        width > maxRenderSide || height > maxRenderSide)
        return args.UsageError("WIDTH and HEIGHT must be whole numbers from 1 to 16384");
    int mode = 0; // the picture's own choice
    std::string modeName;
    if (args.Value("--mode", modeName)) {
        if (modeName == "halftone")
            mode = HALFTONE;
        else if (modeName == "coloroncolor")
            mode = COLORONCOLOR;
        else
            return args.UsageError("--mode takes halftone or coloroncolor");
    }
    std::unique_ptr<PxImage> image = LoadPicture(args.Positional(0));
    if (!image)
        return 1;

    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(dc, width, height)) {
        ShowMessage("Not enough memory");
        return 1;
    }
    CBitmap* previous = dc.SelectObject(&bitmap);
    const CRect whole(0, 0, static_cast<std::int32_t>(image->GetWidth()),
                      static_cast<std::int32_t>(image->GetHeight()));
    int lines;
    if (mode == 0) {
        lines = image->StretchToDC(dc, {0, 0, width, height}, whole);
    } else {
        dc.SetStretchBltMode(mode);
        lines = dc.StretchDIBits(0, 0, width, height, 0, 0, whole.right, whole.bottom,
                                 image->GetBits(), image->GetHeader(), DIB_RGB_COLORS, SRCCOPY);
    }
    dc.SelectObject(previous);
    if (lines == 0) {
        ShowMessage(args.Positional(0) + ": Invalid file format.");
        return 1;
    }
    PxDib captured;
    const std::string& out = args.Positional(1);
    if (!captured.CreateFromBitmap(dc, bitmap)) {
        ShowMessage("Not enough memory");
        return 1;
    }
    if (!captured.SaveToPath(out)) {
        const int cause = captured.LastFileError();
        ShowMessage(out + ": " + (cause ? FileErrorText(cause) : "the picture cannot be written"));
        return 1;
    }
    return 0;
}

int RunContrast(CliArgs& args) {
    if (!args.Parse({}, 3, 3))
        return args.UsageError();
    std::int32_t steps = 0;
    if (!CCliArgs::ParseInt32(args.Positional(2), steps) || steps < -maxContrastSteps ||
        steps > maxContrastSteps)
        return args.UsageError("STEPS must be a whole number from -100 to 100");
    const std::string& out = args.Positional(1);
    const int type = ImageTypeFromPath(out);
    if (type == imageNone) {
        ShowMessage(out + ": writing this picture format is not supported");
        return 1;
    }
    std::unique_ptr<PxImage> image = LoadPicture(args.Positional(0));
    if (!image)
        return 1;
    for (std::int32_t i = 0; i < std::abs(steps); ++i)
        AdjustContrast(*image, steps);
    if (!ExportAs(*image, type, out)) {
        ShowMessage(out + ": the picture cannot be written");
        return 1;
    }
    return 0;
}

const CliCommand imageCommands[] = {
    {"identify", "FILE... [--json]",
     "type code, width, height, bits per pixel, colours and halftone flag of pictures",
     RunIdentify},
    {"convert", "IN OUT", "write a picture in the format of OUT's extension", RunConvert},
    {"render", "IN OUT.bmp WIDTH HEIGHT [--mode halftone|coloroncolor]",
     "draw a picture at a size into a bitmap and write that as a BMP", RunRender},
    {"contrast", "IN OUT STEPS",
     "raise (STEPS > 0) or lower (STEPS < 0) a picture's contrast |STEPS| times and write it in "
     "the format of OUT's extension",
     RunContrast},
};

} // namespace

std::span<const CliCommand> ImageCommands() {
    return imageCommands;
}
