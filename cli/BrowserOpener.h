// SPDX-License-Identifier: GPL-3.0-or-later
// Hands an address to the user's browser as the desktop's conventions say:
// the first command of $BROWSER (with %s standing for the address, else the
// address after it), else xdg-open. Returns once the browser is started, not
// when the user is done with it.
#pragma once

#include <string>

#include "CommandLine.h"
#include "Status.h"

namespace qv::cli {

// Unavailable when no browser could be started.
Status OpenInBrowser(const std::string& url, const EnvironmentReader& environment);

}  // namespace qv::cli
