// CSlideShowDialog: the "Slide show" dialog: "&Time interval" (whole seconds, digits only)
// followed by "Sec", the check box "&Wallpaper", OK and Cancel. OK with a field that does
// not hold a whole number shows "Please enter an integer." and keeps the dialog open.
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

class CSlideShowDialog : public QDialog {
    Q_OBJECT

public:
    // Opens with interval 5 and "&Wallpaper" cleared.
    explicit CSlideShowDialog(QWidget* parent = nullptr);

    // After OK: the interval as typed (not yet raised to the minimum) and the check box.
    int Interval() const { return m_interval; }
    bool Wallpaper() const;

    void accept() override;

private:
    QLineEdit* m_edit = nullptr;
    QCheckBox* m_wallpaper = nullptr;
    int m_interval = 5;
};
