#include "ui/DesktopWallpaper.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// True when $XDG_CURRENT_DESKTOP (a colon-separated list) names one of names.
bool DesktopIs(std::initializer_list<const char*> names) {
    const QStringList desktops = QProcessEnvironment::systemEnvironment()
                                     .value(QStringLiteral("XDG_CURRENT_DESKTOP"))
                                     .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString& desktop : desktops)
        for (const char* name : names)
            if (desktop.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

// Runs program (found on $PATH) with arguments; true when it exited with status 0. output
// receives its standard output when given.
bool Run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return false;
    QProcess process;
    process.setProcessChannelMode(output ? QProcess::SeparateChannels
                                         : QProcess::ForwardedErrorChannel);
    process.start(found, arguments);
    if (!process.waitForFinished(CDesktopWallpaper::timeoutMilliseconds)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Receives the portal's Response signal of one request.
class CPortalResponse : public QObject {
    Q_OBJECT
public:
    QEventLoop m_loop;
    int m_response = -1;
public slots:
    void Response(uint response, const QVariantMap&) {
        m_response = int(response);
        m_loop.quit();
    }
};

} // namespace

CDesktopWallpaper::CDesktopWallpaper(QDBusConnection bus) : m_bus(std::move(bus)) {}

CDesktopWallpaper::Route CDesktopWallpaper::Apply(const QString& path) {
    if (ApplyByPortal(path))
        return Route::portal;
    if (DesktopIs({"GNOME", "Unity", "Budgie", "Pantheon", "ubuntu"}) && ApplyByGnome(path))
        return Route::gnome;
    if (DesktopIs({"KDE"}) && ApplyByPlasma(path))
        return Route::plasma;
    if (DesktopIs({"XFCE"}) && ApplyByXfce(path))
        return Route::xfce;
    if (ApplyByFeh(path))
        return Route::feh;
    return Route::none;
}

bool CDesktopWallpaper::ApplyByPortal(const QString& path) {
    if (!m_bus.isConnected())
        return false;
    // The portal answers through a Request object whose path follows from our unique name
    // and a token we choose; listening before the call means the answer cannot be missed.
    static int requests = 0;
    const QString token = QStringLiteral("picdex%1").arg(++requests);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString requestPath =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    CPortalResponse response;
    m_bus.connect(portalService, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                  QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.portal.Wallpaper"),
        QStringLiteral("SetWallpaperURI"));
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("show-preview"), false);
    options.insert(QStringLiteral("set-on"), QStringLiteral("background"));
    call << QString() << QUrl::fromLocalFile(path).toString() << options;
    const QDBusMessage reply = m_bus.call(call, QDBus::Block, timeoutMilliseconds);
    bool done = false;
    if (reply.type() == QDBusMessage::ReplyMessage) {
        // 0 is success; 1 the user cancelled, 2 the desktop could not do it.
        if (response.m_response < 0) {
            QTimer::singleShot(timeoutMilliseconds, &response.m_loop, &QEventLoop::quit);
            response.m_loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        done = response.m_response == 0;
    }
    m_bus.disconnect(portalService, requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), &response, SLOT(Response(uint, QVariantMap)));
    return done;
}

bool CDesktopWallpaper::ApplyByGnome(const QString& path) {
    const QString uri = QUrl::fromLocalFile(path).toString();
    const QString schema = QStringLiteral("org.gnome.desktop.background");
    if (!Run(QStringLiteral("gsettings"),
             {QStringLiteral("set"), schema, QStringLiteral("picture-uri"), uri}))
        return false;
    // Older releases have no dark variant; the light one is what they show.
    Run(QStringLiteral("gsettings"),
        {QStringLiteral("set"), schema, QStringLiteral("picture-uri-dark"), uri});
    return true;
}

bool CDesktopWallpaper::ApplyByPlasma(const QString& path) {
    return Run(QStringLiteral("plasma-apply-wallpaperimage"), {path});
}

bool CDesktopWallpaper::ApplyByXfce(const QString& path) {
    // Xfce keeps one picture per monitor and workspace: every "last-image" property.
    QByteArray listing;
    const QString channel = QStringLiteral("xfce4-desktop");
    if (!Run(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), channel, QStringLiteral("-l")},
             &listing))
        return false;
    bool any = false;
    for (const QByteArray& line : listing.split('\n')) {
        const QString property = QString::fromUtf8(line.trimmed());
        if (!property.endsWith(QStringLiteral("/last-image")))
            continue;
        if (Run(QStringLiteral("xfconf-query"),
                {QStringLiteral("-c"), channel, QStringLiteral("-p"), property,
                 QStringLiteral("-s"), path}))
            any = true;
    }
    return any;
}

bool CDesktopWallpaper::ApplyByFeh(const QString& path) {
    return Run(QStringLiteral("feh"), {QStringLiteral("--bg-scale"), path});
}

#include "DesktopWallpaper.moc"
