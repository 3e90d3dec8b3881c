// SPDX-License-Identifier: GPL-3.0-or-later
// A blog object of the service's JSON, wherever it stands (the info answer,
// a page of posts).
#pragma once

#include "apiv2/BlogInfo.h"
#include "apiv2/JsonFields.h"

namespace qv::apiv2 {

Blog BlogFromJson(const Json& object);

}  // namespace qv::apiv2
