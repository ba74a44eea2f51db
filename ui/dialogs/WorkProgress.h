// Long work on the user-interface thread that keeps the windows painted: the wait cursor,
// an event pump that lets pending events through a few times a second, and a progress
// window that appears when the work lasts and blocks input to the other windows meanwhile.
#pragma once

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QProgressDialog;
class QWidget;

// Shows the wait cursor for the life of the object.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// Lets pending events (painting above all) be handled at most every interval, so a loop
// can call Pump at every step at little cost.
class CEventPump {
public:
    static constexpr int intervalMilliseconds = 40;
    CEventPump();
    // True when the interval has passed since events were last let through.
    bool Due() const { return m_since.elapsed() >= intervalMilliseconds; }
    // True when events were let through.
    bool Pump();

private:
    QElapsedTimer m_since;
};

// A window-modal progress window with a running text and no Cancel: the work it shows
// cannot be stopped halfway without leaving a half-done result the user cannot see. It
// shows after a short delay, so quick work never flashes it.
class CWorkProgress {
public:
    // total 0 or less shows a busy bar.
    CWorkProgress(QWidget* parent, const QString& title, int total);
    ~CWorkProgress();
    CWorkProgress(const CWorkProgress&) = delete;
    CWorkProgress& operator=(const CWorkProgress&) = delete;

    // The running count and its text, shown (and events let through) as CEventPump does.
    void Step(int done, const QString& text);

private:
    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_started;
    CEventPump m_pump;
    CWaitCursor m_wait;
};
