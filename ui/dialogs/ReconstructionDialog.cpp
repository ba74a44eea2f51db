#include "ui/dialogs/ReconstructionDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CReconstructionDialog::CReconstructionDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("reconstructionDialog"));
    setWindowTitle(QStringLiteral("Reconstruction"));
    setProperty("helpTopic", QStringLiteral("reconstruction"));

    auto* group = new QGroupBox(this);
    group->setAccessibleName(QStringLiteral("File to reconstruct"));
    m_index = new QRadioButton(QStringLiteral("&Index file"), group);
    m_index->setObjectName(QStringLiteral("indexFile"));
    m_index->setChecked(true);
    auto* main = new QRadioButton(QStringLiteral("&Main file"), group);
    main->setObjectName(QStringLiteral("mainFile"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_index);
    groupLayout->addWidget(main);

    auto* warning = new QLabel(
        QStringLiteral("Warning: Reconstruction could destroy your file. Press F1 for details."),
        this);
    warning->setObjectName(QStringLiteral("warning"));
    warning->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // Read now: the key may be let go before the command looks.
        m_controlHeld =
            (QGuiApplication::queryKeyboardModifiers() | QGuiApplication::keyboardModifiers()) &
            Qt::ControlModifier;
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(warning);
    layout->addWidget(buttons);
}

ReconstructChoice CReconstructionDialog::Choice() const {
    if (result() != QDialog::Accepted)
        return ReconstructChoice::cancel;
    return m_index->isChecked() ? ReconstructChoice::index : ReconstructChoice::main;
}
