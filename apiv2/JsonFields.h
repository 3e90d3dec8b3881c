// SPDX-License-Identifier: GPL-3.0-or-later
// Reading fields of the service's JSON without trusting its shape: a field of
// the wrong type counts as absent, and nothing here throws.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace qv::apiv2 {

using Json = nlohmann::json;

// The member `key` of `object`; null when `object` is no object or lacks it.
const Json* Field(const Json& object, const char* key);
const Json* ObjectField(const Json& object, const char* key);
const Json* ArrayField(const Json& object, const char* key);

std::optional<std::string> TextField(const Json& object, const char* key);
// An integral number that fits a signed 64-bit integer; never a fraction,
// a boolean or text.
std::optional<std::int64_t> IntegerField(const Json& object, const char* key);
std::optional<std::int64_t> IntegerValue(const Json& value);
// True only for the boolean true.
bool IsTrue(const Json& object, const char* key);

// A post id as the read API writes it: decimal digits without a leading zero,
// at most 20 of them, from `id_string` or else from the number `id`.
std::optional<std::string> PostId(const Json& post);
// Whether `text` is such an id.
bool IsPostIdText(const std::string& text);

}  // namespace qv::apiv2
