// The windows the Add command meets in the middle of its work: the add-files browser, the
// "Save" dialog that takes the keywords, the question asked before the remaining files are
// saved unattended, the duplicate dialog, and the main frame and views around them. The Qt
// layer implements these interfaces; picdex-cli and the tests answer from a script.
#pragma once

#include "platform/Prompt.h"
#include "storage/PictureDatabase.h"

#include <span>
#include <string>
#include <vector>

class PxImage;

// The question of "Save &all", and the text the duplicate dialog shows above the picture.
inline constexpr const char* minimizeQuestion = "Minimize this window while saving?";
inline constexpr const char* duplicateQuestion = "Found the same data in the database file. Save?";

// One line of the add-files browser's list: every file listed counts for the "Save &all"
// decision, only the chosen ones are stored.
struct CAddFileChoice {
    std::string path;
    bool chosen = true;
};

// The buttons of the "Save" dialog: "&Save", "Save &all", "&Do not save", "&Cancel".
enum class SaveChoice { save, saveAll, doNotSave, cancel };
// The buttons of the duplicate dialog: "&Save", "&Do not save", "Do not save &ANY
// duplicated data".
enum class DuplicateChoice { save, doNotSave, doNotSaveAny };

class IAddDialogs {
public:
    virtual ~IAddDialogs() = default;

    // The add-files browser: fills files with its list in order; false for anything but OK.
    virtual bool BrowseFiles(std::vector<CAddFileChoice>& files) = 0;

    // The "Save" dialog for the file at path. keywords arrives empty; on save and saveAll
    // it holds the six fields as confirmed. "Save &all" is enabled only when saveAllEnabled.
    virtual SaveChoice AskSave(const std::string& path, bool saveAllEnabled,
                               CPictureDatabase::Keywords& keywords) = 0;

    // Asked when "Save &all" was chosen, before the remaining files are saved without the
    // dialog; true for Yes. The default asks through the prompt.
    virtual bool AskMinimizeWhileSaving() { return AskYesNo(minimizeQuestion); }

    // The duplicate dialog (title "Save?") for the file at path, whose data equals a stored
    // record's: shows duplicateQuestion and draws picture, the file decoded, at its own size.
    virtual DuplicateChoice AskDuplicate(PxImage& picture, const std::string& path) = 0;
};

// The windows around the command. Every call has a default that does nothing, for a front
// end without windows.
class IAddWindows {
public:
    virtual ~IAddWindows() = default;

    virtual bool IsMainWindowMinimized() const { return false; }
    virtual void MinimizeMainWindow() {}
    virtual void RestoreMainWindow() {}
    // The data-properties window shows no record while the next file is read.
    virtual void BlankProperties() {}
    // Realise the shown picture's palette and repaint the view at once, so the user sees
    // each stored picture while the command goes on.
    virtual void RefreshView() {}
    // The records named are on stable storage: the command may now report them stored.
    // Told once per record, in the order stored.
    virtual void PicturesStored(std::span<const std::int32_t> /*blocks*/) {}
};
