// PxPanView: a zoom view that pans while the left button is held: the picture point
// grabbed at StartPan stays under the pointer and the picture stops at its edges. Generic:
// the subclass decides when panning starts (from its mouse handlers) and converts pointer
// positions to logical units with DeviceToLogical.
//
// Panning starts on a button press, and Qt delivers every move and the release to the
// widget the button went down on, wherever the pointer goes (the implicit grab); no
// explicit grab is taken. A window that comes up mid-pan can still take the release: the
// subclass ends such a pan itself.
#pragma once

#include "ui/PxZoomView.h"

#include <QCursor>

class PxPanView : public PxZoomView {
    Q_OBJECT

public:
    explicit PxPanView(QWidget* parent = nullptr);
    ~PxPanView() override;

    // 1 = continuous (the view follows every pointer movement), 0 = it moves only when
    // the button is released.
    void SetPanMode(int mode) { m_panMode = mode; }
    int GetPanMode() const { return m_panMode; }
    bool IsPanning() const { return m_panning; }

    // point is logical. cursorId names the pan cursor; there is no such resource, so the
    // closed hand shows while panning.
    virtual void StartPan(CPoint point, unsigned cursorId);
    virtual void ContinuePan(CPoint point);
    virtual void EndPan(CPoint point);
    // Scrolls by (start point − point), converted to device units and rounded; an axis
    // without a scroll bar does not move; positions are clamped to the scroll range.
    void PanBy(CPoint point);

    // A client-area device context's mapping: device point to logical.
    CPoint DeviceToLogical(CPoint device) const;

private:
    void RestoreCursor();

    unsigned m_panCursorId = 0;
    int m_panMode = 0;
    bool m_panning = false;
    bool m_cursorSaved = false;
    // The viewport's own cursor before panning, when it had one.
    bool m_hadOwnCursor = false;
    QCursor m_savedCursor;
    CPoint m_start;
};
