// CCommandRouter: the one dispatcher of the program's commands. Every menu item, toolbar
// button, key and pop-up item runs its command through Run. The windows register a handler
// for each command they carry out; the main frame offers a menu item, button or key only for
// a command of the table that has a handler. The enable rule of the command's table entry is
// applied here, so a disabled command does nothing whichever way it is invoked.
//
// The frame owns the router; windows register while the frame is built (before it makes its
// menus) and must unregister (or outlive the router) before they are destroyed.
#pragma once

#include "ui/commands/CommandIds.h"

#include <functional>
#include <map>

class CCommandRouter {
public:
    using Handler = std::function<void()>;
    using Query = std::function<bool()>;
    using StateSource = std::function<CCommandState()>;

    // Makes handler the handler of command id, replacing an earlier one. With checked, the
    // command's item is checkable and shows checked while checked() is true (a window
    // shown, a bar visible). False, and nothing registered, when the command table has no
    // entry for id or handler is empty.
    bool Register(int id, Handler handler, Query checked = {});
    void Unregister(int id);
    bool HasHandler(int id) const;
    bool IsCheckable(int id) const;

    // What the enable rules look at; without a source every rule sees a closed database.
    void SetStateSource(StateSource source) { m_state = std::move(source); }
    CCommandState State() const;
    // The command has a handler and its enable rule holds now (or in state, when a caller
    // asks about many commands at once).
    bool IsEnabled(int id) const { return IsEnabled(id, State()); }
    bool IsEnabled(int id, const CCommandState& state) const;
    bool IsChecked(int id) const;

    // Runs command id: 1 when its handler ran, 0 when it is disabled (nothing is done), -1
    // when no handler is registered.
    int Run(int id);

private:
    struct CRoute {
        Handler handler;
        Query checked;
    };

    std::map<int, CRoute> m_routes;
    StateSource m_state;
};
