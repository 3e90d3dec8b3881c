// SPDX-License-Identifier: GPL-3.0-or-later
#include "StoredSettings.h"

#include "Application.h"
#include "passwords/modPasswordCryptor.h"
#include "qtcore/QtSettingsStore.h"

namespace qv::cli {

void UseStoredSettings() {
    Application& app = App();
    UseQtSettingsStore(app);
    // The window's proxy setup may hold a password, stored scrambled.
    app.ScramblePassword = Scramble;
    app.UnscramblePassword = Unscramble;
}

std::shared_ptr<const ProxySettings> RunProxy(const std::optional<ProxySettings>& chosen) {
    if (chosen) return std::make_shared<const ProxySettings>(*chosen);
    auto stored = std::make_shared<ProxySettings>();
    stored->Load(kProxySection, App(), true);
    return stored;
}

}  // namespace qv::cli
