// IViewFrame: what the picture view asks of the window around it and of the running
// application. CMainFrame implements it (handing the application's part on to
// CPicdexApp); tests and benchmarks take only what they need: every call has a default
// that does nothing.
#pragma once

#include <string>

class IViewFrame {
public:
    virtual ~IViewFrame() = default;

    // The zoom box shows percent as "%d %" (the view's ShowZoomPercent).
    virtual void ShowZoomPercentText(int /*percent*/) {}
    // Rewrites the window title from the open database and the current record.
    virtual void UpdateTitle() {}
    // True between the view's print preparation and its end of printing: the "MDF" pane
    // is not updated meanwhile.
    virtual void SetPrinting(bool /*printing*/) {}
    // The data-properties window's edits may have changed: the "MDF" pane follows them.
    virtual void UpdateModifiedPane() {}

    virtual bool IsFrameMinimized() const { return false; }
    virtual void MinimizeFrame() {}
    virtual void RestoreFrame() {}
    // Closes the main window, which ends the program.
    virtual void CloseFrame() {}
    // Starts the program once more with path as its one argument; this instance keeps
    // its own database.
    virtual void StartSecondInstance(const std::string& /*path*/) {}
};
