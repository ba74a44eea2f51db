#include "ui/dialogs/BusyPrompt.h"

#include <QCursor>
#include <QGuiApplication>

#include <vector>

namespace {
// Takes every override cursor off for the life of the object and puts them back after.
class CCursorLifted {
public:
    CCursorLifted() {
        while (const QCursor* cursor = QGuiApplication::overrideCursor()) {
            m_lifted.push_back(*cursor);
            QGuiApplication::restoreOverrideCursor();
        }
    }
    ~CCursorLifted() {
        for (auto it = m_lifted.rbegin(); it != m_lifted.rend(); ++it)
            QGuiApplication::setOverrideCursor(*it);
    }
    CCursorLifted(const CCursorLifted&) = delete;
    CCursorLifted& operator=(const CCursorLifted&) = delete;

private:
    std::vector<QCursor> m_lifted;
};
} // namespace

CBusyPrompt::CBusyPrompt() : m_previous(SetPrompt(this)) {}

CBusyPrompt::~CBusyPrompt() {
    SetPrompt(m_previous);
}

void CBusyPrompt::ShowMessage(std::string_view text) {
    CCursorLifted normal;
    SetPrompt(m_previous);
    ::ShowMessage(text);
    SetPrompt(this);
}

bool CBusyPrompt::AskYesNo(std::string_view text) {
    CCursorLifted normal;
    SetPrompt(m_previous);
    const bool yes = ::AskYesNo(text);
    SetPrompt(this);
    return yes;
}
