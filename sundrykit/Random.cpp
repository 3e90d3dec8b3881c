// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "Error.h"
#include "Sundrykit.h"

namespace qv {

int skGetRnd(int lower, int upper) {
    if (lower > upper) throw Error(5, "skGetRnd: lower bound above upper bound");
    const uint64_t span = static_cast<uint64_t>(static_cast<int64_t>(upper) - lower) + 1;
    // Reject the top remainder so every value is equally likely.
    const uint64_t limit = UINT64_MAX - UINT64_MAX % span;
    uint64_t draw;
    do {
        ssize_t got;
        do {
            got = getrandom(&draw, sizeof draw, 0);
        } while (got < 0 && errno == EINTR);
        if (got != static_cast<ssize_t>(sizeof draw)) throw Error(5, "The system's random source failed");
    } while (draw >= limit);
    return static_cast<int>(lower + static_cast<int64_t>(draw % span));
}

}  // namespace qv
