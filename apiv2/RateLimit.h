// SPDX-License-Identifier: GPL-3.0-or-later
// What the service's rate-limit headers say about asking again: the hourly
// limit per key is waited out, the daily one ends the run until it resets.
#pragma once

#include <string>

#include "Status.h"

namespace qv::apiv2 {

// From an answer's HTTP status and header block (status line and header lines
// as received): Ok when the next request may go at once; Throttled with the
// wait in retryAfterSeconds when the hour's requests are spent
// (X-Ratelimit-Perhour-Remaining: 0 with -Reset: S) or a 429 asks for one
// (Retry-After), Throttled without a wait for a 429 that names none;
// DailyLimit with the seconds until the day's requests come back when
// X-Ratelimit-Perday-Remaining is 0, whatever else the answer says.
Status RateLimitStatus(int httpStatus, const std::string& headers);

}  // namespace qv::apiv2
