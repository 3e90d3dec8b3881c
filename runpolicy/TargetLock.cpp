// SPDX-License-Identifier: GPL-3.0-or-later
#include "runpolicy/TargetLock.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "backupfiles/BackupFiles.h"

namespace qv::runpolicy {

namespace {

// The process number in a lock file, or 0 when there is none to be read.
pid_t Holder(const std::string& path) {
    std::ifstream in(path);
    long pid = 0;
    if (!(in >> pid) || pid <= 0) return 0;
    return static_cast<pid_t>(pid);
}

// Whether `pid` is a live run of ours: a process number can have been handed
// on to another program since the holder died.
bool IsLiveRun(pid_t pid) {
    if (kill(pid, 0) != 0 && errno != EPERM) return false;
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    return !std::getline(comm, name) || name.starts_with("quillvault");
}

bool WriteOwnPid(int fd) {
    const std::string pid = std::to_string(getpid()) + "\n";
    return write(fd, pid.data(), pid.size()) == static_cast<ssize_t>(pid.size());
}

}  // namespace

TargetLock::TargetLock(std::string target) : path_(backupfiles::LockFile(target)) {}

TargetLock::~TargetLock() {
    if (held_ && Holder(path_) == getpid()) unlink(path_.c_str());
}

Status TargetLock::Take() {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const bool written = WriteOwnPid(fd);
            close(fd);
            if (!written) {
                unlink(path_.c_str());
                return Status(StatusKind::FileSystem, "Can't write the lock file " + path_ + ".");
            }
            held_ = true;
            return Status::Ok();
        }
        if (errno != EEXIST)
            return Status(StatusKind::FileSystem,
                          "Can't make the lock file " + path_ + ": " + std::strerror(errno) + ".");
        const pid_t holder = Holder(path_);
        if (holder != 0 && holder != getpid() && IsLiveRun(holder))
            return Status(StatusKind::Busy, "Another run (process " + std::to_string(holder) +
                                                ") is writing this backup; " + path_ + " is its lock.")
                .RetryWontHelp();
        // Left by a run that is gone: take it over.
        unlink(path_.c_str());
    }
    return Status(StatusKind::FileSystem, "Can't take over the lock file " + path_ + ".");
}

}  // namespace qv::runpolicy
