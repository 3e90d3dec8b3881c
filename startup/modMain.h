// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start: the data folder, the icon, the toolbar, the window.
#pragma once

#include <string>

namespace qv {

// Full path of the per-user data folder, set once by Main ("" until then, or
// when it could not be made).
const std::string& DataFolder();

// Makes the program's own resources (the "A_MAIN" icon) available; Main does
// this first.
void InitProgramResources();

// Where Debian's fonts-wine puts its Tahoma-metric faces (outside fontconfig's folders).
inline constexpr const char* kTahomaFolder = "/usr/share/wine/fonts";

// What every window of the program looks like, set up before any exists: the
// Tahoma face of `fontFolder` when it is there, password boxes that show
// "*", and the window's font for the window and every box and dialog alike.
void InitCommonControls(const std::string& fontFolder = kTahomaFolder);

// Prepares the process and shows the main window; answers false when the
// program has to end at once (no data folder).
bool Main();

// The data folder, made with every missing parent; "" after telling the user
// that it cannot be made.
std::string GetDataFolder();

}  // namespace qv
