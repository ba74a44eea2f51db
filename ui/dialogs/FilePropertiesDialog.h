// CFilePropertiesDialog: "File properties", the live records of the open database counted
// by picture type. The fields are empty and the button reads "Start" until it is pressed;
// then the counts are made (the window keeps painting), each field shows "%d pics" and the
// button reads "Close" and closes the dialog.
#pragma once

#include <QDialog>

#include <array>

class CPictureDatabase;
class QLabel;
class QPushButton;

class CFilePropertiesDialog : public QDialog {
    Q_OBJECT

public:
    CFilePropertiesDialog(CPictureDatabase& db, QWidget* parent);

    // The value fields in the order TIFF, GIF, JPEG, BMP, Unknown, Total.
    static constexpr int fieldCount = 6;
    QLabel* Field(int i) const { return m_fields[std::size_t(i)]; }
    QPushButton* Button() const { return m_button; }

private:
    void Press();

    CPictureDatabase& m_db;
    std::array<QLabel*, fieldCount> m_fields{};
    QPushButton* m_button = nullptr;
    bool m_counted = false;
};
