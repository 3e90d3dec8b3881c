// SPDX-License-Identifier: GPL-3.0-or-later
// How long to wait before asking again when nobody said how long: a first
// pause that doubles with every attempt, up to a ceiling.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>

namespace qv {

// The pause before attempt `attempt` (1 for the first retry).
inline std::chrono::seconds DoublingDelay(std::chrono::seconds first, int attempt, std::chrono::seconds longest) {
    const double doubled = static_cast<double>(first.count()) * std::ldexp(1.0, std::clamp(attempt - 1, 0, 62));
    return std::chrono::seconds(static_cast<long long>(std::min(doubled, static_cast<double>(longest.count()))));
}

}  // namespace qv
