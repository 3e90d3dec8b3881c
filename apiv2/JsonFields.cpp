// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/JsonFields.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace qv::apiv2 {

const Json* Field(const Json& object, const char* key) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

const Json* ObjectField(const Json& object, const char* key) {
    const Json* value = Field(object, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

const Json* ArrayField(const Json& object, const char* key) {
    const Json* value = Field(object, key);
    return value != nullptr && value->is_array() ? value : nullptr;
}

std::optional<std::string> TextField(const Json& object, const char* key) {
    const Json* value = Field(object, key);
    if (value == nullptr || !value->is_string()) return std::nullopt;
    return value->get_ref<const std::string&>();
}

std::optional<std::int64_t> IntegerValue(const Json& value) {
    if (value.is_number_integer() && !value.is_number_unsigned()) return value.get<std::int64_t>();
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

std::optional<std::int64_t> IntegerField(const Json& object, const char* key) {
    const Json* value = Field(object, key);
    return value == nullptr ? std::nullopt : IntegerValue(*value);
}

bool IsTrue(const Json& object, const char* key) {
    const Json* value = Field(object, key);
    return value != nullptr && value->is_boolean() && value->get<bool>();
}

bool IsPostIdText(const std::string& text) {
    return !text.empty() && text.size() <= 20 && text.front() != '0' &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

std::optional<std::string> PostId(const Json& post) {
    if (auto text = TextField(post, "id_string"); text && IsPostIdText(*text)) return text;
    const Json* number = Field(post, "id");
    if (number == nullptr) return std::nullopt;
    if (number->is_number_unsigned() && number->get<std::uint64_t>() > 0)
        return std::to_string(number->get<std::uint64_t>());
    if (number->is_number_integer() && number->get<std::int64_t>() > 0)
        return std::to_string(number->get<std::int64_t>());
    return std::nullopt;
}

}  // namespace qv::apiv2
