// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportingFailures.h"

#include <exception>
#include <string_view>

#include "Error.h"

namespace qv::cli {

int ReportingFailures(Output& output, const char* command, const std::function<int()>& work) {
    try {
        return work();
    } catch (const Error& error) {
        output.Failed(command, Status(StatusKind::FileSystem, std::string(error.what()) + " (error " +
                                                                  std::to_string(error.Number()) + ")"));
    } catch (const std::exception& error) {
        output.Failed(command, Status(StatusKind::FileSystem, error.what()));
    }
    return kExitFailure;
}

bool WantsJson(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--json") return true;
    return false;
}

}  // namespace qv::cli
