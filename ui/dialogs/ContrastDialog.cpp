#include "ui/dialogs/ContrastDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <utility>

CContrastDialog::CContrastDialog(std::function<void(int)> apply, QWidget* parent)
    : QDialog(parent), m_apply(std::move(apply)) {
    setObjectName(QStringLiteral("contrastDialog"));
    setWindowTitle(QStringLiteral("コントラスト調整"));

    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("slider"));
    m_slider->setRange(-99, 99);
    m_slider->setValue(0);
    m_slider->setTickInterval(10);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setMinimumWidth(240);

    auto* applyButton = new QPushButton(QStringLiteral("適用(&A)"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    auto* reset = new QPushButton(QStringLiteral("リセット(&R)"), this);
    reset->setObjectName(QStringLiteral("resetButton"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(applyButton, &QPushButton::clicked, this, [this] {
        if (m_apply)
            m_apply(m_slider->value());
    });
    // The reset button is part of the window as designed but has no action.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(applyButton);
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_slider);
    layout->addLayout(buttons);
}

int CContrastDialog::Value() const {
    return m_slider->value();
}
