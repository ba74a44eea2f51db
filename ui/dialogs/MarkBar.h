// CMarkBar: the bar for paging among marked records, a small modeless window owned by the
// view: "&Top", "&Prev", "&Next", "&Bottom" and "&Thumbnails", left to right. Each button
// sends its code (MarkMove) to the view, as private message 0x482 did: "&Top" the first
// mark made, "&Bottom" the last, "&Next" and "&Prev" one mark on or back in marking order
// (wrapping at both ends), "&Thumbnails" the marked thumbnails.
#pragma once

#include <QWidget>

#include <functional>

class CMarkBar : public QWidget {
    Q_OBJECT

public:
    using MoveHandler = std::function<void(int code)>;

    CMarkBar(MoveHandler move, QWidget* parent);

private:
    MoveHandler m_move;
};
