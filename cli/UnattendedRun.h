// SPDX-License-Identifier: GPL-3.0-or-later
// The backup run of quillvault-cli, its options read: the run through the
// run policy, then the media and the offline view of what it saved when asked.
#pragma once

#include <string>

#include "CommandLine.h"
#include "Output.h"
#include "Status.h"

namespace qv::cli {

// The file the run writes, named now: the request's XMLFileName, a full
// path. Usage when the options can't name one.
Status TakeBackupTarget(CliOptions& options);

// The run: an exit status, 0 saved, 1 failed, 130 stopped.
int RunBackupCommand(CliOptions options, Output& output);

}  // namespace qv::cli
