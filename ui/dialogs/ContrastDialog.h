// CContrastDialog: the contrast adjustment window: a slider from -99 to 99 with a tick every
// 10, "適用(&A)" which hands the slider's value to apply, "リセット(&R)" which does nothing,
// and OK. apply is called on the user-interface thread only while the dialog lives.
#pragma once

#include <QDialog>

#include <functional>

class QSlider;

class CContrastDialog : public QDialog {
    Q_OBJECT

public:
    CContrastDialog(std::function<void(int)> apply, QWidget* parent);

    int Value() const;

private:
    std::function<void(int)> m_apply;
    QSlider* m_slider = nullptr;
};
