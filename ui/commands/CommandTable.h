// The command table: every command of the program with its menu place, menu text, keys,
// prompt and enable rule, the toolbar's buttons in order and the view's pop-up menu. The
// main frame builds its menus, toolbar and keys from here for the commands that have a
// registered handler (CCommandRouter); the router applies the enable rules.
#pragma once

#include "ui/commands/CommandIds.h"

#include <span>

// When a command may be used.
enum class EnableRule {
    always,
    writable,       // the open database is not read-only
    searching,      // a search result is shown
    marksExist,     // at least one record is marked
    marksWritable,  // marks exist and the database is writable
    pictureShown,   // the current record's picture is shown
    recordWritable, // the list has a current record and the database is writable
    framework,      // the frame decides (recent files, toolbar and status-bar toggles)
};

struct CCommandEntry {
    int id;
    // "File", "Edit", "Mark", "View", "Tools", "?"; nullptr: no menu item.
    const char* menu;
    // With its "&" mnemonic and, after a tab, the key it shows; nullptr: no menu item.
    const char* menuText;
    // Keys in QKeySequence's portable form, several separated by "; "; nullptr: none.
    const char* keys;
    // "status text\ntip"; nullptr: no prompt.
    const char* prompt;
    EnableRule rule;
    // The item starts a new group (a separator before it) in its menu.
    bool startsGroup = false;
};

// Every command, in menu order.
std::span<const CCommandEntry> CommandTable();
// The entry of id; nullptr when there is none. The recent files all share one entry.
const CCommandEntry* FindCommand(int id);

// The toolbar's buttons in order; 0 stands for a separator.
std::span<const int> ToolbarLayout();
// The view's pop-up menu in order; 0 stands for a separator.
std::span<const int> PopupLayout();

bool IsCommandEnabled(const CCommandEntry& entry, const CCommandState& state);
