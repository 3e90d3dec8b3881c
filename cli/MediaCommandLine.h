// SPDX-License-Identifier: GPL-3.0-or-later
// What `quillvault-cli media BACKUP.xml ...` asks for, read with CLI11.
#pragma once

#include <memory>
#include <string>

#include "Http.h"
#include "MediaRun.h"
#include "Output.h"
#include "Status.h"

namespace CLI {
class App;
}

namespace qv::cli {

struct MediaCommandOptions {
    std::string backupFile;
    std::string mediaFolder;  // "": beside the backup
    int jobs = media::kDefaultJobs;
    int retries = 3;
    int retryDelaySeconds = 5;
    // The proxy of the transfers; null: the window's stored setup.
    std::shared_ptr<const ProxySettings> proxy;
};

// Declares the command's options on its `app`.
void DeclareMediaOptions(CLI::App& app, MediaCommandOptions& options, OutputChoice& output);
// Usage when the options, read, can't be run as given.
Status CheckMediaOptions(const MediaCommandOptions& options);

}  // namespace qv::cli
