// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommonOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace qv::cli {

void AddQuietFlag(CLI::App& app, OutputChoice& choice) {
    app.add_flag("-q,--quiet", choice.quiet, "No progress on standard error");
}

void AddJsonFlag(CLI::App& app, OutputChoice& choice) {
    app.add_flag("--json", choice.json, "Progress and outcome as JSON lines on standard error, for programs");
}

std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace qv::cli
