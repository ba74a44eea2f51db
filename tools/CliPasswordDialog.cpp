#include "tools/CliPasswordDialog.h"

bool CCliPasswordDialog::AskPassword(std::string& entered) {
    if (m_asked)
        return false;
    m_asked = true;
    entered = m_password.value_or(std::string());
    return true;
}
