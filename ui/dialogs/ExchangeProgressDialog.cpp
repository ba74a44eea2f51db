#include "ui/dialogs/ExchangeProgressDialog.h"

#include "ui/dialogs/BusyPrompt.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CExchangeProgressDialog::CExchangeProgressDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("exchangeProgressDialog"));
    setWindowTitle(QStringLiteral("Data exchange"));
    setProperty("helpTopic", QStringLiteral("exchange"));

    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("text"));
    m_text->setMinimumWidth(m_text->fontMetrics().horizontalAdvance(
        QStringLiteral("00000000 pics found to transter. Continue?")));
    m_start = new QPushButton(QStringLiteral("&Start"), this);
    m_start->setObjectName(QStringLiteral("start"));
    m_start->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancel"));
    connect(m_start, &QPushButton::clicked, this, [this] {
        m_started = true;
        if (m_question)
            m_question->quit();
    });
    connect(m_cancel, &QPushButton::clicked, this, &CExchangeProgressDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_start);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(buttons);
}

CExchangeProgressDialog::~CExchangeProgressDialog() {
    Counting(false);
}

void CExchangeProgressDialog::Counting(bool counting) {
    if (counting && !m_countingPrompt) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_countingPrompt = std::make_unique<CBusyPrompt>();
    } else if (!counting && m_countingPrompt) {
        m_countingPrompt.reset();
        QGuiApplication::restoreOverrideCursor();
    }
}

bool CExchangeProgressDialog::AskStart(std::string_view question) {
    m_text->setText(QString::fromUtf8(question.data(), qsizetype(question.size())));
    // Not exec(): the window stays open after Start for the copying pass.
    m_started = false;
    setWindowModality(Qt::ApplicationModal);
    show();
    QEventLoop loop;
    m_question = &loop;
    loop.exec(QEventLoop::DialogExec);
    m_question = nullptr;
    if (!m_started) {
        hide();
        return false;
    }
    m_copying = true;
    m_start->setEnabled(false);
    m_cancel->setEnabled(false);
    m_pacer.ProcessPending();
    return true;
}

void CExchangeProgressDialog::ShowProgress(std::string_view text) {
    m_text->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    m_text->repaint();
    emit textShown(m_text->text());
}

void CExchangeProgressDialog::ProcessPending() {
    if (m_pacer.Due())
        m_pacer.ProcessPending();
}

void CExchangeProgressDialog::Finish() {
    m_copying = false;
    hide();
}

QString CExchangeProgressDialog::Text() const {
    return m_text->text();
}

void CExchangeProgressDialog::reject() {
    if (m_question)
        m_question->quit();
}

void CExchangeProgressDialog::closeEvent(QCloseEvent* event) {
    if (m_copying) {
        event->ignore();
        return;
    }
    reject();
    event->accept();
}
