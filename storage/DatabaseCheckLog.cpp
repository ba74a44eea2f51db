#include "storage/DatabaseCheckLog.h"

#include <cstdio>

bool CCheckLog::Count(Kinds& kinds, CheckedFile file, std::string_view kind) {
    auto found = kinds.find(kind);
    if (found == kinds.end())
        found = kinds.emplace(std::string(kind), Kind{file}).first;
    return ++found->second.count <= linesPerKind;
}

void CCheckLog::Add(CheckedFile file, std::string_view kind, std::string line) {
    if (file == CheckedFile::main)
        m_result.mainDamaged = true;
    else
        m_result.indexDamaged = true;
    if (Count(m_kinds, file, kind))
        m_result.problems.push_back(std::move(line));
}

void CCheckLog::Note(CheckedFile file, std::string_view kind, std::string line) {
    if (Count(m_noteKinds, file, kind))
        m_result.notes.push_back(std::move(line));
}

void CCheckLog::Finish(Kinds& kinds, std::vector<std::string>& lines, const char* what) {
    for (auto& [kind, counted] : kinds) {
        if (counted.count <= linesPerKind)
            continue;
        const char* where = counted.file == CheckedFile::main ? "main file" : "index file";
        lines.push_back(std::string(where) + ": " + std::to_string(counted.count - linesPerKind) +
                        " more " + what + " not listed: " + kind);
        counted.count = linesPerKind;
    }
}

void CCheckLog::Finish() {
    Finish(m_kinds, m_result.problems, "problems");
    Finish(m_noteKinds, m_result.notes, "notes");
}

std::string QuoteText(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}
