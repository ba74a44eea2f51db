// The program's command ids and private window messages. Menus, toolbar buttons, keys and
// pop-up items carry a command id; the windows register a handler for each id they run
// (CCommandRouter). The private messages are the notifications the windows send one
// another (numbers as the program has always used them).
#pragma once

namespace CommandId {
enum : int {
    fileOpen = 57601,
    add = 32795,
    saveAs = 57604,
    wallpaper = 32792,
    print = 57607,
    printPreview = 57609,
    printSetup = 57606,
    recentFirst = 57616, // eight entries: 57616 to 57623
    recentLast = 57623,
    appExit = 57665,
    search = 32789,
    displayAll = 32790,
    copy = 57634,
    markToggle = 32802,
    unmarkAll = 32804,
    pageMarked = 32801,
    markedThumbnails = 32800,
    deleteMarked = 32807,
    keywordOnMarked = 32803,
    transferMarked = 32805,
    outputMarked = 32809,
    markSearched = 32808,
    viewToolbar = 59392,
    viewStatusBar = 59393,
    dataProperties = 32787,
    sort = 32786,
    options = 32788,
    deleteRecord = 32791,
    checkDuplicates = 32806,
    reconstruct = 32798,
    outputAll = 32799,
    dataExchange = 32811,
    setPassword = 32797,
    slideShow = 32796,
    help = 57667,
    fileProperties = 32810,
    appAbout = 57664,
    zoomIn = 32771,
    zoomOut = 32772,
    zoom100 = 32782,
    top = 32783,
    previous = 32779,
    next = 32778,
    bottom = 32784,
    thumbnails = 32794,
    contrast = 32773,
    zoomFit = 32775,            // the whole picture in the window, never above 100 %
    toolbarPlaceholder = 32774, // no handler: the zoom box takes its place
};
}

namespace PrivateMessage {
enum : int {
    realizePalette = 0x400,
    openInitialDatabase = 0x44D,
    contrastStep = 0x464,
    showZoomValue = 0x466,
    runSearch = 0x467,
    keywordListSearch = 0x468,
    nextFromProperties = 0x46E,
    previousFromProperties = 0x46F,
    keywordListRebuilt = 0x472,
    keywordLineSelected = 0x473,
    showRecordFromThumbnails = 0x474,
    nextSlide = 0x477,
    reconstructionProgress = 0x478,
    moveAmongMarks = 0x482,
    exchangeProgress = 0x48C,
};
}

// What the enable rules of the command table look at, as the view reports it.
struct CCommandState {
    bool databaseOpen = false;
    // The open database is not read-only (read-only only when both files are).
    bool writable = false;
    bool searching = false;
    bool marksExist = false;
    // A current picture with pixel data is shown.
    bool pictureShown = false;
    // The list has a current record (it is not empty).
    bool recordShown = false;
};
