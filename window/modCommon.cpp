// SPDX-License-Identifier: GPL-3.0-or-later
#include "modCommon.h"

#include "Application.h"
#include "Http.h"

namespace qv {

void ProxySetup() {
    ProxySettings proxy;
    proxy.Load(kProxySection, App(), true);
    proxy.EditDialog();
    // Stored whatever the user did in the dialog: the dialog's own Cancel
    // already put back the values it was opened with.
    proxy.Save(kProxySection, App(), true);
}

}  // namespace qv
