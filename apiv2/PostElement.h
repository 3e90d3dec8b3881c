// SPDX-License-Identifier: GPL-3.0-or-later
// One post object of the API as the read API's <post> element.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "Status.h"
#include "apiv2/JsonFields.h"
#include "apiv2/PostsPage.h"

namespace qv::apiv2 {

struct PostElement {
    std::string id;
    std::string xml;
    std::optional<std::int64_t> timestamp;
    bool pinned = false;
    std::optional<std::int64_t> likedTimestamp;
};

Result<PostElement> MakePostElement(const Json& post, const PageContext& context);

}  // namespace qv::apiv2
