#include "ui/dialogs/PictureCell.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

// The cell as a check box for assistive technology.
class CPictureCellAccessible : public QAccessibleWidget {
public:
    explicit CPictureCellAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::CheckBox) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Cell()->IsChecked();
        // A cell without a file is an empty square, nothing a reader should stop at.
        if (widget()->accessibleName().isEmpty())
            state.invisible = true;
        return state;
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Name)
            return widget()->accessibleName();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override {
        return QStringList{pressAction(), toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction())
            emit Cell()->clicked();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    CPictureCell* Cell() const { return static_cast<CPictureCell*>(widget()); }
};

QAccessibleInterface* CellAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("CPictureCell") && object && object->isWidgetType())
        return new CPictureCellAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

// The signs, drawn at (x, y), 16 x 16 each.
void DrawSelectedSign(QPainter& painter, int x, int y) {
    painter.fillRect(x, y, 16, 16, QColor(0, 90, 200));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawPolyline(
        QPolygon({QPoint(x + 3, y + 8), QPoint(x + 6, y + 12), QPoint(x + 13, y + 4)}));
}

void DrawChosenSign(QPainter& painter, int x, int y) {
    // Already stored: a green disk with a white bar, as a "kept" stamp.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 150, 60));
    painter.drawEllipse(x + 1, y + 1, 14, 14);
    painter.fillRect(x + 4, y + 7, 8, 2, Qt::white);
}

void DrawMarkedSign(QPainter& painter, int x, int y) {
    painter.fillRect(x, y, 16, 16, Qt::white);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(210, 0, 0));
    painter.drawEllipse(x + 1, y + 1, 14, 14);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawPolyline(
        QPolygon({QPoint(x + 4, y + 8), QPoint(x + 7, y + 11), QPoint(x + 12, y + 5)}));
}

void DrawPlaceholderSign(QPainter& painter, int x, int y) {
    // No preview: a grey picture frame with a cross.
    painter.setPen(QPen(QColor(160, 160, 160), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(x, y, 15, 15);
    painter.drawLine(x + 3, y + 3, x + 12, y + 12);
    painter.drawLine(x + 12, y + 3, x + 3, y + 12);
}

} // namespace

CPictureCell::CPictureCell(QWidget* parent) : QWidget(parent) {
    static const bool installed = [] {
        QAccessible::installFactory(CellAccessibleFactory);
        return true;
    }();
    (void)installed;
    setFixedSize(cellSize, cellSize);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

QSize CPictureCell::FitSize(int width, int height) {
    if (width <= 0 || height <= 0)
        return {0, 0};
    if (width <= cellSize && height <= cellSize)
        return {width, height};
    const auto w = static_cast<unsigned>(width);
    const auto h = static_cast<unsigned>(height);
    if (w < h)
        return {static_cast<int>(std::max(1u, w * unsigned(cellSize) / h)), cellSize};
    return {cellSize, static_cast<int>(std::max(1u, h * unsigned(cellSize) / w))};
}

void CPictureCell::SetImage(const QImage& image) {
    m_image = image;
    repaint();
}

void CPictureCell::SetFileName(const QString& name) {
    setAccessibleName(name);
    // A cell with a file is reached with Tab and clicked with the space bar.
    setFocusPolicy(name.isEmpty() ? Qt::NoFocus : Qt::StrongFocus);
}

void CPictureCell::SetFlag(bool& flag, bool on) {
    if (flag == on)
        return;
    const bool wasChecked = IsChecked();
    flag = on;
    update();
    if (wasChecked != IsChecked() && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void CPictureCell::SetSelected(bool on) {
    SetFlag(m_selected, on);
}
void CPictureCell::SetChosen(bool on) {
    SetFlag(m_chosen, on);
}
void CPictureCell::SetMarked(bool on) {
    SetFlag(m_marked, on);
}
void CPictureCell::SetPlaceholder(bool on) {
    SetFlag(m_placeholder, on);
}

void CPictureCell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, Qt::black);
    if (!m_image.isNull()) {
        const QSize size = FitSize(m_image.width(), m_image.height());
        const QRect target(
            QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
    } else if (m_placeholder) {
        DrawPlaceholderSign(painter, (cellSize - signSize) / 2, (cellSize - signSize) / 2);
    }
    // The signs show with or without a picture, so a file whose preview failed can still be
    // seen selected.
    // Solid when not selected, dotted (white gaps) when selected.
    painter.setRenderHint(QPainter::Antialiasing, false);
    if (m_selected) {
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(area.adjusted(0, 0, -1, -1));
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    } else {
        painter.setPen(QPen(Qt::black, 1));
    }
    painter.drawRect(area.adjusted(0, 0, -1, -1));
    if (m_selected)
        DrawSelectedSign(painter, 0, 0);
    if (m_chosen)
        DrawChosenSign(painter, signSize, 0);
    if (m_marked)
        DrawMarkedSign(painter, 2 * signSize, 0);
    if (hasFocus()) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(1, 1, -1, -1));
    }
}

void CPictureCell::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        emit clicked();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CPictureCell::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void CPictureCell::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void CPictureCell::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    else if (event->button() == Qt::RightButton)
        emit rightClicked();
    event->accept();
}

void CPictureCell::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    event->accept();
}
