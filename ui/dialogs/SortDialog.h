// CSortDialog: the Sort dialog (no title): a group "Sort" with "&Alphabetic by fle name"
// (order 0) and "By &date saved" (order 1), OK and Cancel. Each question builds a fresh
// modal dialog over the parent.
#pragma once

#include "collection/Sorting.h"

#include <QPointer>
#include <QWidget>

class CSortDialog : public ISortDialog {
public:
    explicit CSortDialog(QWidget* parent);

    // Opens with the button of sortType checked (anything but 1 checks the first); on OK
    // sortType holds the order chosen. False on Cancel, sortType unchanged.
    bool AskSortType(int& sortType) override;

private:
    QPointer<QWidget> m_parent;
};
