#include "tools/JsonLine.h"

#include <charconv>

bool CJsonLine::Parse(std::string_view line) {
    *this = CJsonLine();
    m_text = line;
    SkipBlanks();
    if (!Take('{'))
        return false;
    SkipBlanks();
    if (!Take('}')) {
        do {
            SkipBlanks();
            std::string key;
            if (!ParseString(key))
                return false;
            SkipBlanks();
            if (!Take(':'))
                return false;
            SkipBlanks();
            if (m_pos >= m_text.size())
                return false;
            char c = m_text[m_pos];
            bool parsed = c == '"'   ? ParseString(m_texts[key])
                          : c == '[' ? ParseStringArray(m_arrays[key])
                                     : ParseNumber(m_numbers[key]);
            if (!parsed)
                return false;
            m_keys.push_back(key);
            SkipBlanks();
        } while (Take(','));
        if (!Take('}'))
            return false;
    }
    SkipBlanks();
    return m_pos == m_text.size();
}

void CJsonLine::SkipBlanks() {
    while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t'))
        ++m_pos;
}

bool CJsonLine::Take(char c) {
    if (m_pos < m_text.size() && m_text[m_pos] == c) {
        ++m_pos;
        return true;
    }
    return false;
}

bool CJsonLine::ParseNumber(std::int64_t& out) {
    const char* first = m_text.data() + m_pos;
    const char* last = m_text.data() + m_text.size();
    auto [end, error] = std::from_chars(first, last, out);
    if (error != std::errc() || end == first)
        return false;
    m_pos += static_cast<std::size_t>(end - first);
    return true;
}

bool CJsonLine::ParseHex4(unsigned& out) {
    if (m_pos + 4 > m_text.size())
        return false;
    const char* first = m_text.data() + m_pos;
    auto [end, error] = std::from_chars(first, first + 4, out, 16);
    if (error != std::errc() || end != first + 4)
        return false;
    m_pos += 4;
    return true;
}

void CJsonLine::AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool CJsonLine::ParseString(std::string& out) {
    out.clear();
    if (!Take('"'))
        return false;
    while (m_pos < m_text.size()) {
        unsigned char c = static_cast<unsigned char>(m_text[m_pos++]);
        if (c == '"')
            return true;
        if (c < 0x20)
            return false;
        if (c != '\\') {
            out += static_cast<char>(c);
            continue;
        }
        if (m_pos >= m_text.size())
            return false;
        char escape = m_text[m_pos++];
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            out += escape;
            break;
        case 'b':
            out += '\b';
            break;
        case 'f':
            out += '\f';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'u': {
            unsigned cp = 0;
            if (!ParseHex4(cp))
                return false;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                unsigned low = 0;
                if (!Take('\\') || !Take('u') || !ParseHex4(low) || low < 0xDC00 || low > 0xDFFF)
                    return false;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                return false;
            }
            AppendUtf8(out, cp);
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

bool CJsonLine::ParseStringArray(std::vector<std::string>& out) {
    out.clear();
    if (!Take('['))
        return false;
    SkipBlanks();
    if (Take(']'))
        return true;
    do {
        SkipBlanks();
        out.emplace_back();
        if (!ParseString(out.back()))
            return false;
        SkipBlanks();
    } while (Take(','));
    return Take(']');
}
