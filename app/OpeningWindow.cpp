#include "app/OpeningWindow.h"

#include <QApplication>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

COpeningWindow::COpeningWindow(QWidget* owner)
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint), m_picture(DrawPicture()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Picdex"));
    setCursor(Qt::ArrowCursor);
    setFixedSize(m_picture.size());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());

    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &COpeningWindow::Finish);
    m_timer.start(showMilliseconds);
    qApp->installEventFilter(this);
}

COpeningWindow::~COpeningWindow() {
    qApp->removeEventFilter(this);
}

QPixmap COpeningWindow::DrawPicture() {
    QPixmap picture(360, 200);
    QPainter painter(&picture);
    QLinearGradient background(0, 0, 0, picture.height());
    background.setColorAt(0, QColor(0, 32, 96));
    background.setColorAt(1, QColor(0, 96, 160));
    painter.fillRect(picture.rect(), background);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(40);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 40, picture.width(), 60), Qt::AlignCenter, QStringLiteral("Picdex"));
    font.setPixelSize(16);
    font.setBold(false);
    painter.setFont(font);
    painter.drawText(QRect(0, 110, picture.width(), 30), Qt::AlignCenter,
                     QStringLiteral("Version 1.5E"));
    return picture;
}

void COpeningWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_picture);
}

bool COpeningWindow::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress:
        Finish();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void COpeningWindow::Finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    qApp->removeEventFilter(this);
    close();
    emit closed();
}
