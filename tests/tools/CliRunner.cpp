#include "tools/CliRunner.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {
std::string ReadText(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}
} // namespace

void CCliRunner::SetEnv(const std::string& name, const std::string& value) {
    m_env.push_back(name + "=" + value);
}

CliResult CCliRunner::Run(const std::vector<std::string>& args) {
    std::string tag = std::to_string(m_runs++);
    std::string outPath = m_capture.File("out" + tag), errPath = m_capture.File("err" + tag);

    std::vector<std::string> words = {PICDEX_CLI_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    // The inherited environment with this runner's settings after it (later ones win).
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e)
        envText.emplace_back(*e);
    envText.insert(envText.end(), m_env.begin(), m_env.end());
    std::vector<char*> envp;
    for (std::string& entry : envText)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    pid_t pid = 0;
    int spawnError = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    CliResult result;
    if (spawnError != 0) {
        ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(spawnError);
        return result;
    }
    int waitStatus = 0;
    while (::waitpid(pid, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(waitStatus))
        result.status = WEXITSTATUS(waitStatus);
    else if (WIFSIGNALED(waitStatus))
        result.status = 128 + WTERMSIG(waitStatus);
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    if (result.err.find("Sanitizer") != std::string::npos ||
        result.err.find("runtime error:") != std::string::npos)
        ADD_FAILURE() << "picdex-cli reported a fault:\n" << result.err;
    return result;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
