#include "app/ToolbarIcons.h"

#include "ui/commands/CommandIds.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
constexpr int iconSize = 17;

void DrawTriangle(QPainter& painter, bool up, int top) {
    QPainterPath path;
    if (up) {
        path.moveTo(8.5, top);
        path.lineTo(14, top + 6);
        path.lineTo(3, top + 6);
    } else {
        path.moveTo(3, top);
        path.lineTo(14, top);
        path.lineTo(8.5, top + 6);
    }
    path.closeSubpath();
    painter.fillPath(path, QColor(0, 0, 128));
}

void DrawSheet(QPainter& painter, int x, int y) {
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(x, y, 8, 10);
    for (int line = y + 3; line < y + 9; line += 2)
        painter.drawLine(x + 2, line, x + 6, line);
}

void DrawGlyph(QPainter& painter, int id) {
    const QColor ink(0, 0, 128);
    switch (id) {
    case CommandId::copy:
        DrawSheet(painter, 2, 2);
        DrawSheet(painter, 7, 5);
        break;
    case CommandId::print:
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(5, 1, 7, 6);
        painter.setBrush(QColor(192, 192, 192));
        painter.drawRect(1, 7, 15, 6);
        painter.setBrush(Qt::white);
        painter.drawRect(4, 11, 9, 4);
        break;
    case CommandId::zoomIn:
        painter.fillRect(3, 7, 11, 3, ink);
        painter.fillRect(7, 3, 3, 11, ink);
        break;
    case CommandId::zoomOut:
        painter.fillRect(3, 7, 11, 3, ink);
        break;
    case CommandId::zoom100: {
        QFont font = painter.font();
        font.setPixelSize(9);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(ink);
        painter.drawText(QRect(0, 0, iconSize, iconSize), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case CommandId::search:
        // A magnifying glass.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(ink, 2));
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(2, 2, 8, 8));
        painter.setPen(QPen(ink, 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(10, 10), QPointF(14, 14));
        break;
    case CommandId::dataProperties:
        // A record card: a title bar above lines of text.
        painter.setPen(Qt::black);
        painter.setBrush(Qt::white);
        painter.drawRect(2, 2, 12, 12);
        painter.fillRect(3, 3, 11, 3, ink);
        for (int line = 8; line <= 12; line += 2)
            painter.drawLine(5, line, 12, line);
        break;
    case CommandId::displayAll:
        painter.setPen(ink);
        for (int line = 3; line <= 13; line += 3) {
            painter.fillRect(2, line, 2, 2, ink);
            painter.drawLine(6, line, 14, line);
        }
        break;
    case CommandId::top:
        painter.fillRect(3, 3, 11, 2, QColor(0, 0, 128));
        DrawTriangle(painter, true, 6);
        break;
    case CommandId::previous:
        DrawTriangle(painter, true, 5);
        break;
    case CommandId::next:
        DrawTriangle(painter, false, 6);
        break;
    case CommandId::bottom:
        DrawTriangle(painter, false, 5);
        painter.fillRect(3, 12, 11, 2, QColor(0, 0, 128));
        break;
    case CommandId::thumbnails:
        // Pages of small pictures: three by three framed squares.
        painter.setPen(Qt::black);
        painter.setBrush(QColor(0, 128, 128));
        for (int row = 0; row < 3; ++row)
            for (int column = 0; column < 3; ++column)
                painter.drawRect(1 + column * 5, 1 + row * 5, 4, 4);
        break;
    default:
        break;
    }
}

bool HasGlyph(int id) {
    switch (id) {
    case CommandId::copy:
    case CommandId::print:
    case CommandId::zoomIn:
    case CommandId::zoomOut:
    case CommandId::zoom100:
    case CommandId::search:
    case CommandId::displayAll:
    case CommandId::dataProperties:
    case CommandId::top:
    case CommandId::previous:
    case CommandId::next:
    case CommandId::bottom:
    case CommandId::thumbnails:
        return true;
    default:
        return false;
    }
}
} // namespace

QIcon CommandIcon(int id) {
    if (!HasGlyph(id))
        return {};
    QPixmap pixmap(iconSize, iconSize);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        DrawGlyph(painter, id);
    }
    return QIcon(pixmap);
}
