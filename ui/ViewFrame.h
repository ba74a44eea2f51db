// IViewFrame: what the picture view asks of the window around it and of the running
// application. CMainFrame implements it (handing the application's part on to
// CPicdexApp); the widget tests implement it to record the calls.
#pragma once

#include <string>

class IViewFrame {
public:
    virtual ~IViewFrame() = default;

    // The zoom box shows percent as "%d %" (the view's ShowZoomPercent).
    virtual void ShowZoomPercentText(int percent) = 0;
    // Rewrites the window title from the open database and the current record.
    virtual void UpdateTitle() = 0;
    // True between the view's print preparation and its end of printing: the "MDF" pane
    // is not updated meanwhile.
    virtual void SetPrinting(bool printing) = 0;

    virtual bool IsFrameMinimized() const = 0;
    virtual void MinimizeFrame() = 0;
    virtual void RestoreFrame() = 0;
    // Closes the main window, which ends the program.
    virtual void CloseFrame() = 0;
    // Starts the program once more with path as its one argument; this instance keeps
    // its own database.
    virtual void StartSecondInstance(const std::string& path) = 0;
};
