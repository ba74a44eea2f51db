// CViewProperties: the picture view's data-properties window (command 32787) and the keyword
// edits typed into it. The window is made on first use; edits are written into the current
// record before anything moves away from it, and a write that failed is not tried again
// (and its failure not shown again) until the edits change.
#pragma once

#include "storage/PictureDatabase.h"

#include <functional>
#include <memory>
#include <optional>

class CPicdexDoc;
class CPropertiesWindow;
class IViewFrame;
class QWidget;

class CViewProperties {
public:
    // move runs messages 0x46E and 0x46F from the window ("Next data" and "Previous data");
    // view is the widget whose top-level window owns the window. doc, frame and view outlive
    // this object.
    CViewProperties(CPicdexDoc& doc, IViewFrame& frame, QWidget& view,
                    std::function<void(int message)> move);
    ~CViewProperties();

    // Null until the first Toggle.
    CPropertiesWindow* Window() const { return m_window.get(); }
    bool IsVisible() const;
    // Whether the window holds keyword edits not yet written (the "MDF" pane).
    bool HasPendingEdits() const;

    // Creates the window on first use; hides it when shown, else refreshes and shows it.
    void Toggle();
    // Writes pending keyword edits into the current record. True when nothing was pending
    // or it was written (the change flags are then cleared); false when the write failed:
    // the flags stay set and the cause was shown. Nothing to do without the window.
    bool Commit();
    // Commit, unless the pending edits are the very ones whose write failed last (the focus
    // coming back after the failure's own message).
    void CommitUnlessFailedBefore();
    // Shows the current record in the window (blank: an empty head); a record that cannot
    // be read leaves the window as it was.
    void Refresh(bool blank);

private:
    CPicdexDoc& m_doc;
    IViewFrame& m_frame;
    QWidget& m_view;
    std::function<void(int)> m_move;
    std::unique_ptr<CPropertiesWindow> m_window;
    std::optional<CPictureDatabase::Keywords> m_failedEdits;
};
