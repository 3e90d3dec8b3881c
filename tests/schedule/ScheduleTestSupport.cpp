#include "ScheduleTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

extern char** environ;

namespace qv::test {

Ran Run(const std::vector<std::string>& words) {
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& word : copies) argv.push_back(word.data());
    argv.push_back(nullptr);
    Ran ran;
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return ran;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_adddup2(&actions, output[1], 2);
    pid_t child = -1;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    char buffer[4096];
    for (ssize_t got; started == 0 && ((got = read(output[0], buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR));) {
        if (got > 0) ran.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(output[0]);
    if (started != 0) return ran;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status)) ran.exitCode = WEXITSTATUS(status);
    return ran;
}

bool Installed(const std::string& program) {
    const char* path = getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (!folder.empty() && access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

}  // namespace qv::test
