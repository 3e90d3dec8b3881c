// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReportingFailures.h"

#include <exception>

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

}  // namespace qv::cli
