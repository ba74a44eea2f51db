// The command table: every command of the program with its menu, menu text, key, prompt and
// enable rule, the toolbar's buttons in order and the view's pop-up menu. The main frame
// builds its menus, toolbar and accelerators from here and asks IsCommandEnabled for the
// enable states.
#pragma once

#include "app/CommandIds.h"

#include <span>

// When a command may be used.
enum class EnableRule {
    always,
    writable,      // the open database is not read-only
    searching,     // a search result is shown
    marksExist,    // at least one record is marked
    marksWritable, // marks exist and the database is writable
    pictureShown,  // the current record's picture is shown
    framework,     // the frame decides (recent files, toolbar and status-bar toggles)
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
};

// Every command, in menu order.
std::span<const CCommandEntry> CommandTable();
// The entry of id; nullptr when there is none. The recent files all share one entry.
const CCommandEntry* FindCommand(int id);

// The toolbar's buttons in order; 0 stands for a separator.
std::span<const int> ToolbarLayout();

bool IsCommandEnabled(const CCommandEntry& entry, const CCommandState& state);
