// SPDX-License-Identifier: GPL-3.0-or-later
// Why one media transfer failed, as a status: its kind tells whether the file
// is missing, the host busy, or asking again may help, and its text is the
// reason manifest.tsv records after "failed: ".
#pragma once

#include "Status.h"
#include "http/HttpClient.h"

namespace qv::media {

// The failure of `response`, which failed (response.failed):
// NotFound for 404 and 410, Throttled for 429 and 503 (with the Retry-After
// asked, if any), HttpStatus for another status, which asking again helps
// only for 408 and 5xx; TooLarge and Usage (an address that can't be asked)
// never help; Timeout and Network for the transport's failures.
Status TransferFailure(const http::Response& response);

// A body that ended before the bytes its Content-Length announced.
Status ShortBody(const http::Response& response);

}  // namespace qv::media
