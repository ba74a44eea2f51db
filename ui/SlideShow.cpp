#include "ui/SlideShow.h"

#include "collection/WallpaperFile.h"
#include "ui/DesktopWallpaper.h"
#include "ui/ViewFrame.h"
#include "ui/dialogs/SlideShowDialog.h"
#include "ui/dialogs/SlideShowEndWindow.h"

#include <algorithm>
#include <climits>

CSlideShow::CSlideShow(CPicdexDoc& doc, IViewFrame& frame, QWidget& view,
                       std::function<bool()> step)
    : m_doc(doc), m_frame(frame), m_view(view), m_step(std::move(step)) {
    connect(&m_wallpaperTimer, &QTimer::timeout, this, &CSlideShow::WallpaperTick);
}

int CSlideShow::PeriodOf(int interval) const {
    // No upper limit beyond what the timer can hold.
    const int longest = INT_MAX / std::max(m_second, 1);
    return std::clamp(interval, minimumInterval, std::max(longest, minimumInterval)) * m_second;
}

void CSlideShow::SlideShowCommand() {
    CSlideShowDialog dialog(&m_view);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int period = PeriodOf(dialog.Interval());
    if (!dialog.Wallpaper()) {
        CSlideShowEndWindow end(period, m_step, &m_view);
        end.exec();
        return;
    }
    m_wallpaperArmed = false;
    m_frame.MinimizeFrame();
    SetWallpaper();
    m_wallpaperTimer.start(period);
}

bool CSlideShow::SetWallpaper() {
    const std::string path = WriteWallpaperPicture(m_doc);
    if (path.empty())
        return false;
    return CDesktopWallpaper().Apply(QString::fromStdString(path)) !=
           CDesktopWallpaper::Route::none;
}

void CSlideShow::WallpaperTick() {
    // Telling the desktop may wait for its answer; a tick meanwhile is not stacked on it.
    if (m_inWallpaperStep)
        return;
    m_inWallpaperStep = true;
    m_wallpaperArmed = true;
    if (m_step())
        SetWallpaper();
    else
        m_wallpaperTimer.stop();
    m_inWallpaperStep = false;
}

void CSlideShow::FrameStateChanged(bool activationChanged) {
    if (!m_wallpaperTimer.isActive())
        return;
    if (m_frame.IsFrameMinimized()) {
        m_wallpaperArmed = true;
        return;
    }
    if (activationChanged && m_wallpaperArmed)
        m_wallpaperTimer.stop();
}
