// SPDX-License-Identifier: GPL-3.0-or-later
// Settings kept per application in one INI file in the user's configuration
// folder ($XDG_CONFIG_HOME/<vendor>/<product>.ini). The file holds scrambled
// passwords, so it is made readable by its owner only and kept that way.
#pragma once

#include <QString>

#include "SettingsStore.h"

namespace qv {

class QtSettingsStore : public SettingsStore {
public:
    SettingValue ReadValue(const std::string& section, const std::string& key, int kind,
                           const SettingValue& defaultValue, const Application& app, bool perUser,
                           bool& found) override;
    void WriteValue(const std::string& section, const std::string& key, int kind, const SettingValue& value,
                    const Application& app, bool perUser, bool& written) override;

    // Where the settings of `app` are kept.
    static QString FilePath(const Application& app);
};

// Makes every SettingsStore of the process a QtSettingsStore.
void UseQtSettingsStore(Application& app);

}  // namespace qv
