// CSetPasswordDialog: the "Password" dialog that sets, changes or removes the database
// password: two masked fields ("Password", "Password(again)", at most 12 characters each),
// "OK", "Cancel" and "&Reset password". OK with a refused entry (too short, the two fields
// different, too long) shows why, empties both fields and stays open; "&Reset password"
// asks first and then closes as OK would with both fields empty, which removes the
// password. The old password is not asked for.
#pragma once

#include <QDialog>

#include <string>

class QLineEdit;

class CSetPasswordDialog : public QDialog {
    Q_OBJECT

public:
    explicit CSetPasswordDialog(QWidget* parent);

    // After Accepted: the password to store (UTF-8), "" for none.
    const std::string& Password() const { return m_password; }

private:
    void OnOk();
    void OnReset();
    void ClearFields();

    QLineEdit* m_first = nullptr;
    QLineEdit* m_second = nullptr;
    std::string m_password;
};
