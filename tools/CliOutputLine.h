// COutputLine: one line of picdex-cli's output on standard output, either tab-separated
// values in the order the fields are added, or one JSON object with the fields as keys.
//
// Text fields hold stored bytes that nobody checked: in JSON, control characters are
// written as \u00XX and every byte that is not part of a valid UTF-8 sequence as \uFFFD,
// so the line always parses; in the tab-separated form control characters become "?",
// so a name can never split a field or a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class COutputLine {
public:
    explicit COutputLine(bool json) : m_json(json) {}

    void AddNumber(std::string_view key, std::int64_t value);
    void AddText(std::string_view key, std::string_view text);
    // A JSON array of strings, or the texts joined by ";".
    void AddTexts(std::string_view key, const std::vector<std::string>& texts);

    // The line without its line break.
    std::string Text() const;
    // Writes the line and a line break to standard output.
    void Print() const;

    // text as a quoted JSON string.
    static std::string JsonQuote(std::string_view text);

private:
    void StartField(std::string_view key);
    static std::string PlainText(std::string_view text);

    bool m_json;
    bool m_empty = true;
    std::string m_text;
};
