// SPDX-License-Identifier: GPL-3.0-or-later
// The outside calls a command makes (the settings store, the system) raise
// when they fail; a command's work runs inside this, which says so and gives
// exit status 1.
#pragma once

#include <functional>

#include "Output.h"

namespace qv::cli {

int ReportingFailures(Output& output, const char* command, const std::function<int()>& work);

}  // namespace qv::cli
