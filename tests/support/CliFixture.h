// Fixture of the tests that run picdex-cli as a separate process in a temporary folder.
#pragma once

#include "imaging/BmpBuilder.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <sys/wait.h>

struct CliResult {
    int status = -1; // exit status; 128 + signal number when the child was killed
    std::string out;
    std::string err;
};

class CCliTest : public CTempDirTest {
protected:
    // Runs the tool with args (after the environment settings env) through the shell, with
    // no input. A sanitizer's report fails the test.
    CliResult Run(const std::vector<std::string>& args, const std::string& env = "") {
        auto quoted = [](const std::string& word) {
            std::string text = "'";
            for (char c : word)
                text += c == '\'' ? std::string("'\\''") : std::string(1, c);
            return text + "'";
        };
        std::string command = env + " " + quoted(PICDEX_CLI_PATH);
        for (const std::string& arg : args)
            command += " " + quoted(arg);
        CliResult result;
        FILE* pipe =
            popen((command + " </dev/null 2>" + quoted(m_errDir.File("err"))).c_str(), "r");
        if (!pipe)
            return result;
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            result.out.append(buffer, got);
        const int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        const std::vector<std::uint8_t> err = ReadFileBytes(m_errDir.File("err"));
        result.err.assign(err.begin(), err.end());
        if (result.err.find("Sanitizer") != std::string::npos ||
            result.err.find("runtime error:") != std::string::npos)
            ADD_FAILURE() << "picdex-cli reported a fault:\n" << result.err;
        return result;
    }
    // Runs the tool, expecting status; returns standard output, m_err standard error.
    std::string Cli(const std::vector<std::string>& args, int status = 0) {
        CliResult result = Run(args);
        m_err = result.err;
        EXPECT_EQ(result.status, status) << testing::PrintToString(args) << "\n" << m_err;
        return result.out;
    }
    // A run of the tool: its arguments, the exit status it must end with and a text its
    // standard output or error must hold.
    struct Step {
        std::vector<std::string> args;
        int status;
        std::string says;
    };
    // Runs the steps in turn, each argument "DB" standing for db.
    void Expect(const std::vector<Step>& steps, const std::string& db = "") {
        for (const Step& step : steps) {
            std::vector<std::string> args = step.args;
            std::replace(args.begin(), args.end(), std::string("DB"), db);
            const CliResult r = Run(args);
            const std::string said = r.out + r.err;
            EXPECT_EQ(r.status, step.status) << testing::PrintToString(args) << "\n" << said;
            EXPECT_NE(said.find(step.says), std::string::npos) << args[0] << ": " << said;
        }
    }
    // Writes a 24-bit BMP of width x height pixels that differ with seed into the folder;
    // its path.
    std::string WriteBmp(const std::string& name, int width, int height, unsigned seed = 1) {
        const std::size_t bytes = std::size_t((width * 3 + 3) / 4 * 4 * height);
        WriteFileBytes(File(name), BmpBuilder{.width = width,
                                              .height = height,
                                              .bits = 24,
                                              .pixels = PatternBytes(bytes, seed)}
                                       .Build());
        return File(name);
    }
    // The content of the file name in the folder.
    std::string Text(const std::string& name) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(File(name));
        return {bytes.begin(), bytes.end()};
    }

    std::string m_err;

private:
    CTempDir m_errDir;
};
