// CSearchingFilesWindow: the small "Searching files" window shown while the add-files
// browser lists a folder: the label "Files searched" and the count so far.
#pragma once

#include <QDialog>

class QLabel;

class CSearchingFilesWindow : public QDialog {
    Q_OBJECT

public:
    explicit CSearchingFilesWindow(QWidget* parent);

    // Shows text as the count and redraws at once.
    void ShowCount(const QString& text);

private:
    QLabel* m_count = nullptr;
};
