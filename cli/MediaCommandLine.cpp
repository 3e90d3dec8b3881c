// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaCommandLine.h"

#include <CLI/CLI.hpp>

#include "CommonOptions.h"
#include "MediaRun.h"

namespace qv::cli {

void DeclareMediaOptions(CLI::App& app, MediaCommandOptions& options, OutputChoice& output) {
    app.set_help_flag("-h,--help", "Print this help and exit");
    app.add_option("BACKUP", options.backupFile, "The backup file, as saved")->required()->type_name("FILE");
    app.add_option("--media-dir", options.mediaFolder,
                   "Keep the files here (default: the backup's name with .media, beside it)")
        ->type_name("DIR");
    app.add_option("--jobs", options.jobs,
                   "Files transferred at once, and connections to any one host at most")
        ->check(CLI::Range(1, media::kMostJobs))
        ->capture_default_str();
    app.add_option("--retries", options.retries,
                   "Retry a failed file this many times, then give up until the next run")
        ->check(CLI::Range(0, 100))
        ->capture_default_str();
    app.add_option("--retry-delay", options.retryDelaySeconds,
                   "Seconds before the first retry, doubling each time (at most 600); a server's Retry-After "
                   "counts instead")
        ->check(CLI::Range(0, 600))
        ->type_name("SECONDS")
        ->capture_default_str();
    AddQuietFlag(app, output);
    AddJsonFlag(app, output);
}

Status CheckMediaOptions(const MediaCommandOptions& options) {
    if (options.backupFile.empty()) return Status(StatusKind::Usage, "the backup file is empty").RetryWontHelp();
    return Status::Ok();
}

}  // namespace qv::cli
