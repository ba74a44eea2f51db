// CSlideShowEndWindow: the small window of a running slide show, with its one button
// "End". While it is open (modally, so nothing else in the program can be used) its timer
// calls the step at every period; "End", or closing the window any other way, stops the
// timer. A step that is still running when the next period ends (a message it shows, a slow
// picture) is not run a second time over it, and a step that returns false (nothing left in
// the list to show) ends the show.
#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>

class CSlideShowEndWindow : public QDialog {
    Q_OBJECT

public:
    CSlideShowEndWindow(int periodMilliseconds, std::function<bool()> step,
                        QWidget* parent = nullptr);

    // The number of steps run so far.
    int Steps() const { return m_steps; }

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    void Tick();

    QTimer m_timer;
    std::function<bool()> m_step;
    bool m_inStep = false;
    int m_steps = 0;
};
