// CPictureCell: one picture cell of the browsers (the add-files browser and the thumbnail
// browser): a 92 x 92 black square that shows a small picture centred, at its own size
// when it fits, else shrunk with its aspect ratio kept, framed solid or, while selected,
// dotted. Signs in the top-left corner: selected, chosen (the add-files browser's "already
// stored") and marked; an empty cell may show the placeholder sign (no preview).
//
// For assistive technology the cell is a check box named after its file; its checked state
// is the selection, or the mark when SetCheckedIsMark(true) (the thumbnail browser). Its
// press action clicks it. A cell without a file name counts as invisible there. A cell with
// a file name takes the keyboard focus (Tab) and the space bar clicks it.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class CPictureCell : public QWidget {
    Q_OBJECT

public:
    static constexpr int cellSize = 92;
    static constexpr int signSize = 16;

    explicit CPictureCell(QWidget* parent = nullptr);

    // The size a width x height picture is drawn at: its own when both sides are at most
    // 92, else the longer side 92 and the other scaled down (integer division, at least 1).
    static QSize FitSize(int width, int height);

    // The picture (a null image: none). It is drawn at FitSize of its own size; the cell
    // repaints at once.
    void SetImage(const QImage& image);
    const QImage& Image() const { return m_image; }
    // The file the cell shows: its accessible name.
    void SetFileName(const QString& name);

    // Setting a flag repaints the cell only when it changes.
    void SetSelected(bool on);
    void SetChosen(bool on);
    void SetMarked(bool on);
    void SetPlaceholder(bool on);
    bool IsSelected() const { return m_selected; }
    bool IsChosen() const { return m_chosen; }
    bool IsMarked() const { return m_marked; }
    bool HasPlaceholder() const { return m_placeholder; }

    void SetCheckedIsMark(bool on) { m_checkedIsMark = on; }
    bool IsChecked() const { return m_checkedIsMark ? m_marked : m_selected; }

    QSize sizeHint() const override { return {cellSize, cellSize}; }

signals:
    void clicked();
    void doubleClicked();
    void rightClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetFlag(bool& flag, bool on);

    QImage m_image;
    bool m_selected = false;
    bool m_chosen = false;
    bool m_marked = false;
    bool m_placeholder = false;
    bool m_checkedIsMark = false;
};
