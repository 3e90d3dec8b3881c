// SPDX-License-Identifier: GPL-3.0-or-later
// A run whose file name carries the date and time (--add-date-time) has a new
// target each time, so the journal an interrupted run left beside its own
// target would never be found. The next dated run of the same blog in the same
// folder takes that journal over instead.
#pragma once

#include <optional>
#include <string>

namespace qv::runpolicy {

// Moves the newest journal an earlier dated run of `address` left in the
// folder of `target` (itself a dated name) to `target`'s journal, unless a
// live run still writes it or `target` has a journal already. Answers the
// journal taken over.
std::optional<std::string> TakeOverDatedJournal(const std::string& target, const std::string& address);

}  // namespace qv::runpolicy
