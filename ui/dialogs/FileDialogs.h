// CQtFileDialogs: the file dialogs of the windowed program: choosing the name of a file to
// write (no question about overwriting: the commands ask their own) and choosing a file to
// open, which need not exist. Both are Qt's own dialogs, not the desktop's, so they behave
// the same everywhere.
#pragma once

#include "collection/OpenCommand.h"
#include "collection/SaveFileDialog.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <string>
#include <string_view>

class QFileDialog;

class CQtFileDialogs : public ISaveFileDialog, public IOpenFileDialog {
public:
    explicit CQtFileDialogs(QWidget* parent);

    // False on Cancel; path holds the chosen file's full path (UTF-8).
    bool AskSavePath(const CSaveFileRequest& request, std::string& path) override;
    bool AskOpenPath(const CSaveFileRequest& request, std::string& path) override;

private:
    bool Run(QFileDialog& dialog, const CSaveFileRequest& request, std::string& path);

    QPointer<QWidget> m_parent;
};

// The program's filter, "Description|pattern|Description|pattern||", as Qt's filter lines
// "Description (pattern)"; several patterns separated by ";" become blank-separated. An
// empty filter gives no lines; a trailing description without pattern is dropped.
QStringList ConvertFileFilter(std::string_view filter);

// The chosen name with ".extension" added when its last path component has no extension;
// unchanged when extension is empty.
QString AddDefaultExtension(const QString& path, const QString& extension);
