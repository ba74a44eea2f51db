// CDesktopWallpaper: makes a picture file the desktop background on the Linux desktops the
// program knows. It tries, in order: the desktop portal's Wallpaper interface on the
// session bus (background only, no preview), GNOME's background settings (gsettings),
// KDE Plasma (plasma-apply-wallpaperimage), Xfce (xfconf-query, every monitor and
// workspace), and feh on a plain X session. The desktop routes run only on the desktop
// that $XDG_CURRENT_DESKTOP names, so that a setting no desktop reads is never written
// instead of the one that shows; feh runs wherever it is installed. Programs are found on
// $PATH and run without a shell.
#pragma once

#include <QDBusConnection>
#include <QString>

class CDesktopWallpaper {
public:
    enum class Route { none, portal, gnome, plasma, xfce, feh };

    // bus: where the portal is asked; the user's session bus by default.
    explicit CDesktopWallpaper(QDBusConnection bus = QDBusConnection::sessionBus());

    // Sets the file at path (absolute) as the background by the first route that works
    // and returns that route; Route::none when none did (the background is unchanged).
    Route Apply(const QString& path);

    // How long a route may take: the portal's answer, each program run.
    static constexpr int timeoutMilliseconds = 5000;

private:
    bool ApplyByPortal(const QString& path);
    static bool ApplyByGnome(const QString& path);
    static bool ApplyByPlasma(const QString& path);
    static bool ApplyByXfce(const QString& path);
    static bool ApplyByFeh(const QString& path);

    QDBusConnection m_bus;
};
