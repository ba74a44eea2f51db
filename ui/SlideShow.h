// CSlideShow: the picture view's slide shows and the wallpaper command. The window slide
// show steps through the list under the modal "End" window; the wallpaper slide show
// minimizes the main window and makes each picture in turn the desktop background until the
// user comes back to the window. Both step with the view's next-record move, which wraps
// from the last record to the first, so a show runs until it is stopped.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class CPicdexDoc;
class IViewFrame;

class CSlideShow : public QObject {
    Q_OBJECT

public:
    // Intervals are whole seconds, never below this.
    static constexpr int minimumInterval = 3;

    // step moves the view to the next record and repaints; false when the list has nothing
    // to show. view is the dialogs' parent; doc, frame and view outlive this object.
    CSlideShow(CPicdexDoc& doc, IViewFrame& frame, QWidget& view, std::function<bool()> step);

    // The command: the "Slide show" dialog, then the window show (returns when "End" closes
    // it) or the wallpaper show (returns at once, the show running on).
    void SlideShowCommand();
    // Writes the current picture as the wallpaper file and has the desktop show it. False,
    // with nothing reported, when there is no picture, the file cannot be written or no
    // desktop route took it.
    bool SetWallpaper();

    // The main frame's activation or window state changed. The wallpaper show stops at the
    // first activation change while the frame is not minimized, once the frame has been
    // minimized or the show has taken a step (so the loss of activation that comes with
    // minimizing does not end it at once).
    void FrameStateChanged(bool activationChanged);
    bool IsWallpaperShowRunning() const { return m_wallpaperTimer.isActive(); }
    void StopWallpaperShow() { m_wallpaperTimer.stop(); }

    // The length of one second of an interval: 1000, shorter in tests.
    void SetSecondLength(int milliseconds) { m_second = milliseconds; }

private:
    void WallpaperTick();
    int PeriodOf(int interval) const;

    CPicdexDoc& m_doc;
    IViewFrame& m_frame;
    QWidget& m_view;
    std::function<bool()> m_step;
    QTimer m_wallpaperTimer;
    bool m_wallpaperArmed = false;
    bool m_inWallpaperStep = false;
    int m_second = 1000;
};
