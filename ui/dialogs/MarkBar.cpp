#include "ui/dialogs/MarkBar.h"

#include "collection/MarkCommands.h"

#include <QHBoxLayout>
#include <QPushButton>

CMarkBar::CMarkBar(MoveHandler move, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_move(std::move(move)) {
    setObjectName(QStringLiteral("markBar"));
    // The bar has no caption on screen; the title names it to assistive technology.
    setWindowTitle(QStringLiteral("Page among marked data"));
    struct Button {
        const char* caption;
        const char* name;
        int code;
    };
    // "&Next" goes on in marking order and "&Prev" back, as a user reads them.
    const Button buttons[] = {{"&Top", "top", MarkMove::first},
                              {"&Prev", "prev", MarkMove::back},
                              {"&Next", "next", MarkMove::forward},
                              {"&Bottom", "bottom", MarkMove::last},
                              {"&Thumbnails", "thumbnails", MarkMove::thumbnails}};
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    for (const Button& button : buttons) {
        auto* widget = new QPushButton(QString::fromLatin1(button.caption), this);
        widget->setObjectName(QString::fromLatin1(button.name));
        widget->setAccessibleName(QString::fromLatin1(button.caption).remove(QLatin1Char('&')));
        widget->setAutoDefault(false);
        const int code = button.code;
        connect(widget, &QPushButton::clicked, this, [this, code] { m_move(code); });
        layout->addWidget(widget);
    }
}
