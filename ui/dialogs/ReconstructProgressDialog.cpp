#include "ui/dialogs/ReconstructProgressDialog.h"

#include "ui/dialogs/BusyPrompt.h"
#include "ui/dialogs/WorkProgress.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CReconstructProgressDialog::CReconstructProgressDialog(bool index, QWidget* parent)
    : QDialog(parent) {
    setObjectName(index ? QStringLiteral("reconstructIndexDialog")
                        : QStringLiteral("reconstructMainDialog"));
    setWindowTitle(QStringLiteral("Reconstructing"));
    setProperty("helpTopic", QStringLiteral("reconstruction"));

    auto* label = new QLabel(
        index ? QStringLiteral("Segments completerd") : QStringLiteral("Segments completed"), this);
    label->setObjectName(QStringLiteral("segmentsLabel"));
    m_counter = new QLabel(QStringLiteral("128/1024"), this);
    m_counter->setObjectName(QStringLiteral("counter"));
    // The name read out is the count itself; the label describes it.
    m_counter->setAccessibleDescription(label->text());
    // Room for two eight-digit numbers, so the dialog keeps its size while it counts.
    m_counter->setMinimumWidth(
        m_counter->fontMetrics().horizontalAdvance(QStringLiteral("00000000 / 00000000")));
    m_start = new QPushButton(QStringLiteral("&Start"), this);
    m_start->setObjectName(QStringLiteral("start"));
    m_start->setDefault(true);
    connect(m_start, &QPushButton::clicked, this, &CReconstructProgressDialog::Start);

    auto* counterLayout = new QHBoxLayout;
    counterLayout->addWidget(label);
    counterLayout->addWidget(m_counter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(counterLayout);
    layout->addWidget(m_start, 0, Qt::AlignHCenter);
}

int CReconstructProgressDialog::RunBuild(const IReconstructDialogs::Build& build) {
    m_build = build;
    m_result = 0;
    exec();
    m_build = nullptr;
    return m_result;
}

void CReconstructProgressDialog::Start() {
    if (m_building || !m_build)
        return;
    m_start->setEnabled(false);
    m_building = true;
    {
        CWaitCursor wait;
        CBusyPrompt prompt;
        m_result = m_build(*this);
    }
    if (m_stepped)
        ShowCounter();
    m_building = false;
    done(m_result ? QDialog::Accepted : QDialog::Rejected);
}

void CReconstructProgressDialog::Step(std::int32_t done, std::int32_t total) {
    m_done = done;
    m_total = total;
    m_stepped = true;
    if (!m_pacer.Due())
        return;
    ShowCounter();
    m_pacer.ProcessPending();
}

void CReconstructProgressDialog::ShowCounter() {
    m_counter->setText(QString::fromStdString(ReconstructProgressText(m_done, m_total)));
    m_counter->repaint();
    emit progressShown(m_done, m_total);
}

QString CReconstructProgressDialog::CounterText() const {
    return m_counter->text();
}

void CReconstructProgressDialog::reject() {
    if (!m_building)
        QDialog::reject();
}

void CReconstructProgressDialog::closeEvent(QCloseEvent* event) {
    if (m_building)
        event->ignore();
    else
        QDialog::closeEvent(event);
}
