// picdex-cli: the command-line front end over the picture database.
//
//     picdex-cli [--password TEXT] [--yes] [--force256] COMMAND ARGS...
//
// The global options may stand anywhere on the line (before a lone "--"). Exit status:
// 0 success, 1 failure (the message is on standard error), 2 usage error.
#include "imaging/ImageOptions.h"
#include "platform/Prompt.h"
#include "tools/CliCommands.h"
#include "tools/CliPasswordDialog.h"
#include "tools/CliPrompt.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace {

std::vector<CliCommand> AllCommands() {
    std::vector<CliCommand> commands;
    for (auto group : {DatabaseCommands(), RecordCommands(), ImageCommands(), CollectionCommands(),
                       DocumentCommands(), SearchCommands(), ExchangeCommands(), MarkCliCommands(),
                       VerifyCommands()})
        commands.insert(commands.end(), group.begin(), group.end());
    return commands;
}

void PrintOverview(std::FILE* out, const std::vector<CliCommand>& commands) {
    std::fprintf(out, "usage: picdex-cli [--password TEXT] [--yes] [--force256] COMMAND ARGS...\n"
                      "       picdex-cli [COMMAND] --help\n\n"
                      "  --password TEXT  answers the database's password question\n"
                      "  --yes            answers Yes to every question (default No)\n"
                      "  --force256       pictures behave as on a screen of 256 colours\n\n"
                      "commands:\n");
    for (const CliCommand& command : commands)
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.usage, command.help);
}

int UsageError(const char* reason, const std::vector<CliCommand>& commands) {
    std::fprintf(stderr, "picdex-cli: %s\n", reason);
    PrintOverview(stderr, commands);
    return 2;
}

struct GlobalOptions {
    std::optional<std::string> password;
    bool yes = false;
    bool help = false;
    std::vector<std::string> rest; // the command and its words
};

// Takes the global options out of the line; false when --password lacks its value.
bool TakeGlobalOptions(int argc, char** argv, GlobalOptions& options) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded) {
            options.rest.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
            options.rest.push_back(word);
        } else if (word == "--password") {
            if (i + 1 >= argc)
                return false;
            options.password = argv[++i];
        } else if (word == "--yes") {
            options.yes = true;
        } else if (word == "--force256") {
            SetForce256Colors(true); // read by every image object made afterwards
        } else if (word == "--help") {
            options.help = true;
        } else {
            options.rest.push_back(word);
        }
    }
    return true;
}

int Run(int argc, char** argv) {
    std::vector<CliCommand> commands = AllCommands();
    GlobalOptions options;
    if (!TakeGlobalOptions(argc, argv, options))
        return UsageError("option --password needs a value", commands);
    if (options.rest.empty()) {
        if (options.help) {
            PrintOverview(stdout, commands);
            return 0;
        }
        return UsageError("no command given", commands);
    }

    const CliCommand* command = nullptr;
    for (const CliCommand& candidate : commands) {
        if (options.rest.front() == candidate.name)
            command = &candidate;
    }
    if (!command) {
        std::string reason = "unknown command " + options.rest.front();
        return UsageError(reason.c_str(), commands);
    }
    if (options.help) {
        std::printf("usage: picdex-cli %s %s\n  %s\n", command->name, command->usage,
                    command->help);
        return 0;
    }

    CCliPrompt prompt(options.yes);
    CScopedPrompt scopedPrompt(prompt);
    CCliPasswordDialog dialog(options.password);
    CCliArgs args(*command, {options.rest.begin() + 1, options.rest.end()}, dialog);
    int status = command->run(args);
    std::fflush(stdout);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    // Nothing but a lack of memory should reach this point; it still ends as a failure
    // with a message rather than an abort.
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "picdex-cli: %s\n", e.what());
        return 1;
    }
}
