#include "ui/dialogs/AboutBox.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    // A wooden frame around a small landscape: sky, sun and two hills.
    painter.setPen(QPen(QColor(90, 50, 20), 1));
    painter.setBrush(QColor(160, 100, 45));
    painter.drawRect(QRectF(1.5, 3.5, 29, 25));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(120, 180, 235));
    painter.drawRect(QRectF(5, 7, 22, 18));
    painter.setBrush(QColor(250, 205, 40));
    painter.drawEllipse(QPointF(21, 11.5), 2.5, 2.5);
    painter.setBrush(QColor(60, 150, 60));
    painter.drawPolygon(QPolygonF({QPointF(5, 25), QPointF(12, 14), QPointF(19, 25)}));
    painter.setBrush(QColor(40, 120, 45));
    painter.drawPolygon(QPolygonF({QPointF(13, 25), QPointF(20, 17), QPointF(27, 25)}));
    return pixmap;
}
} // namespace

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

void ShowAboutBox(QWidget* parent) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("aboutBox"));
    dialog.setWindowTitle(QStringLiteral("About Picdex"));
    dialog.setModal(true);

    auto* icon = new QLabel(&dialog);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    auto* version = new QLabel(QStringLiteral("Picdex Version 1.5E"), &dialog);
    version->setObjectName(QStringLiteral("version"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("ok"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(version, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    dialog.exec();
}
