#include "tools/CliArgs.h"

#include "tools/CliCommands.h"

#include <charconv>
#include <cstdio>

CCliArgs::CCliArgs(const CliCommand& command, std::vector<std::string> words,
                   IPasswordDialog& dialog)
    : m_command(command), m_words(std::move(words)), m_dialog(dialog) {}

bool CCliArgs::Parse(std::initializer_list<CliOption> options, std::size_t minPositional,
                     std::size_t maxPositional) {
    m_options.clear();
    m_positionals.clear();
    m_problem.clear();
    bool optionsEnded = false;
    for (std::size_t i = 0; i < m_words.size(); ++i) {
        const std::string& word = m_words[i];
        if (optionsEnded || word.size() < 2 || word.compare(0, 2, "--") != 0) {
            m_positionals.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const CliOption* known = nullptr;
        for (const CliOption& option : options) {
            if (word == option.name)
                known = &option;
        }
        if (!known) {
            m_problem = "unknown option " + word;
            return false;
        }
        if (!known->takesValue) {
            m_options.emplace_back(word, std::string());
            continue;
        }
        if (i + 1 >= m_words.size()) {
            m_problem = "option " + word + " needs a value";
            return false;
        }
        m_options.emplace_back(word, m_words[++i]);
    }
    if (m_positionals.size() < minPositional) {
        m_problem = "missing arguments";
        return false;
    }
    if (m_positionals.size() > maxPositional) {
        m_problem = "too many arguments";
        return false;
    }
    return true;
}

bool CCliArgs::Has(std::string_view option) const {
    for (const auto& [name, value] : m_options) {
        if (name == option)
            return true;
    }
    return false;
}

bool CCliArgs::Value(std::string_view option, std::string& value) const {
    bool found = false;
    for (const auto& [name, given] : m_options) {
        if (name == option) {
            value = given;
            found = true;
        }
    }
    return found;
}

std::vector<std::string> CCliArgs::Values(std::string_view option) const {
    std::vector<std::string> values;
    for (const auto& [name, given] : m_options) {
        if (name == option)
            values.push_back(given);
    }
    return values;
}

int CCliArgs::UsageError(std::string_view reason) {
    if (reason.empty())
        reason = m_problem;
    if (!reason.empty())
        std::fprintf(stderr, "picdex-cli: %.*s\n", static_cast<int>(reason.size()), reason.data());
    std::fprintf(stderr, "usage: picdex-cli %s %s\n", m_command.name, m_command.usage);
    return 2;
}

bool CCliArgs::ParseInt32(std::string_view text, std::int32_t& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    std::int32_t parsed = 0;
    auto [end, error] = std::from_chars(first, last, parsed, 10);
    if (text.empty() || error != std::errc() || end != last)
        return false;
    value = parsed;
    return true;
}

bool CCliArgs::ParseBlock(std::string_view text, std::int32_t& block) {
    std::int32_t parsed = 0;
    if (!ParseInt32(text, parsed) || parsed < 0)
        return false;
    block = parsed;
    return true;
}

bool CCliArgs::ParseBlocks(std::size_t first, std::vector<std::int32_t>& blocks) const {
    for (std::size_t i = first; i < m_positionals.size(); ++i) {
        std::int32_t block = 0;
        if (!ParseBlock(m_positionals[i], block))
            return false;
        blocks.push_back(block);
    }
    return true;
}
