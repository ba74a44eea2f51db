// IApplicationHost: what a command asks of the running application beyond its document.
// The Qt application implements it; picdex-cli records the requests and carries them out
// itself in the same process.
#pragma once

#include <string>

class IApplicationHost {
public:
    virtual ~IApplicationHost() = default;
    // Opens the database at path. An instance that already has a database open starts a
    // new instance of the program with path instead.
    virtual void OpenByPath(const std::string& path) = 0;
    // Closes the main window: the instance ends and its database files are closed.
    virtual void CloseMainWindow() = 0;
};
