#include "ui/dialogs/FileDialogs.h"

#include <QFileDialog>

namespace {
QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
} // namespace

QStringList ConvertFileFilter(std::string_view filter) {
    QStringList lines;
    std::size_t position = 0;
    while (position < filter.size()) {
        const std::size_t descriptionEnd = filter.find('|', position);
        // A description without its pattern, and the empty description of the closing "||".
        if (descriptionEnd == std::string_view::npos || descriptionEnd == position)
            break;
        const std::size_t patternStart = descriptionEnd + 1;
        std::size_t patternEnd = filter.find('|', patternStart);
        if (patternEnd == std::string_view::npos)
            patternEnd = filter.size();
        const QString description =
            FromUtf8(filter.substr(position, descriptionEnd - position)).trimmed();
        QString pattern = FromUtf8(filter.substr(patternStart, patternEnd - patternStart));
        pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
        pattern = pattern.simplified();
        if (pattern.isEmpty())
            pattern = QStringLiteral("*");
        lines.append(description + QStringLiteral(" (") + pattern + QLatin1Char(')'));
        position = patternEnd + 1;
    }
    return lines;
}

QString AddDefaultExtension(const QString& path, const QString& extension) {
    QString suffix = extension;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    if (suffix.isEmpty() || path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    // A leading dot makes a hidden name, not an extension.
    if (path.indexOf(QLatin1Char('.'), nameStart + 1) >= 0)
        return path;
    return path + QLatin1Char('.') + suffix;
}

CQtFileDialogs::CQtFileDialogs(QWidget* parent) : m_parent(parent) {}

bool CQtFileDialogs::AskSavePath(const CSaveFileRequest& request, std::string& path) {
    QFileDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("saveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    return Run(dialog, request, path);
}

bool CQtFileDialogs::AskOpenPath(const CSaveFileRequest& request, std::string& path) {
    QFileDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("openFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    return Run(dialog, request, path);
}

bool CQtFileDialogs::Run(QFileDialog& dialog, const CSaveFileRequest& request, std::string& path) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (!request.title.empty())
        dialog.setWindowTitle(FromUtf8(request.title));
    const QStringList filters = ConvertFileFilter(request.filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    const QString extension = FromUtf8(request.defaultExtension);
    if (!extension.isEmpty())
        dialog.setDefaultSuffix(extension.startsWith(QLatin1Char('.')) ? extension.mid(1)
                                                                       : extension);
    if (!request.initialFolder.empty())
        dialog.setDirectory(FromUtf8(request.initialFolder));
    if (!request.proposedName.empty())
        dialog.selectFile(FromUtf8(request.proposedName));

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    path = AddDefaultExtension(chosen.first(), extension).toStdString();
    return true;
}
