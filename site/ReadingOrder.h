// SPDX-License-Identifier: GPL-3.0-or-later
// Texts as a person reads them: capitals count as small letters (of ASCII
// and the Latin-1 block, the letters a blog's words mostly carry) and a run
// of digits counts by its value, so "Tag2" comes before "tag10".
#pragma once

#include <string>
#include <string_view>

namespace qv::site {

// Appends `text` with its capitals made small: as many bytes as `text` has.
void AppendLowerCase(std::string_view text, std::string& out);

// Whether `a` comes before `b` in a list a person reads. Texts that read the
// same are ordered by their bytes, so that no two texts tie.
bool ReadsBefore(std::string_view a, std::string_view b);

}  // namespace qv::site
