// SPDX-License-Identifier: GPL-3.0-or-later
// A post's time as the read API wrote it: "2009-07-15 08:50:11 GMT" and, in
// the blog's own zone, "Wed, 15 Jul 2009 04:50:11".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv::apiv2 {

// Whether seconds since 1970 fall in the years 1970 to 9999, which the formats can say.
bool IsWritableTime(std::int64_t seconds);
std::string GmtDateText(std::int64_t seconds);
std::string LocalDateText(std::int64_t seconds, std::int64_t utcOffsetSeconds);
// "YYYY-MM-DD HH:MM:SS GMT" back to seconds since 1970.
std::optional<std::int64_t> ParseGmtDate(std::string_view text);

}  // namespace qv::apiv2
