// ISaveFileDialog: the platform's dialog for choosing the name of a file to write. The
// commands that write a file ask their own questions about an existing file, so the
// dialog never asks about overwriting or creating.
#pragma once

#include <string>

struct CSaveFileRequest {
    std::string title;            // empty: the platform's own title
    std::string filter;           // "Description|pattern||" pairs; empty: every file
    std::string defaultExtension; // without its dot, added to a name typed without one
    std::string initialFolder;
    std::string proposedName;
};

class ISaveFileDialog {
public:
    virtual ~ISaveFileDialog() = default;
    // Shows the dialog; false on Cancel, else path holds the chosen file's full path.
    virtual bool AskSavePath(const CSaveFileRequest& request, std::string& path) = 0;
};
