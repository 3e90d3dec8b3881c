// SPDX-License-Identifier: GPL-3.0-or-later
// The backup run of quillvault-cli, its options read: the run through the
// run policy, then the media and the offline view of what it saved when asked.
#pragma once

#include <string>

#include "CommandLine.h"
#include "Output.h"
#include "Status.h"

namespace qv::cli {

// The file the run writes, now (Usage when the options can't name one).
Result<std::string> BackupTarget(const CliOptions& options);

// The run into `target`: an exit status, 0 saved, 1 failed, 130 stopped.
int RunBackupCommand(CliOptions options, const std::string& target, Output& output);

}  // namespace qv::cli
