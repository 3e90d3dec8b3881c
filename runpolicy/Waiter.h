// SPDX-License-Identifier: GPL-3.0-or-later
// Pauses of a run that a stop must be able to cut short.
#pragma once

#include <chrono>

namespace qv::runpolicy {

class IWaiter {
public:
    virtual ~IWaiter() = default;
    // Answers whether the whole time passed; false when a stop came first.
    virtual bool Wait(std::chrono::milliseconds duration) = 0;
};

}  // namespace qv::runpolicy
