#include "app/QtSettings.h"

#include <QString>

namespace {
QString KeyPath(std::string_view section, std::string_view key) {
    return QString::fromUtf8(section.data(), qsizetype(section.size())) + QLatin1Char('/') +
           QString::fromUtf8(key.data(), qsizetype(key.size()));
}
} // namespace

CQtSettings::CQtSettings()
    : m_store(QSettings::NativeFormat, QSettings::UserScope, "Orvane", "Picdex") {}

std::string CQtSettings::GetProfileString(std::string_view section, std::string_view key,
                                          std::string_view defaultValue) {
    const QVariant value = m_store.value(KeyPath(section, key));
    if (!value.isValid())
        return std::string(defaultValue);
    return value.toString().toStdString();
}

void CQtSettings::WriteProfileString(std::string_view section, std::string_view key,
                                     std::string_view value) {
    m_store.setValue(KeyPath(section, key),
                     QString::fromUtf8(value.data(), qsizetype(value.size())));
    // The recent-file list and the dialogs' choices must survive a crash right after.
    m_store.sync();
}
