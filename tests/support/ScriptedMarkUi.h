// The marked-data commands' keyword and file dialogs and view: they answer what the test
// set.
#pragma once

#include "collection/MarkCommands.h"

#include <string>

class CScriptedMarkUi : public IMarkView, public IMarkDialogs {
public:
    bool AskKeywordOnMarked(std::string& keyword, KeywordAction& action) override {
        return keyword = m_keyword, action = m_action, true;
    }
    bool AskOpenPath(const CSaveFileRequest&, std::string& path) override {
        return path = m_path, true;
    }

    std::string m_keyword, m_path;
    KeywordAction m_action = KeywordAction::add;
};
