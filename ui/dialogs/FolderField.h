// CFolderField: a folder typed into an edit field or chosen with the folder picker from the
// "..." button beside it. The add-files browser and the output dialog share it. The picker
// opens in the folder the field names (else the home folder); a chosen folder is put into
// the field with its final "/" and announced with Picked.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;

class CFolderField : public QWidget {
    Q_OBJECT

public:
    // Asks the user for a folder, starting at start; an empty text for Cancel.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& start)>;

    // pickerTitle is the picker's title and the button's accessible name; picker stands in
    // for the platform's folder picker (tests), empty for the real one.
    CFolderField(const QString& pickerTitle, QWidget* parent, FolderPicker picker = {});

    QLineEdit* Edit() const { return m_edit; }
    QPushButton* Button() const { return m_button; }
    QString Text() const;
    void SetText(const QString& text);
    // Opens the picker now.
    void Pick();

    // text with a final "/" added unless it is empty or has one.
    static QString WithFinalSlash(QString text);

signals:
    void Picked(const QString& folder);

private:
    QString m_title;
    FolderPicker m_picker;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_button = nullptr;
};
