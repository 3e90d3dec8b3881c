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

// Prepares the process and shows the main window; answers false when the
// program has to end at once (no data folder).
bool Main();

// The data folder, made with every missing parent; "" after telling the user
// that it cannot be made.
std::string GetDataFolder();

}  // namespace qv
