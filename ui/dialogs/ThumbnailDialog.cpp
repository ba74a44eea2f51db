#include "ui/dialogs/ThumbnailDialog.h"

#include "platform/GdiBitmap.h"
#include "platform/GdiDc.h"
#include "ui/BitmapImage.h"
#include "ui/dialogs/PictureCell.h"
#include "ui/dialogs/WorkProgress.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int columns = 5;

// The thumbnail drawn through the program's own device at the size the cell shows it, with
// the shared palette when there is one.
QImage ThumbnailImage(PxGif& gif, PxGif* paletteSource) {
    const int width = static_cast<int>(std::min<std::uint32_t>(gif.GetWidth(), 1 << 16));
    const int height = static_cast<int>(std::min<std::uint32_t>(gif.GetHeight(), 1 << 16));
    const QSize fit = CPictureCell::FitSize(width, height);
    if (fit.isEmpty())
        return {};
    CDC screen;
    screen.CreateScreenDC();
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(screen, fit.width(), fit.height()))
        return {};
    CBitmap* oldBitmap = memory.SelectObject(&bitmap);
    CPalette* palette = paletteSource ? paletteSource->GetPalette() : gif.GetPalette();
    CPalette* oldPalette = palette ? memory.SelectPalette(palette, true) : nullptr;
    const int oldMode = memory.SetStretchBltMode(HALFTONE);
    gif.StretchToDC(memory, CRect(0, 0, fit.width(), fit.height()), CRect(0, 0, width, height));
    memory.SetStretchBltMode(oldMode);
    if (palette)
        memory.SelectPalette(oldPalette, true);
    memory.SelectObject(oldBitmap);
    return BitmapToImage(bitmap);
}

} // namespace

CThumbnailDialog::CThumbnailDialog(CThumbnailPages& pages, ISettings& settings, QWidget* parent)
    : QDialog(parent), m_pages(pages), m_settings(settings) {
    setObjectName(QStringLiteral("thumbnailDialog"));
    setWindowTitle(pages.IsMarkedMode() ? QStringLiteral("Marked data")
                                        : QStringLiteral("Thumbnail"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i) {
        auto* cell = new CPictureCell(this);
        cell->setObjectName(QStringLiteral("cell%1").arg(i));
        cell->SetCheckedIsMark(true);
        connect(cell, &CPictureCell::clicked, this, [this, i] { LeftClick(i); });
        connect(cell, &CPictureCell::doubleClicked, this, [this, i] {
            if (m_pages.Select(i))
                accept();
        });
        connect(cell, &CPictureCell::rightClicked, this, [this, i] { RightClick(i); });
        auto* size = new QLabel(this);
        size->setObjectName(QStringLiteral("size%1").arg(i));
        size->setAlignment(Qt::AlignCenter);
        auto* name = new QLabel(this);
        name->setObjectName(QStringLiteral("name%1").arg(i));
        name->setAlignment(Qt::AlignCenter);
        name->setFixedWidth(CPictureCell::cellSize + 20);
        auto* column = new QVBoxLayout;
        column->setSpacing(1);
        column->addWidget(cell, 0, Qt::AlignHCenter);
        column->addWidget(size);
        column->addWidget(name);
        grid->addLayout(column, i / columns, i % columns);
        m_cells[std::size_t(i)] = cell;
        m_sizeLabels[std::size_t(i)] = size;
        m_nameLabels[std::size_t(i)] = name;
    }

    m_prev = new QPushButton(QStringLiteral("&Prev"), this);
    m_prev->setObjectName(QStringLiteral("prev"));
    m_next = new QPushButton(QStringLiteral("&Next"), this);
    m_next->setObjectName(QStringLiteral("next"));
    m_mark = new QPushButton(QStringLiteral("&Mark/Unmark"), this);
    m_mark->setObjectName(QStringLiteral("markUnmark"));
    m_mark->setEnabled(!pages.IsMarkedMode());
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    for (QPushButton* button : {m_prev, m_next, m_mark, cancel})
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_prev);
    buttons->addWidget(m_next);
    buttons->addWidget(m_mark);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_prev, &QPushButton::clicked, this, [this] { TurnPage(false); });
    connect(m_next, &QPushButton::clicked, this, [this] { TurnPage(true); });
    connect(m_mark, &QPushButton::clicked, this, &CThumbnailDialog::MarkButton);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    ShowPage();
}

void CThumbnailDialog::ShowPage() {
    PxGif* paletteSource = m_pages.SharedPaletteSource();
    for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i) {
        const CThumbnailCell& data = m_pages.Cell(i);
        CPictureCell* cell = m_cells[std::size_t(i)];
        const QString name = QString::fromStdString(data.name);
        cell->SetImage(data.image ? ThumbnailImage(*data.image, paletteSource) : QImage());
        cell->SetFileName(data.IsFilled() ? name : QString());
        cell->SetMarked(data.marked);
        QLabel* label = m_nameLabels[std::size_t(i)];
        // A long name is shortened in its middle, so its start and its extension both show.
        label->setText(label->fontMetrics().elidedText(name, Qt::ElideMiddle, label->width()));
        label->setToolTip(name);
        label->setAccessibleName(name);
        m_sizeLabels[std::size_t(i)]->setText(QString::fromStdString(data.sizeText));
    }
    m_prev->setEnabled(m_pages.CanGoPrevious());
    m_next->setEnabled(m_pages.CanGoNext());
    ShowSelection();
}

void CThumbnailDialog::ShowSelection() {
    for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i)
        m_cells[std::size_t(i)]->SetSelected(m_pages.Cell(i).IsFilled() &&
                                             i == m_pages.SelectedCell());
}

void CThumbnailDialog::LeftClick(int cell) {
    if (!m_pages.Select(cell))
        return;
    ShowSelection();
    m_pages.ShowCell(cell);
}

void CThumbnailDialog::RightClick(int cell) {
    if (m_pages.IsMarkedMode() || !m_pages.Select(cell))
        return;
    ShowSelection();
    m_pages.ToggleMark(cell);
    m_cells[std::size_t(cell)]->SetMarked(m_pages.Cell(cell).marked);
}

void CThumbnailDialog::MarkButton() {
    if (m_pages.IsMarkedMode())
        return;
    if (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) {
        m_pages.TogglePageMarks();
        for (int i = 0; i < CThumbnailPages::cellsPerPage; ++i)
            m_cells[std::size_t(i)]->SetMarked(m_pages.Cell(i).marked);
        return;
    }
    const int selected = m_pages.SelectedCell();
    if (m_pages.ToggleMark(selected))
        m_cells[std::size_t(selected)]->SetMarked(m_pages.Cell(selected).marked);
    if (CThumbnailPages::CountMarkButtonUse(m_settings)) {
        QMessageBox hint(QMessageBox::NoIcon, QStringLiteral("Hint"),
                         QString::fromUtf8(markHintText), QMessageBox::Ok, this);
        hint.exec();
    }
}

void CThumbnailDialog::TurnPage(bool forward) {
    CWaitCursor wait;
    if (forward ? m_pages.GoNext() : m_pages.GoPrevious())
        ShowPage();
}

void CThumbnailDialog::keyPressEvent(QKeyEvent* event) {
    int step = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        step = -1;
        break;
    case Qt::Key_Right:
        step = 1;
        break;
    case Qt::Key_Up:
        step = -columns;
        break;
    case Qt::Key_Down:
        step = columns;
        break;
    default:
        QDialog::keyPressEvent(event);
        return;
    }
    // The view is not changed: a click or OK shows the record.
    if (m_pages.Select(m_pages.SelectedCell() + step))
        ShowSelection();
    event->accept();
}
