#include "ui/commands/CommandTable.h"

#include <algorithm>
#include <array>

namespace {
using R = EnableRule;
namespace C = CommandId;

constexpr std::array<CCommandEntry, 47> commands{{
    {C::fileOpen, "File", "&Open...\tCtrl+O", "Ctrl+O", "Open Picdex file\nOpen", R::always},
    {C::add, "File", "A&dd...", nullptr, "Add data\nAdd date", R::writable},
    {C::saveAs, "File", "Save &As...", nullptr, "Save as\nSave as", R::always, true},
    {C::wallpaper, "File", "&Wallpaper", nullptr, "Use the displayed image as wallpaper\nWallpaper",
     R::always},
    {C::print, "File", "&Print...\tCtrl+P", "Ctrl+P", "Print\nPrint", R::always, true},
    {C::printPreview, "File", "Pre&view print", nullptr, "Preview print\nPreview", R::always},
    {C::printSetup, "File", "P&rinter setup...", nullptr, "Printer set-up\nPrinter set-up",
     R::always},
    {C::recentFirst, "File", nullptr, nullptr, "Open most recently used File", R::framework},
    {C::appExit, "File", "E&xit Picdex", nullptr, "Exit Picdex\nExit", R::always, true},
    {C::search, "Edit", "&Search...", "Ctrl+S", "Search data\nSearch", R::always},
    {C::displayAll, "Edit", "Display &all", nullptr, "Display all data\nDisplay all", R::searching},
    {C::copy, "Edit", "&Copy\tCtrl+C", nullptr, "Copy the image to the clip board\nCopy",
     R::pictureShown},
    {C::markToggle, "Mark", "&Mark/Unmark", nullptr, "Mark/Unmark\nMark/Unmark", R::always},
    {C::unmarkAll, "Mark", "&Unmark all", nullptr, "Unmark all\nUnmark all", R::marksExist, true},
    {C::pageMarked, "Mark", "&Page among marked data", nullptr,
     "Page among marked data\nPage among marked data", R::marksExist},
    {C::markedThumbnails, "Mark", "Display marked thumbnails", nullptr,
     "Display marked thumbnails\nMarked thumbnails", R::marksExist},
    {C::deleteMarked, "Mark", "Delete marked data", nullptr,
     "Delete marked data\nDe&lete marked data", R::marksWritable},
    {C::keywordOnMarked, "Mark", "Add/Delete &keyword on marked data", nullptr,
     "Add/Delete keyword on marked data\nAdd/Delete keyword", R::marksWritable},
    {C::transferMarked, "Mark", "&Transfer marked data", nullptr,
     "Transfer marked data\nTransfer marked data", R::marksWritable},
    {C::outputMarked, "Mark", "&Output marked data", nullptr,
     "Output marked data\nOutput marked data", R::marksExist},
    {C::markSearched, "Mark", "Mark &searched data", nullptr,
     "Mark searched data\nMark searched data", R::always, true},
    {C::viewToolbar, "View", "&Toolbar", nullptr, "Show/Hide Toolbar\nToolbar", R::framework},
    {C::viewStatusBar, "View", "&Status bar", nullptr, "Show/Hide status bar\nStatus bar",
     R::framework},
    {C::dataProperties, "View", "&Data properties", "Alt+P",
     "Show/Hide Data properties\nData properties", R::always, true},
    {C::sort, "View", "S&ort", nullptr, "Sort\nSort", R::always},
    {C::options, "View", "O&ptions...", nullptr, "Options\nOptions", R::always},
    {C::deleteRecord, "Tools", "&Delete...", "Del", "Delete the displayed data\nDelete",
     R::recordWritable},
    {C::checkDuplicates, "Tools", "&Check for duplicate data...", nullptr,
     "Check for duplicated data\nCheck for duplicated data", R::always, true},
    {C::reconstruct, "Tools", "&Reconstruct...", nullptr, "Reconstruct the file\nReconstruct",
     R::writable},
    {C::outputAll, "Tools", "&Output all the data", nullptr, "Output all the data\nOutput all",
     R::always},
    {C::dataExchange, "Tools", "Data e&xchange", nullptr, "Data exchange\nData exchange",
     R::writable},
    {C::setPassword, "Tools", "&Set password", nullptr, "Set password\nPassword", R::writable,
     true},
    {C::slideShow, "Tools", "Slide sh&ow...", "Ctrl+W", "Slide show\nSlide show", R::always},
    {C::help, "?", "&Help", "F1", "Help\nHelp", R::always},
    {C::fileProperties, "?", "&File properties", nullptr, "File properties\nFile properties",
     R::always},
    {C::appAbout, "?", "&About Picdex", nullptr, "About Picdex\nAbout Picdex", R::always, true},
    {C::zoomIn, nullptr, nullptr, "+; Num++", "Zoom in\nZoom in", R::always},
    // A button needs its tip, so that it has a name.
    {C::zoomOut, nullptr, nullptr, "-; Num+-", "Zoom out\nZoom out", R::always},
    {C::zoomFit, nullptr, nullptr, "*; Num+*", "Fit the picture to the window\nFit", R::always},
    {C::zoom100, nullptr, nullptr, nullptr, "100%\n100%", R::always},
    {C::top, nullptr, nullptr, nullptr, "Top of data\nTop", R::always},
    {C::previous, nullptr, nullptr, "Ctrl+Up", "Previous data\nPrevious", R::always},
    {C::next, nullptr, nullptr, "Ctrl+Down", "Next data\nNext", R::always},
    {C::bottom, nullptr, nullptr, nullptr, "Bottom of data\nBottom", R::always},
    {C::thumbnails, nullptr, nullptr, "Ctrl+L; Alt+L", "Thumbnails\nThumbnails", R::always},
    // Contrast adjustment: offered in the View menu, so that its dialog can be reached.
    {C::contrast, "View", "コントラスト調整(&J)...", nullptr, "コントラスト調整\nコントラスト調整",
     R::always},
    // The zoom box takes this button's place; it has no handler.
    {C::toolbarPlaceholder, nullptr, nullptr, nullptr, nullptr, R::framework},
}};

constexpr std::array<int, 20> toolbar{
    C::copy,
    0,
    C::print,
    0,
    C::toolbarPlaceholder,
    0,
    C::zoomIn,
    C::zoom100,
    C::zoomOut,
    0,
    C::dataProperties,
    C::search,
    C::displayAll,
    0,
    C::top,
    C::previous,
    C::next,
    C::bottom,
    0,
    C::thumbnails,
};

constexpr std::array<int, 9> popup{
    C::saveAs, C::copy,   C::wallpaper,  0, C::markToggle, C::deleteRecord,
    0,         C::search, C::displayAll,
};

} // namespace

std::span<const CCommandEntry> CommandTable() {
    return commands;
}

const CCommandEntry* FindCommand(int id) {
    if (id >= C::recentFirst && id <= C::recentLast)
        id = C::recentFirst;
    const auto found = std::find_if(commands.begin(), commands.end(),
                                    [id](const CCommandEntry& entry) { return entry.id == id; });
    return found == commands.end() ? nullptr : &*found;
}

std::span<const int> ToolbarLayout() {
    return toolbar;
}

std::span<const int> PopupLayout() {
    return popup;
}

bool IsCommandEnabled(const CCommandEntry& entry, const CCommandState& state) {
    switch (entry.rule) {
    case EnableRule::always:
    case EnableRule::framework:
        return true;
    case EnableRule::writable:
        return state.databaseOpen && state.writable;
    case EnableRule::searching:
        return state.searching;
    case EnableRule::marksExist:
        return state.marksExist;
    case EnableRule::marksWritable:
        return state.marksExist && state.databaseOpen && state.writable;
    case EnableRule::pictureShown:
        return state.pictureShown;
    case EnableRule::recordWritable:
        return state.recordShown && state.databaseOpen && state.writable;
    }
    return false;
}
