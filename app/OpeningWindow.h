// COpeningWindow: the borderless picture shown at start-up when the "OpenPic" option asks for
// it, centred on the screen. It closes itself after 1750 ms or at the first key or mouse
// button press anywhere in the program, whichever comes first, and deletes itself then.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class COpeningWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int showMilliseconds = 1750;

    explicit COpeningWindow(QWidget* owner = nullptr);
    ~COpeningWindow() override;

    // The picture shown: the program's name and version.
    static QPixmap DrawPicture();

signals:
    // Emitted once, when the window goes.
    void closed();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Finish();

    QPixmap m_picture;
    QTimer m_timer;
    bool m_finished = false;
};
