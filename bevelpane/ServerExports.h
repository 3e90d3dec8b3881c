// SPDX-License-Identifier: GPL-3.0-or-later
// The four functions every in-process control server exports; each hands over to the control
// framework for the one class, Panel. Results are the ServerResult codes of ControlInterfaces.h.
#pragma once

#include <cstdint>

#include "bevelpane_export.h"

extern "C" {

// Records "Bevelpane.Panel", its class identity and this library's path in the per-user
// component registry.
BEVELPANE_EXPORT std::int32_t DllRegisterServer();

// Removes that record.
BEVELPANE_EXPORT std::int32_t DllUnregisterServer();

// For classId, Panel's class identity as "{...}", and interfaceId, IControlFactory_iid (or null),
// stores the library's IControlFactory* in *object.
BEVELPANE_EXPORT std::int32_t DllGetClassObject(const char* classId, const char* interfaceId, void** object);

// ServerResult::Ok when no panel is alive, else ServerResult::False.
BEVELPANE_EXPORT std::int32_t DllCanUnloadNow();
}
