// Keeps two runs from writing one backup at once: its lock file holds the
// process number of the run that owns the target, and is taken over when
// that process is gone.
#pragma once

#include <string>

namespace qv::cli {

class TargetLock {
public:
    explicit TargetLock(std::string target);
    // Removes the lock file when this run holds it.
    ~TargetLock();
    TargetLock(const TargetLock&) = delete;
    TargetLock& operator=(const TargetLock&) = delete;

    // False with `why` when another live run holds the target or the lock can't be made.
    bool Take(std::string& why);

private:
    std::string path_;
    bool held_ = false;
};

}  // namespace qv::cli
