// The File > Open command's dialog logic, which is also how the user creates a database:
// choose a file, agree to create a missing one, remember the folder. Opening the chosen
// path is the application's part.
#pragma once

#include "collection/SaveFileDialog.h"
#include "collection/Settings.h"

#include <string>

// The platform's dialog for choosing a file to open (the chosen file need not exist).
class IOpenFileDialog {
public:
    virtual ~IOpenFileDialog() = default;
    // Shows the dialog with the title, filter, default extension and initial folder of
    // request; false on Cancel, else path holds the chosen file's full path.
    virtual bool AskOpenPath(const CSaveFileRequest& request, std::string& path) = 0;
};

// Shows the dialog "Open Picdex file" in the folder of the setting "OpenPath"; a chosen file
// that does not exist is created only when the user answers Yes to "File not found.
// Create?". The chosen file's folder is written to "OpenPath" unless it is on a removable
// disk or CD-ROM. Returns true with chosenPath set when that database is to be opened;
// false on Cancel or No.
bool OpenCommand(ISettings& settings, IOpenFileDialog& dialog, std::string& chosenPath);
