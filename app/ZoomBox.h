// CZoomBox: the toolbar's editable zoom box. Its list holds "10 %" to "200 %" and, last,
// "Fit"; the edit part takes any text. Choosing a percentage or pressing Enter applies the
// number at the start of the text (values above 500 become 500, text without a number is
// ignored); choosing "Fit" (or typing it) asks for the whole picture in the window. Either
// gives the focus back to the picture view.
#pragma once

#include <QComboBox>
#include <QPointer>

class CZoomBox : public QComboBox {
    Q_OBJECT

public:
    static constexpr int maxPercent = 500;
    static constexpr const char* fitText = "Fit";

    explicit CZoomBox(QWidget* parent = nullptr);

    // The widget that gets the focus after a value was applied.
    void SetFocusTarget(QWidget* target) { m_focusTarget = target; }

    // The text cut at its first "%", then its leading digits with an optional sign; 0 when
    // there are none.
    static int ParseZoomText(const QString& text);
    // Shows percent as "%d %".
    void ShowPercent(int percent);
    void showPopup() override;

signals:
    // A zoom percentage the user chose or typed: never 0, never above 500 (may be negative).
    void zoomValueChosen(int percent);
    // "Fit" was chosen or typed.
    void fitChosen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when text held a number and it was applied.
    bool ApplyText(const QString& text);
    void MarkChoosing();

    QPointer<QWidget> m_focusTarget;
    // Set by a confirming key or click in the dropped-down list. The base class also reports
    // an item as activated when typed text equal to it loses the focus; only a choice from
    // the list applies it.
    bool m_choosingFromList = false;
};
