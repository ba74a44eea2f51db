// CProgressPacer: how a long job on the user-interface thread keeps its windows painted.
// The job tells the pacer after every step; at most once per interval the pacer says that
// the progress is due to be painted, and then lets the pending window messages be handled
// (paints, timers, window-manager requests), but no user input: nothing the user does can
// start another command in the middle of the job.
//
// Painting a counter after every one of tens of thousands of steps would cost several times
// the job itself (each paint waits for the display); twenty changes a second read as
// continuous counting and cost next to nothing.
#pragma once

#include <QElapsedTimer>

class CProgressPacer {
public:
    static constexpr int intervalMilliseconds = 50;

    CProgressPacer() = default;

    // True for the first step and whenever the interval has passed since the last true: the
    // caller shows its progress and then calls ProcessPending.
    bool Due();
    // Handles the pending window messages except user input, and restarts the interval.
    void ProcessPending();

private:
    QElapsedTimer m_sinceShown;
};
