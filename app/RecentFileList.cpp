#include "app/RecentFileList.h"

#include <algorithm>

namespace {
constexpr const char* recentSection = "Recent File List";

std::string ValueName(int index) {
    return "File" + std::to_string(index + 1);
}
} // namespace

void CRecentFileList::Read(ISettings& settings) {
    m_paths.clear();
    for (int i = 0; i < maxEntries; ++i) {
        std::string path = settings.GetProfileString(recentSection, ValueName(i), "");
        if (!path.empty() && std::find(m_paths.begin(), m_paths.end(), path) == m_paths.end())
            m_paths.push_back(std::move(path));
    }
}

void CRecentFileList::Write(ISettings& settings) const {
    for (int i = 0; i < maxEntries; ++i)
        settings.WriteProfileString(recentSection, ValueName(i), GetPath(i));
}

void CRecentFileList::Add(const std::string& path) {
    if (path.empty())
        return;
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
    m_paths.insert(m_paths.begin(), path);
    if (m_paths.size() > std::size_t(maxEntries))
        m_paths.resize(maxEntries);
}

void CRecentFileList::Remove(const std::string& path) {
    m_paths.erase(std::remove(m_paths.begin(), m_paths.end(), path), m_paths.end());
}

std::string CRecentFileList::GetPath(int index) const {
    if (index < 0 || index >= GetCount())
        return {};
    return m_paths[std::size_t(index)];
}

QString CRecentFileList::GetMenuText(int index) const {
    QString shown = ShortenPath(QString::fromStdString(GetPath(index)), maxMenuTextLength);
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 ").arg(index + 1) + shown;
}

QString CRecentFileList::ShortenPath(const QString& path, int maxLength) {
    if (path.size() <= maxLength)
        return path;
    const QString ellipsis = QStringLiteral("...");
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    // ".../" + name must fit, else the name alone is cut.
    if (name.size() + ellipsis.size() + 1 > maxLength) {
        if (maxLength <= ellipsis.size())
            return name.left(maxLength);
        return name.left(maxLength - ellipsis.size()) + ellipsis;
    }
    // Keep as many leading folder components (each with its "/") as leave room.
    const qsizetype room = maxLength - name.size() - ellipsis.size() - 1;
    qsizetype keep = 0;
    for (qsizetype at = path.indexOf(QLatin1Char('/')); at >= 0 && at < slash;
         at = path.indexOf(QLatin1Char('/'), at + 1)) {
        if (at + 1 > room)
            break;
        keep = at + 1;
    }
    return path.left(keep) + ellipsis + QLatin1Char('/') + name;
}
