// SPDX-License-Identifier: GPL-3.0-or-later
// The settings the window stored, as the command line uses them: the same
// settings store, the proxy setup (its password unscrambled) unless the
// command line chose another.
#pragma once

#include <memory>
#include <optional>

#include "Http.h"

namespace qv::cli {

// Reads the window's settings from here on.
void UseStoredSettings();

// The proxy of a run: `chosen` when the command line named one, else the
// window's stored setup. Read once, at the start.
std::shared_ptr<const ProxySettings> RunProxy(const std::optional<ProxySettings>& chosen);

}  // namespace qv::cli
