// CCliArgs: the arguments of one picdex-cli command after the global options were taken
// out, sorted into the options the command accepts and its positional arguments, with
// strict number parsing and the usage-error report. It also carries what the global
// options gave the command: the password dialog that answers the database's question.
//
// An option is a word starting with "--"; one that takes a value takes the next word,
// whatever it looks like. After a lone "--" every word is positional.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct CliCommand;
class IPasswordDialog;

struct CliOption {
    const char* name; // with its leading "--"
    bool takesValue;
};

class CCliArgs {
public:
    static constexpr std::size_t unbounded = std::numeric_limits<std::size_t>::max();

    CCliArgs(const CliCommand& command, std::vector<std::string> words, IPasswordDialog& dialog);

    // Sorts the words. False, with the reason kept for UsageError, on an option not in
    // options, an option without its value, or a number of positional arguments outside
    // minPositional..maxPositional.
    bool Parse(std::initializer_list<CliOption> options, std::size_t minPositional,
               std::size_t maxPositional);

    bool Has(std::string_view option) const;
    // The last value given for option; false when it was not given.
    bool Value(std::string_view option, std::string& value) const;
    // Every value given for option, in order.
    std::vector<std::string> Values(std::string_view option) const;

    const std::vector<std::string>& Positionals() const { return m_positionals; }
    const std::string& Positional(std::size_t i) const { return m_positionals.at(i); }

    // Prints "picdex-cli: reason" (or the reason kept by Parse when reason is empty) and
    // the command's usage line on standard error; returns the usage exit status 2.
    int UsageError(std::string_view reason = {});

    const CliCommand& Command() const { return m_command; }
    IPasswordDialog& PasswordDialog() { return m_dialog; }

    // The whole text as a decimal number in the range of int32; no sign but "-", no
    // blanks, no leading "+".
    static bool ParseInt32(std::string_view text, std::int32_t& value);
    // A block number: ParseInt32 and not negative.
    static bool ParseBlock(std::string_view text, std::int32_t& block);
    // Every positional argument from first on as a block number, appended to blocks;
    // false at the first one that is not.
    bool ParseBlocks(std::size_t first, std::vector<std::int32_t>& blocks) const;

private:
    const CliCommand& m_command;
    std::vector<std::string> m_words;
    IPasswordDialog& m_dialog;
    std::vector<std::pair<std::string, std::string>> m_options; // name, value ("" for flags)
    std::vector<std::string> m_positionals;
    std::string m_problem;
};
