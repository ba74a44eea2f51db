// CKeywordListDialog: the "List of keywords" dialog: every keyword of the database with
// its count, one line selected; "&Search" or a double-click confirms the selected line,
// "&Close" cancels.
#pragma once

#include "collection/Search.h"

#include <QDialog>
#include <QPointer>

class CKeywordListDialog : public IKeywordListDialog {
public:
    explicit CKeywordListDialog(QWidget* parent) : m_parent(parent) {}

    bool ChooseKeyword(const std::vector<std::string>& lines, int& selected) override;

private:
    QPointer<QWidget> m_parent;
};
