// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping a backup's media from the command line: `quillvault-cli media`, and
// the step after a backup run with --media. Progress on standard error, the
// summary on standard output; exit 0 when every file is kept, missing or
// external, 1 when some failed (a later run retries them), 130 when stopped.
#pragma once

#include <string>

#include "MediaCommandLine.h"
#include "Output.h"
#include "Status.h"

namespace qv::cli {

// The command, its options read: an exit status.
int RunMediaCommand(const MediaCommandOptions& options, Output& output);

// Keeps the media of `options.backupFile` and says how it went; answers the outcome.
Status KeepBackupMedia(const MediaCommandOptions& options, Output& output);

}  // namespace qv::cli
