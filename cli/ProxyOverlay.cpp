#include "ProxyOverlay.h"

namespace qv::cli {

SettingValue ProxyOverlayStore::ReadValue(const std::string& section, const std::string& key, int kind,
                                          const SettingValue& defaultValue, const Application& app,
                                          bool perUser, bool& found) {
    if (section == kProxySection) {
        const auto stored = proxySection_->find(key);
        found = stored != proxySection_->end();
        return found ? stored->second : defaultValue;
    }
    if (!base_) {
        found = false;
        return defaultValue;
    }
    return base_->ReadValue(section, key, kind, defaultValue, app, perUser, found);
}

void ProxyOverlayStore::WriteValue(const std::string& section, const std::string& key, int kind,
                                   const SettingValue& value, const Application& app, bool perUser,
                                   bool& written) {
    if (section == kProxySection) {
        (*proxySection_)[key] = value;
        written = true;
        return;
    }
    if (!base_) {
        written = false;
        return;
    }
    base_->WriteValue(section, key, kind, value, app, perUser, written);
}

void OverlayProxySettings(Application& app, const ProxySettings& proxy) {
    auto section = std::make_shared<ProxyOverlayStore::Section>();
    auto makeBase = app.MakeSettingsStore;
    app.MakeSettingsStore = [makeBase, section] {
        return std::make_unique<ProxyOverlayStore>(makeBase ? makeBase() : nullptr, section);
    };
    // Written the way the window writes it, so that Load reads back exactly this.
    ProxySettings chosen = proxy;
    chosen.Save(kProxySection, app, true);
}

}  // namespace qv::cli
