#include "app/ZoomBox.h"

#include <QAbstractItemView>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>

#include <limits>
#include <utility>

CZoomBox::CZoomBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // Typed values are applied, never added to the list, and nothing is completed inline:
    // "5" must stay 5 %, not become "50 %".
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setFocusPolicy(Qt::StrongFocus);

    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    font.setWeight(QFont::Normal);
    setFont(font);

    for (int percent = 10; percent <= 200; percent += 10)
        addItem(QStringLiteral("%1 %").arg(percent));
    addItem(QString::fromLatin1(fitText));
    setCurrentIndex(-1);
    setAccessibleName(QStringLiteral("Zoom"));
    lineEdit()->setAccessibleName(accessibleName());

    connect(this, &QComboBox::activated, this, [this](int index) {
        if (std::exchange(m_choosingFromList, false))
            ApplyText(itemText(index));
    });
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
}

int CZoomBox::ParseZoomText(const QString& text) {
    const qsizetype percentAt = text.indexOf(QLatin1Char('%'));
    const QString number = (percentAt < 0 ? text : text.left(percentAt)).trimmed();
    qsizetype at = 0;
    bool negative = false;
    if (at < number.size() && (number[at] == QLatin1Char('-') || number[at] == QLatin1Char('+')))
        negative = number[at++] == QLatin1Char('-');
    long long value = 0;
    for (; at < number.size() && number[at] >= QLatin1Char('0') && number[at] <= QLatin1Char('9');
         ++at) {
        // Anything this long is far above the largest zoom; stop before it overflows.
        if (value < 1000000000LL)
            value = value * 10 + (number[at].unicode() - '0');
    }
    if (value > std::numeric_limits<int>::max())
        value = std::numeric_limits<int>::max();
    return int(negative ? -value : value);
}

void CZoomBox::ShowPercent(int percent) {
    setEditText(QStringLiteral("%1 %").arg(percent));
}

bool CZoomBox::ApplyText(const QString& text) {
    if (text.trimmed().compare(QLatin1String(fitText), Qt::CaseInsensitive) == 0) {
        emit fitChosen();
        if (m_focusTarget)
            m_focusTarget->setFocus(Qt::OtherFocusReason);
        return true;
    }
    int value = ParseZoomText(text);
    if (value == 0)
        return false;
    if (value > maxPercent) {
        value = maxPercent;
        ShowPercent(maxPercent);
    }
    emit zoomValueChosen(value);
    if (m_focusTarget)
        m_focusTarget->setFocus(Qt::OtherFocusReason);
    return true;
}

void CZoomBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        ApplyText(currentText());
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CZoomBox::showPopup() {
    m_choosingFromList = false;
    QComboBox::showPopup();
}

void CZoomBox::MarkChoosing() {
    // The list reports the choice after this filter; closing it may run a short local event
    // loop first, so the mark lasts until the choice arrives or the list opens again.
    m_choosingFromList = true;
}

bool CZoomBox::eventFilter(QObject* watched, QEvent* event) {
    // Typing while the list is dropped down closes it and applies nothing; the edit text
    // stays selected so the next key replaces it.
    if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease)
        MarkChoosing();
    const bool keyEvent =
        event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched == view() && keyEvent) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The list takes Enter as early as its shortcut-override stage.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            MarkChoosing();
        if (event->type() == QEvent::KeyPress && !key->text().isEmpty() &&
            key->text().at(0).isPrint()) {
            hidePopup();
            if (lineEdit())
                lineEdit()->selectAll();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
