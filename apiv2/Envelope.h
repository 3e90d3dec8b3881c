// SPDX-License-Identifier: GPL-3.0-or-later
// The envelope every answer of the service's v2 API comes in:
// {"meta": {"status": 200, "msg": "OK"}, "response": {...}}.
#pragma once

#include <string_view>

#include "Status.h"
#include "apiv2/JsonFields.h"

namespace qv::apiv2 {

// The parsed answer when it is JSON with `meta.status` 200 and an object as
// `response`. Otherwise the failure: UnreadableXml for a body that is no
// JSON, NotBlogXml for JSON of another shape, and for another `meta.status`
// the kind that HTTP status has, with the service's own words.
Result<Json> ReadEnvelope(std::string_view body);

}  // namespace qv::apiv2
