// SPDX-License-Identifier: GPL-3.0-or-later
// A blog's time zone as offsets from UTC over time, so that `date` can be
// written in the blog's zone as the read API wrote it. The v2 API names the
// zone ("US/Eastern") to the blog's members only, and an earlier backup's
// <tumblelog timezone="..."> names it too; the system's zone database knows
// the offsets (until 2037; later times keep the last one known).
#pragma once

#include <string>
#include <string_view>

#include "Status.h"
#include "apiv2/PostsPage.h"

namespace qv::apiv2 {

// From the bytes of a TZif file (RFC 8536). NotFound for bytes that are none.
Result<UtcOffset> ZoneOffsetsFromTzif(std::string_view data);

// From the system's zone database: `zoneName` is an IANA name such as
// "US/Eastern"; NotFound when the database has no such zone, Usage for a
// name that is none ("../etc/passwd").
Result<UtcOffset> SystemZoneOffsets(const std::string& zoneName,
                                    const std::string& zoneinfoFolder = "/usr/share/zoneinfo");

}  // namespace qv::apiv2
