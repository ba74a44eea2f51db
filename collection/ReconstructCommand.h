// CReconstructCommand: the Reconstruct command on the open database. The user chooses the
// index file or the main file; the new file is built under a temporary name beside the
// database with a progress dialog, and after a successful build the application opens the
// database again in a new instance and closes this one, because only a process that does
// not hold the files can swap the new ones in (CompletePendingReconstruction). With the
// Control key down at the confirmation, a main-file reconstruction writes a separate
// database chosen by the user instead and changes nothing else.
#pragma once

#include "collection/ApplicationHost.h"
#include "collection/SaveFileDialog.h"
#include "collection/Settings.h"
#include "storage/Reconstruction.h"

#include <cstdint>
#include <functional>
#include <string>

class CPictureDatabase;

// The buttons of the "Reconstruction" dialog: Cancel, or OK with "&Index file" or
// "&Main file" selected.
enum class ReconstructChoice { cancel, index, main };

// The counter text of the progress dialog: "%d / %d".
std::string ReconstructProgressText(std::int32_t done, std::int32_t total);

class IReconstructDialogs : public ISaveFileDialog {
public:
    using Build = std::function<int(IReconstructionProgress&)>;

    // The "Reconstruction" dialog with its warning.
    virtual ReconstructChoice AskReconstruction() = 0;
    // Whether the Control key is down, asked right after the dialog was confirmed.
    virtual bool IsControlKeyDown() = 0;
    // The "Reconstructing" dialog of the index (which is index) or the main file. When the
    // user presses "&Start" it disables the button, shows the wait cursor, runs build with
    // itself as the progress (each step shows ReconstructProgressText and repaints) and
    // closes, returning build's result. Closed without Start it returns 0.
    virtual int RunBuild(ReconstructChoice which, const Build& build) = 0;
};

class CReconstructCommand {
public:
    CReconstructCommand(CPictureDatabase& db, IReconstructDialogs& dialogs, IApplicationHost& host,
                        ISettings& settings);

    // The command. 1 when a new file was built: the database was handed to a new instance
    // and the main window closed, or the separate database was created. 0 when it was
    // cancelled or the build failed; a failed build leaves no temporary file behind. A main
    // file built without the records it could not read says how many it copied and how
    // many it could not.
    int Run();
    // What the last main-file build copied.
    const MainCopyReport& CopyReport() const { return m_copy; }

private:
    int ReconstructIndex();
    int ReconstructMain();
    int ReconstructMainInto();
    // Opens the database in a new instance, which completes the swap, and ends this one.
    void HandOver();
    void ReportUncopied();

    CPictureDatabase& m_db;
    IReconstructDialogs& m_dialogs;
    IApplicationHost& m_host;
    ISettings& m_settings;
    MainCopyReport m_copy;
};
