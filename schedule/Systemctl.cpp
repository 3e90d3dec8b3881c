#include "schedule/Systemctl.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace qv::schedule {

namespace {

constexpr std::size_t kKeptOutput = 2000;  // enough for systemctl's own words

std::string Program() {
    const char* program = std::getenv("QUILLVAULT_SYSTEMCTL");
    return program && *program ? program : "systemctl";
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

Status RunSystemctl(const std::vector<std::string>& args) {
    const std::string program = Program();
    std::vector<std::string> words = {program, "--user"};
    words.insert(words.end(), args.begin(), args.end());
    std::string commandText = "systemctl";
    for (std::size_t i = 1; i < words.size(); ++i) commandText += " " + words[i];

    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) {
        return Status(StatusKind::FileSystem, "Can't run " + commandText + ": " + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, output[1], 2);
    pid_t child = -1;
    const int started = posix_spawnp(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);

    std::string said;
    if (started == 0) {
        char buffer[512];
        for (;;) {
            const ssize_t got = read(output[0], buffer, sizeof buffer);
            if (got > 0) {
                if (said.size() < kKeptOutput) said.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
    }
    close(output[0]);
    if (started != 0) {
        return Status(StatusKind::Unavailable, "Can't run " + commandText + " (" + std::strerror(started) +
                                             "): this system has no user service manager to ask.");
    }

    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return Status::Ok();
    said = Trimmed(said.substr(0, kKeptOutput));
    return Status(StatusKind::Unavailable,
                  commandText + " failed" + (said.empty() ? std::string(".") : ": " + said));
}

}  // namespace qv::schedule
