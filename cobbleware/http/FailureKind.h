// SPDX-License-Identifier: GPL-3.0-or-later
// The one reading of a failed exchange as a kind, whatever asked for it: a
// page of the service, a media file or a call of its API. The words for
// people differ by who says them; the kind callers decide by does not.
#pragma once

#include "Http.h"
#include "Status.h"

namespace qv::http {

// `errorKind` is the transfer's (hek...), `status` the answer's (0: none
// came), `retryAfterGiven` whether it asked to wait; an answer's status has
// the kind HttpStatusKind gives it.
StatusKind FailureKind(int errorKind, int status, bool retryAfterGiven);

}  // namespace qv::http
