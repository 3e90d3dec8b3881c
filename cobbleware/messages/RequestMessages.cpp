// SPDX-License-Identifier: GPL-3.0-or-later
// The words for a failed request, apart from the message boxes: only what
// sends requests links the HTTP library through them.
#include "Http.h"
#include "Messages.h"

namespace qv {

std::string MessageUtility::DescribeRequestError(const HttpRequest& request) const {
    const Status failure = RequestFailure(request);
    return failure.ok() ? "No error." : failure.text();
}

}  // namespace qv
