// SPDX-License-Identifier: GPL-3.0-or-later
#include "BrowserOpener.h"

#include <spawn.h>

#include <cstring>
#include <vector>

extern char** environ;

namespace qv::cli {

namespace {

// $BROWSER's first command as a script for sh, the address as its $1: an
// address never becomes part of a command line the shell reads.
std::string BrowserScript(std::string command) {
    for (std::size_t at = command.find("%s"); at != std::string::npos; at = command.find("%s", at + 4))
        command.replace(at, 2, "\"$1\"");
    if (command.find("\"$1\"") == std::string::npos) command += " \"$1\"";
    return command;
}

}  // namespace

Status OpenInBrowser(const std::string& url, const EnvironmentReader& environment) {
    std::string browser = environment("BROWSER").value_or("");
    browser = browser.substr(0, browser.find(':'));
    std::vector<std::string> words;
    if (browser.find_first_not_of(" \t") != std::string::npos) {
        words = {"sh", "-c", BrowserScript(browser), "sh", url};
    } else {
        words = {"xdg-open", url};
    }
    std::vector<char*> args;
    for (std::string& word : words) args.push_back(word.data());
    args.push_back(nullptr);
    pid_t child = -1;
    const int started = posix_spawnp(&child, args[0], nullptr, nullptr, args.data(), environ);
    if (started != 0)
        return Status(StatusKind::Unavailable, "can't start " + words[0] + ": " + std::strerror(started));
    return Status::Ok();
}

}  // namespace qv::cli
