// SPDX-License-Identifier: GPL-3.0-or-later
#include "Output.h"

#include "HumanOutput.h"
#include "JsonOutput.h"

namespace qv::cli {

int ExitStatusFor(const Status& status) {
    switch (status.kind()) {
        case StatusKind::Ok:
            return kExitSuccess;
        case StatusKind::Cancelled:
            return kExitCancelled;
        case StatusKind::Usage:
            return kExitUsage;
        default:
            return kExitFailure;
    }
}

std::unique_ptr<Output> MakeOutput(const OutputChoice& choice, std::ostream& out, std::ostream& err,
                                   bool errIsTerminal) {
    if (choice.json) return std::make_unique<JsonOutput>(out, err);
    return std::make_unique<HumanOutput>(out, err, errIsTerminal, choice.quiet);
}

}  // namespace qv::cli
