// CQtPasswordDialog: the dialog that asks for the database password when the document opens
// a protected database ("Password": the label "Pasword :", one masked field of at most 12
// characters, OK and Cancel). Each question starts with an empty field; the caller compares.
#pragma once

#include "collection/PasswordCheck.h"
#include "storage/Password.h"

#include <QPointer>
#include <QWidget>

class CQtPasswordDialog : public IPasswordDialog {
public:
    explicit CQtPasswordDialog(QWidget* parent);

    // False on Cancel; entered holds the text typed (UTF-8) on OK.
    bool AskPassword(std::string& entered) override;

private:
    QPointer<QWidget> m_parent;
};
