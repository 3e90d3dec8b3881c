// SPDX-License-Identifier: GPL-3.0-or-later
// The blog and the user as the service's v2 API describes them, and the
// blog as the read API's <tumblelog> element.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Status.h"

namespace qv::apiv2 {

struct Blog {
    std::string name;
    std::string title;
    std::string description;  // HTML
    std::string url;
    std::optional<std::int64_t> posts;  // as the service counts them
    // Told only to the blog's members: "US/Eastern".
    std::optional<std::string> timezone;
};

// The answer of GET /v2/blog/{host}/info.
Result<Blog> ReadBlogInfo(std::string_view body);

// <tumblelog name="..." [timezone="..."] title="...">description</tumblelog>.
std::string TumblelogXml(const Blog& blog);

// The signed-in user's name from the answer of GET /v2/user/info.
Result<std::string> ReadUserName(std::string_view body);

}  // namespace qv::apiv2
