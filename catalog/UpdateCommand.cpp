// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalog/UpdateCommand.h"

namespace qv::catalog {

std::string ProxyChoice(const std::optional<ProxySettings>& proxy) {
    if (!proxy) return "";
    if (proxy->ProxyMode != ProxySettings::pmManual) return kNoProxy;
    return "http://" + (proxy->User.empty() ? "" : proxy->User + "@") + proxy->Host + ":" + std::to_string(proxy->Port);
}

bool NeedsPassword(const CatalogEntry& entry) { return !entry.email.empty() || entry.blogPassword; }

bool ThroughV2(const CatalogEntry& entry) { return entry.api == kApiV2; }

std::vector<std::string> UpdateArguments(const CatalogEntry& entry, const std::vector<std::string>& options,
                                         Passwords passwords) {
    std::vector<std::string> words = {"-i", entry.path, "-o", entry.path, entry.address};
    words.insert(words.end(), options.begin(), options.end());
    if (!entry.email.empty()) words.insert(words.end(), {"-e", entry.email});
    // The key and the token are never handed over: the update reads them where sign-in kept them.
    if (ThroughV2(entry)) words.insert(words.end(), {"--api", "v2"});
    if (ThroughV2(entry) || (passwords == Passwords::FromKeyring && NeedsPassword(entry))) words.push_back("--keyring");
    if (entry.proxy == kNoProxy) {
        words.push_back("--no-proxy");
    } else if (!entry.proxy.empty()) {
        words.insert(words.end(), {"--proxy", entry.proxy});
    }
    return words;
}

}  // namespace qv::catalog
