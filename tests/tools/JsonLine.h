// CJsonLine: a strict reader of one JSON object as picdex-cli writes it, whose values are
// integers, strings or arrays of strings. It checks what a JSON consumer would: quoting,
// escapes (\uXXXX, surrogate pairs), no raw control characters, nothing after the object.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

class CJsonLine {
public:
    // False when line is not exactly one such object.
    bool Parse(std::string_view line);

    bool HasNumber(const std::string& key) const { return m_numbers.count(key) > 0; }
    std::int64_t Number(const std::string& key) const { return m_numbers.at(key); }
    // Strings come back decoded to UTF-8.
    const std::string& Text(const std::string& key) const { return m_texts.at(key); }
    const std::vector<std::string>& Texts(const std::string& key) const { return m_arrays.at(key); }
    // The keys in the order they appeared.
    const std::vector<std::string>& Keys() const { return m_keys; }

private:
    bool ParseString(std::string& out);
    bool ParseNumber(std::int64_t& out);
    bool ParseStringArray(std::vector<std::string>& out);
    bool ParseHex4(unsigned& out);
    void SkipBlanks();
    bool Take(char c);
    static void AppendUtf8(std::string& out, unsigned codePoint);

    std::string_view m_text;
    std::size_t m_pos = 0;
    std::vector<std::string> m_keys;
    std::map<std::string, std::int64_t> m_numbers;
    std::map<std::string, std::string> m_texts;
    std::map<std::string, std::vector<std::string>> m_arrays;
};
