// SPDX-License-Identifier: GPL-3.0-or-later
#include "http/FailureKind.h"

namespace qv {

StatusKind HttpStatusKind(int status, bool asksToWait) {
    if (status == 429 || (status == 503 && asksToWait)) return StatusKind::Throttled;
    if (status == 404 || status == 410) return StatusKind::NotFound;
    if (status == 401) return StatusKind::Wall;
    return StatusKind::HttpStatus;
}

namespace http {

StatusKind FailureKind(int errorKind, int status, bool retryAfterGiven) {
    switch (errorKind) {
        case hekNone:
            return StatusKind::Ok;
        case hekHttpStatus:
            return HttpStatusKind(status, retryAfterGiven);
        case hekBadAddress:
            return StatusKind::Usage;
        case hekTimeout:
            return StatusKind::Timeout;
        case hekCancelled:
            return StatusKind::Cancelled;
        case hekTooLarge:
            return StatusKind::TooLarge;
        default:
            return StatusKind::Network;
    }
}

}  // namespace http
}  // namespace qv
