// SPDX-License-Identifier: GPL-3.0-or-later
// How long an answer asks the client to wait before it tries again.
#pragma once

#include <string>

namespace qv::http {

// Seconds from the Retry-After header of a header block (a number of seconds
// or an HTTP date), or -1 when there is none or it cannot be read. A date in
// the past gives 0.
int RetryAfterSeconds(const std::string& headers);

}  // namespace qv::http
