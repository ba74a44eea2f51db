// IDocumentView: what the document tells the windows that show it. The Qt picture view
// and main frame implement it; tests record the calls. Every call has a default that does
// nothing, so an observer takes only what it needs.
#pragma once

class IDocumentView {
public:
    virtual ~IDocumentView() = default;

    // Before a move: the data-properties window writes keyword edits into the current record.
    virtual void CommitPendingEdits() {}
    // A new picture was decoded: forget the old picture's state (scroll, selection).
    virtual void ResetPicture() {}
    virtual void ZoomTo100() {}
    virtual void RecomputeSizes() {}
    // Realise the current picture's palette.
    virtual void RealizePalette() {}
    // Redrawing off during a move, so the old and the new picture never mix on screen.
    virtual void SetRedraw(bool /*on*/) {}
    virtual void Repaint() {}
    // The main frame's layout, title and status reflect the current record.
    virtual void UpdateFrame() {}
    // The whole list changed (sort, display all).
    virtual void UpdateAll() {}
    // The current record changed: the data-properties window shows it.
    virtual void ShowCurrentRecord() {}
    // The bar for paging among marked records is hidden.
    virtual void HideMarkBar() {}
};
