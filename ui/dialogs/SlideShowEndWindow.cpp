#include "ui/dialogs/SlideShowEndWindow.h"

#include <QPushButton>
#include <QVBoxLayout>

CSlideShowEndWindow::CSlideShowEndWindow(int periodMilliseconds, std::function<bool()> step,
                                         QWidget* parent)
    : QDialog(parent), m_step(std::move(step)) {
    setObjectName(QStringLiteral("slideShowEnd"));
    // The window carries no caption of its own; the title names it for the task bar and
    // for screen readers.
    setWindowTitle(QStringLiteral("Slide show"));
    setProperty("helpTopic", QStringLiteral("slide-show"));
    auto* end = new QPushButton(QStringLiteral("End"), this);
    end->setObjectName(QStringLiteral("end"));
    end->setDefault(true);
    connect(end, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(end);

    m_timer.setInterval(periodMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &CSlideShowEndWindow::Tick);
}

void CSlideShowEndWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_timer.start();
}

void CSlideShowEndWindow::done(int result) {
    m_timer.stop();
    QDialog::done(result);
}

void CSlideShowEndWindow::Tick() {
    if (m_inStep)
        return;
    m_inStep = true;
    ++m_steps;
    const bool goOn = m_step();
    m_inStep = false;
    if (!goOn && isVisible())
        done(QDialog::Rejected);
}
