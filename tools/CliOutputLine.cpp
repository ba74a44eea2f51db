#include "tools/CliOutputLine.h"

#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at the start of text, 0 when it is not one
// (overlong forms, surrogates and code points above U+10FFFF are not valid).
std::size_t Utf8SequenceLength(std::string_view text) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

std::string COutputLine::JsonQuote(std::string_view text) {
    std::string out = "\"";
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", c);
            out += escape;
            ++i;
        } else if (std::size_t length = Utf8SequenceLength(text.substr(i)); length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\\uFFFD";
            ++i;
        }
    }
    out += '"';
    return out;
}

std::string COutputLine::PlainText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '?';
    }
    return out;
}

void COutputLine::StartField(std::string_view key) {
    if (m_json) {
        m_text += m_empty ? "{" : ",";
        m_text += JsonQuote(key);
        m_text += ':';
    } else if (!m_empty) {
        m_text += '\t';
    }
    m_empty = false;
}

void COutputLine::AddNumber(std::string_view key, std::int64_t value) {
    StartField(key);
    m_text += std::to_string(value);
}

void COutputLine::AddText(std::string_view key, std::string_view text) {
    StartField(key);
    m_text += m_json ? JsonQuote(text) : PlainText(text);
}

void COutputLine::AddTexts(std::string_view key, const std::vector<std::string>& texts) {
    StartField(key);
    if (m_json)
        m_text += '[';
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0)
            m_text += m_json ? "," : ";";
        m_text += m_json ? JsonQuote(texts[i]) : PlainText(texts[i]);
    }
    if (m_json)
        m_text += ']';
}

std::string COutputLine::Text() const {
    if (m_json)
        return m_empty ? std::string("{}") : m_text + "}";
    return m_text;
}

void COutputLine::Print() const {
    std::string line = Text() + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
}
