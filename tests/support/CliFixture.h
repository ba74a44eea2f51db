// Fixture of the tests that run picdex-cli as a separate process in a temporary folder.
#pragma once

#include "support/TestSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

class CCliTest : public CTempDirTest {
protected:
    // Runs the tool, expecting status; returns standard output, m_err standard error. A
    // sanitizer's report changes the status. No argument holds a quote.
    std::string Cli(const std::vector<std::string>& args, int status = 0) {
        std::string command = "ASAN_OPTIONS=exitcode=99 " PICDEX_CLI_PATH;
        for (const std::string& arg : args)
            command += " '" + arg + "'";
        const int result = std::system((command + ">" + File("out") + " 2>" + File("err")).c_str());
        m_err = Text("err");
        EXPECT_TRUE(WIFEXITED(result) && WEXITSTATUS(result) == status) << command << "\n" << m_err;
        return Text("out");
    }
    // The content of the file name in the folder.
    std::string Text(const std::string& name) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(File(name));
        return {bytes.begin(), bytes.end()};
    }

    std::string m_err;
};
