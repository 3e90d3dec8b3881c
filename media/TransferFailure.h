// SPDX-License-Identifier: GPL-3.0-or-later
// Why one media transfer failed, as a status: its kind tells whether the file
// is missing, the host busy, or asking again may help, and its text is the
// reason manifest.tsv records after "failed: ".
#pragma once

#include "Status.h"
#include "http/HttpClient.h"

namespace qv::media {

// The failure of `response`, which failed (response.failed):
// the kind every exchange's failure has (http::FailureKind); asking again
// helps for no client error but 408 and 429, and never for TooLarge and
// Usage (an address that can't be asked).
Status TransferFailure(const http::Response& response);

// A body that ended before the bytes its Content-Length announced.
Status ShortBody(const http::Response& response);

}  // namespace qv::media
