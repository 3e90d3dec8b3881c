// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps two runs from writing one backup at once: its lock file holds the
// process number of the run that owns the target, and is taken over when
// that process is gone.
#pragma once

#include <string>

#include "Status.h"

namespace qv::runpolicy {

class TargetLock {
public:
    explicit TargetLock(std::string target);
    // Removes the lock file when this run holds it.
    ~TargetLock();
    TargetLock(const TargetLock&) = delete;
    TargetLock& operator=(const TargetLock&) = delete;

    // Busy when another live run holds the target; FileSystem when the lock can't be made.
    Status Take();

private:
    std::string path_;
    bool held_ = false;
};

}  // namespace qv::runpolicy
