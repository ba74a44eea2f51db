// CCliRunner: runs the picdex-cli binary as a child process (no shell) and captures its
// exit status, standard output and standard error. Output goes through files in a
// private temporary folder, so a chatty child can never block on a full pipe.
#pragma once

#include "support/TestSupport.h"

#include <string>
#include <vector>

struct CliResult {
    int status = -1; // exit status; 128 + signal number when the child was killed
    std::string out;
    std::string err;
};

class CCliRunner {
public:
    // Sets NAME=VALUE in the environment of every later run.
    void SetEnv(const std::string& name, const std::string& value);
    // Runs picdex-cli with args. Fails the test when the child reported a sanitizer error.
    CliResult Run(const std::vector<std::string>& args);

private:
    CTempDir m_capture;
    std::vector<std::string> m_env;
    int m_runs = 0;
};

// The lines of text (without their line breaks).
std::vector<std::string> SplitLines(const std::string& text);
