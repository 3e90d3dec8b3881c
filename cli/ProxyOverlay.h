// The proxy chosen on the command line, laid over the settings the window
// stored, so that the engine's own ProxySettings::Load picks it up. It lasts
// for this process only; the window's setup stays as it was.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "Application.h"
#include "Http.h"
#include "SettingsStore.h"

namespace qv::cli {

class ProxyOverlayStore : public SettingsStore {
public:
    using Section = std::map<std::string, SettingValue>;

    // `base` may be null: no stored settings at all.
    ProxyOverlayStore(std::unique_ptr<SettingsStore> base, std::shared_ptr<Section> proxySection)
        : base_(std::move(base)), proxySection_(std::move(proxySection)) {}

    SettingValue ReadValue(const std::string& section, const std::string& key, int kind,
                           const SettingValue& defaultValue, const Application& app, bool perUser,
                           bool& found) override;
    void WriteValue(const std::string& section, const std::string& key, int kind, const SettingValue& value,
                    const Application& app, bool perUser, bool& written) override;

private:
    std::unique_ptr<SettingsStore> base_;
    std::shared_ptr<Section> proxySection_;
};

// From here on every settings store of `app` answers the proxy section with `proxy`.
void OverlayProxySettings(Application& app, const ProxySettings& proxy);

}  // namespace qv::cli
