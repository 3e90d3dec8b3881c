// SPDX-License-Identifier: GPL-3.0-or-later
// The options every command takes, in the same words, and a usage problem
// as the one line a command says about it.
#pragma once

#include <string>

#include "Output.h"

namespace CLI {
class App;
}

namespace qv::cli {

void AddQuietFlag(CLI::App& app, OutputChoice& choice);
void AddJsonFlag(CLI::App& app, OutputChoice& choice);

// A problem's words on one line, without trailing blanks.
std::string OneLine(std::string text);

}  // namespace qv::cli
