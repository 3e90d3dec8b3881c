// SPDX-License-Identifier: GPL-3.0-or-later
// The proxy setup behind the main window's "Proxy..." button.
#pragma once

namespace qv {

// Loads the "HTTP Proxy" settings, lets the user edit them and stores them again.
void ProxySetup();

}  // namespace qv
