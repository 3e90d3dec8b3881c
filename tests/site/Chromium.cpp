// SPDX-License-Identifier: GPL-3.0-or-later
#include "Chromium.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

extern char** environ;

namespace qv::test {

namespace {

constexpr auto kLongestRun = std::chrono::seconds(90);

void Check(int result, const char* what) {
    if (result != 0) throw std::system_error(result, std::generic_category(), what);
}

}  // namespace

std::string Chromium::Executable() {
    const char* chosen = std::getenv("QV_CHROMIUM");
    const std::string path = chosen != nullptr && *chosen != '\0' ? chosen : "/usr/bin/chromium";
    return ::access(path.c_str(), X_OK) == 0 ? path : "";
}

std::string FileUrl(const std::string& path) {
    std::string url = "file://";
    for (const char c : std::filesystem::absolute(path).lexically_normal().string()) {
        if (c == ' ') {
            url += "%20";
        } else if (c == '#' || c == '?' || c == '%') {
            static const char* const kHex = "0123456789ABCDEF";
            url += '%';
            url += kHex[static_cast<unsigned char>(c) >> 4];
            url += kHex[c & 15];
        } else {
            url += c;
        }
    }
    return url;
}

std::string Chromium::DumpDom(const std::string& url, int budgetMs, const std::string& windowSize) {
    return Run({"--window-size=" + windowSize, "--virtual-time-budget=" + std::to_string(budgetMs),
                "--dump-dom", url});
}

bool Chromium::Screenshot(const std::string& url, const std::string& png, int width, int height) {
    std::filesystem::remove(png);
    Run({"--hide-scrollbars", "--window-size=" + std::to_string(width) + "," + std::to_string(height),
         "--virtual-time-budget=3000", "--screenshot=" + png, url});
    return std::filesystem::exists(png) && std::filesystem::file_size(png) > 0;
}

std::string Chromium::Run(std::vector<std::string> arguments) {
    std::vector<std::string> words = {executable_,
                                      "--headless",
                                      "--no-sandbox",
                                      "--disable-gpu",
                                      "--disable-quic",
                                      "--no-first-run",
                                      "--disable-background-networking",
                                      "--disable-component-update",
                                      "--disable-sync",
                                      "--user-data-dir=" + profile_.Path().string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
    posix_spawn_file_actions_t actions;
    Check(posix_spawn_file_actions_init(&actions), "posix_spawn_file_actions_init");
    Check(posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0), "addopen");
    Check(posix_spawn_file_actions_adddup2(&actions, out[1], 1), "adddup2");
    // The browser's own chatter (no session bus, no GPU) is no part of the page.
    Check(posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0), "addopen");
    pid_t child = -1;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        throw std::system_error(spawned, std::generic_category(), "posix_spawn " + executable_);
    }
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + kLongestRun;
    bool late = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            late = true;
            break;
        }
        pollfd wait{out[0], POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        char buffer[65536];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) break;
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(out[0]);
    if (late) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (late) throw std::runtime_error("chromium did not finish within 90 seconds");
    return output;
}

}  // namespace qv::test
