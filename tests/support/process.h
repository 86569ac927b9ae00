// Running a program of ours as a separate process, the way a player runs it,
// and reading back what it wrote.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// The whole content of a file; empty when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct CommandResult {
    int status = -1;  // exit status, -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs a shell command with its output and error output captured in the
// files `outPath` and `errPath`.
inline CommandResult RunCommand(const std::string& command, const std::string& outPath,
                                const std::string& errPath) {
    int raw = std::system((command + " >" + outPath + " 2>" + errPath).c_str());
    CommandResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadWholeFile(outPath);
    result.err = ReadWholeFile(errPath);
    return result;
}
