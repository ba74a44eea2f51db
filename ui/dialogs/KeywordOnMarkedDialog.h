// CKeywordOnMarkedDialog: "Add/Delete keyword on marked data": the "&Keyword" field and the
// radio buttons "&Add" (the default) and "&Delete", OK and Cancel. The field takes at most
// what a keyword field of a record holds.
#pragma once

#include "collection/MarkCommands.h"

#include <QDialog>

#include <string>

class QLineEdit;
class QRadioButton;

class CKeywordOnMarkedDialog : public QDialog {
    Q_OBJECT

public:
    explicit CKeywordOnMarkedDialog(QWidget* parent);

    std::string Keyword() const;
    KeywordAction Action() const;

private:
    QLineEdit* m_keyword = nullptr;
    QRadioButton* m_add = nullptr;
};
