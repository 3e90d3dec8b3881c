// SPDX-License-Identifier: GPL-3.0-or-later
// Values kept per application, addressed by section and key.
#pragma once

#include <string>
#include <variant>

#include "Application.h"

namespace qv {

// Value kinds the callers pass: 0 text, 3 yes/no.
enum SettingKind { skText = 0, skBoolean = 3 };

using SettingValue = std::variant<std::monostate, std::string, bool, long long>;

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Returns the stored value, or `defaultValue` when the key is absent.
    // Raises qv::Error when the store cannot be read or the value is not of `kind`.
    virtual SettingValue ReadValue(const std::string& section, const std::string& key, int kind,
                                   const SettingValue& defaultValue, const Application& app, bool perUser,
                                   bool& found) = 0;

    // Raises qv::Error when the value cannot be stored.
    virtual void WriteValue(const std::string& section, const std::string& key, int kind,
                            const SettingValue& value, const Application& app, bool perUser,
                            bool& written) = 0;
};

}  // namespace qv
