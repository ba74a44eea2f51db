// CViewCommands: the commands the picture view carries out. It registers their handlers and
// the state the enable rules look at with the frame's router, runs the pop-up menu through
// it, and runs the view's own commands (zoom, moving through the list, the clipboard, marks,
// the dialogs that end in an action, the slide shows), handing printing to the view's
// CViewPrinter, the marked-data and collection-wide commands to CViewMarkCommands and
// CViewCollectionCommands, and the collection work to the document and the collection
// commands.
#pragma once

#include "ui/ViewCollectionCommands.h"
#include "ui/ViewMarkCommands.h"

#include <memory>
#include <vector>

class CCommandRouter;
class CPicdexView;
class CSlideShow;
class IAddDialogs;
class QPoint;

class CViewCommands {
public:
    // Reads "Force256" (GetForce256) and "IgnoreDuply" from section "Options" and sets the
    // process-wide 256-colour flag. view outlives this object.
    explicit CViewCommands(CPicdexView& view);
    // Takes the handlers and the state source back from the router.
    ~CViewCommands();
    CViewCommands(const CViewCommands&) = delete;
    CViewCommands& operator=(const CViewCommands&) = delete;

    // Registers every handler of the view and the state source with router, which must
    // outlive this object; makes the slide shows.
    void Register(CCommandRouter& router);
    // The pop-up menu at globalPos (screen coordinates); nothing before Register.
    void ShowPopupMenu(const QPoint& globalPos);

    // Top, Previous, Next or Bottom, after the pending keyword edits are written. False when
    // they could not be or the list has nothing to move to.
    bool Move(int id);
    // Messages 0x46E and 0x46F from the data-properties window.
    void MoveFromProperties(int message);
    void ToggleMark();
    // The thumbnail browser, run modally: the whole list from the current record, or the
    // marked records only. 1 closed with OK (the selected record is shown), 0 cancelled (a
    // record clicked stays shown), -1 not opened ("Data not found", or pending edits that
    // could not be written).
    int Thumbnails(bool markedOnly);

    // The add flow's prompts and dialogs, set by the frame; null until then.
    IAddDialogs* AddDialogs() const { return m_addDialogs; }
    void SetAddDialogs(IAddDialogs* dialogs) { m_addDialogs = dialogs; }
    // The "IgnoreDuply" option as last read or set in the Options dialog.
    bool IgnoreDuplicates() const { return m_ignoreDuplicates; }

    // Null before Register.
    CSlideShow* SlideShow() const { return m_slideShow.get(); }
    CViewMarkCommands& Marks() { return m_marks; }
    CViewCollectionCommands& Collection() { return m_collection; }

private:
    void ZoomIn();
    void ZoomOut();
    // The whole picture in the client area, never above 100 %.
    void ZoomFit();
    void SnapZoom();
    void Zoom100();
    void Copy();
    void DeleteRecord();
    void Sort();
    void Options();
    void Contrast();
    void SaveAs();
    void SetPassword();

    CPicdexView& m_view;
    CViewMarkCommands m_marks;
    CViewCollectionCommands m_collection;
    CCommandRouter* m_router = nullptr;
    std::vector<int> m_registered;
    IAddDialogs* m_addDialogs = nullptr;
    std::unique_ptr<CSlideShow> m_slideShow;
    bool m_ignoreDuplicates = false;
};
