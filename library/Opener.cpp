// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/Opener.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

#include "library/CliCommands.h"

extern char** environ;

namespace qv::library {

namespace {

// How often a running opener is looked at; openers end within moments.
constexpr int kLookEveryMs = 200;

}  // namespace

Opener::Opener(QObject* parent) : QObject(parent) {
    look_.setInterval(kLookEveryMs);
    connect(&look_, &QTimer::timeout, this, &Opener::Look);
}

void Opener::Open(const QString& target) {
    const QString program = OpenerProgram();
    const QByteArray programBytes = program.toLocal8Bit();
    const QByteArray targetBytes = target.toLocal8Bit();
    char* argv[] = {const_cast<char*>(programBytes.constData()), const_cast<char*>(targetBytes.constData()),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        emit Failed(
            target,
            QString("%1 did not start: %2").arg(program, QString::fromLocal8Bit(std::strerror(error))));
        return;
    }
    children_.push_back({pid, target, program});
    if (!look_.isActive()) look_.start();
}

void Opener::Look() {
    std::vector<std::pair<QString, QString>> failures;  // said once the list is settled
    for (auto child = children_.begin(); child != children_.end();) {
        int status = 0;
        const pid_t ended = waitpid(child->pid, &status, WNOHANG);
        if (ended == 0 || (ended < 0 && errno == EINTR)) {
            ++child;
            continue;
        }
        const Child done = *child;
        child = children_.erase(child);
        if (ended < 0) continue;  // reaped elsewhere: nothing to say
        if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
            failures.emplace_back(
                done.target,
                QString("%1 ended with exit status %2").arg(done.program).arg(WEXITSTATUS(status)));
        else if (WIFSIGNALED(status))
            failures.emplace_back(
                done.target, QString("%1 was ended by signal %2").arg(done.program).arg(WTERMSIG(status)));
    }
    if (children_.empty()) look_.stop();
    for (const auto& [target, why] : failures) emit Failed(target, why);
}

}  // namespace qv::library
