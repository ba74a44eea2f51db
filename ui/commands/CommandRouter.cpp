#include "ui/commands/CommandRouter.h"

#include "ui/commands/CommandTable.h"

bool CCommandRouter::Register(int id, Handler handler, Query checked) {
    if (!handler || !FindCommand(id))
        return false;
    m_routes[id] = CRoute{std::move(handler), std::move(checked)};
    return true;
}

void CCommandRouter::Unregister(int id) {
    m_routes.erase(id);
}

bool CCommandRouter::HasHandler(int id) const {
    return m_routes.count(id) != 0;
}

bool CCommandRouter::IsCheckable(int id) const {
    const auto found = m_routes.find(id);
    return found != m_routes.end() && found->second.checked;
}

CCommandState CCommandRouter::State() const {
    return m_state ? m_state() : CCommandState{};
}

bool CCommandRouter::IsEnabled(int id, const CCommandState& state) const {
    const CCommandEntry* entry = FindCommand(id);
    return entry && HasHandler(id) && IsCommandEnabled(*entry, state);
}

bool CCommandRouter::IsChecked(int id) const {
    const auto found = m_routes.find(id);
    return found != m_routes.end() && found->second.checked && found->second.checked();
}

int CCommandRouter::Run(int id) {
    const auto found = m_routes.find(id);
    if (found == m_routes.end())
        return -1;
    if (!IsEnabled(id))
        return 0;
    // A copy: the handler may register or unregister commands, this one included.
    const Handler handler = found->second.handler;
    handler();
    return 1;
}
