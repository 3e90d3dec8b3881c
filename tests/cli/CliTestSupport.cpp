// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <system_error>

extern char** environ;

namespace qv::test {

namespace {

void Check(int result, const char* what) {
    if (result != 0) throw std::system_error(result, std::generic_category(), what);
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& args,
                       const std::map<std::string, std::string>& environment,
                       const std::vector<std::string>& launcher) {
    std::vector<std::string> words = launcher;
    words.push_back(QV_CLI_EXECUTABLE);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<std::string> variables;
    for (char** each = environ; *each != nullptr; ++each) {
        const std::string variable = *each;
        const std::string name = variable.substr(0, variable.find('='));
        if (!name.starts_with("QUILLVAULT_") && !environment.contains(name)) variables.push_back(variable);
    }
    for (const auto& [name, value] : environment) variables.push_back(name + "=" + value);

    std::vector<char*> argv;
    for (auto& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "pipe2");
    posix_spawn_file_actions_t actions;
    Check(posix_spawn_file_actions_init(&actions), "posix_spawn_file_actions_init");
    Check(posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0), "addopen");
    Check(posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1), "adddup2");
    Check(posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2), "adddup2");
    const int spawned = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        throw std::system_error(spawned, std::generic_category(), "posix_spawn " + words[0]);
    }
    reader_ = std::thread([this, out = outPipe[0], err = errPipe[0]] { ReadOutput(out, err); });
}

CliProcess::~CliProcess() {
    if (!finished_) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (reader_.joinable()) reader_.join();
}

void CliProcess::ReadOutput(int outFd, int errFd) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            std::lock_guard lock(mutex_);
            (i == 0 ? out_ : err_).append(buffer, static_cast<size_t>(got));
            changed_.notify_all();
        }
    }
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

void CliProcess::Signal(int signal) {
    if (kill(pid_, signal) != 0) throw std::system_error(errno, std::generic_category(), "kill");
}

bool CliProcess::WaitForError(const std::string& text, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return err_.find(text) != std::string::npos || closed_; }) &&
           err_.find(text) != std::string::npos;
}

CliResult CliProcess::Finish(std::chrono::seconds limit) {
    {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, limit, [&] { return closed_; })) {
            ADD_FAILURE() << "quillvault-cli was still running after " << limit.count() << " s; killed";
            kill(pid_, SIGKILL);
        }
    }
    reader_.join();
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) throw std::system_error(errno, std::generic_category(), "waitpid");
    finished_ = true;
    CliResult result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    std::lock_guard lock(mutex_);
    result.out = out_;
    result.err = err_;
    return result;
}

CliResult RunCli(const std::vector<std::string>& args, const std::map<std::string, std::string>& environment,
                 const std::vector<std::string>& launcher) {
    CliProcess process(args, environment, launcher);
    return process.Finish();
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++count;
    return count;
}

}  // namespace qv::test
