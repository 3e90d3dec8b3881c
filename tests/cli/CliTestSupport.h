// SPDX-License-Identifier: GPL-3.0-or-later
// What the command-line tests share: the read-API server (one per test
// program, reset before each test) and quillvault-cli run as a child process.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SharedService.h"

namespace qv::test {

struct CliResult {
    int exitCode = -1;  // -1 when the program was ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

// quillvault-cli with `args`, its standard output and error read as they come.
// The environment is the test's own without QUILLVAULT_* variables, plus `environment`.
// A `launcher` (a program and its arguments, found in PATH) starts it, as in
// "prlimit --fsize=1000 quillvault-cli ...".
class CliProcess {
public:
    explicit CliProcess(const std::vector<std::string>& args,
                        const std::map<std::string, std::string>& environment = {},
                        const std::vector<std::string>& launcher = {});
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    void Signal(int signal);
    // Whether standard error has shown `text` within `limit`.
    bool WaitForError(const std::string& text, std::chrono::milliseconds limit);
    // Waits for the program to end; one that is still running after `limit`
    // (it hangs) is killed and the test fails.
    CliResult Finish(std::chrono::seconds limit = std::chrono::seconds(120));

private:
    void ReadOutput(int outFd, int errFd);

    pid_t pid_ = -1;
    bool finished_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string out_;
    std::string err_;
    bool closed_ = false;
};

CliResult RunCli(const std::vector<std::string>& args,
                 const std::map<std::string, std::string>& environment = {},
                 const std::vector<std::string>& launcher = {});

size_t Occurrences(const std::string& text, const std::string& part);

}  // namespace qv::test
