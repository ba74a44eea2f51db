#include "ui/dialogs/DataExchangeDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CDataExchangeDialog::CDataExchangeDialog(ISettings& settings, IOpenFileDialog& files,
                                         QWidget* parent)
    : m_settings(settings), m_files(files), m_parent(parent) {}

bool CDataExchangeDialog::AskExchange(const std::string& sourceName, int& direction,
                                      std::string& destination) {
    QDialog dialog(m_parent.data());
    dialog.setObjectName(QStringLiteral("dataExchangeDialog"));
    dialog.setWindowTitle(QStringLiteral("Data Exchange"));
    dialog.setProperty("helpTopic", QStringLiteral("exchange"));

    auto* sourceLabel = new QLabel(QStringLiteral("Source file name"), &dialog);
    auto* source = new QLabel(QString::fromStdString(sourceName), &dialog);
    source->setObjectName(QStringLiteral("sourceName"));
    // The name read out is the file name itself; the caption describes it.
    source->setAccessibleDescription(sourceLabel->text());
    source->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* directionLabel = new QLabel(QStringLiteral("&Direction"), &dialog);
    auto* directions = new QComboBox(&dialog);
    directions->setObjectName(QStringLiteral("direction"));
    directions->setAccessibleName(QStringLiteral("Direction"));
    directions->addItems({QStringLiteral("<-->"), QStringLiteral("->"), QStringLiteral("<-")});
    directions->setCurrentIndex(direction >= ExchangeDirection::both &&
                                        direction <= ExchangeDirection::inward
                                    ? direction
                                    : ExchangeDirection::both);
    directionLabel->setBuddy(directions);

    auto* destinationLabel = new QLabel(QStringLiteral("Des&tination file"), &dialog);
    auto* path = new QLineEdit(QString::fromStdString(destination), &dialog);
    path->setObjectName(QStringLiteral("destination"));
    path->setAccessibleName(QStringLiteral("Destination file"));
    path->setMinimumWidth(path->fontMetrics().averageCharWidth() * 48);
    destinationLabel->setBuddy(path);
    auto* ref = new QPushButton(QStringLiteral("&Ref"), &dialog);
    ref->setObjectName(QStringLiteral("ref"));
    ref->setAutoDefault(false);
    QObject::connect(ref, &QPushButton::clicked, &dialog, [this, path] {
        std::string chosen = path->text().toStdString();
        if (ChooseExchangeDestination(m_settings, m_files, chosen))
            path->setText(QString::fromStdString(chosen));
    });

    auto* help = new QLabel(QStringLiteral("Press F1 for help."), &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(sourceLabel, 0, 0);
    grid->addWidget(source, 0, 1, 1, 2);
    grid->addWidget(directionLabel, 1, 0);
    grid->addWidget(directions, 1, 1, Qt::AlignLeft);
    grid->addWidget(destinationLabel, 2, 0);
    grid->addWidget(path, 2, 1);
    grid->addWidget(ref, 2, 2);
    grid->setColumnStretch(1, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(grid);
    layout->addWidget(help);
    layout->addWidget(buttons);
    path->setFocus();

    if (dialog.exec() != QDialog::Accepted)
        return false;
    direction = directions->currentIndex();
    destination = path->text().toStdString();
    return true;
}
