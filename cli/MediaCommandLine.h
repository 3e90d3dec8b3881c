// SPDX-License-Identifier: GPL-3.0-or-later
// What `quillvault-cli media BACKUP.xml ...` asks for, read with CLI11.
#pragma once

#include <memory>
#include <string>

#include "Http.h"

namespace qv::cli {

inline constexpr const char* kMediaCommand = "media";

struct MediaCommandOptions {
    std::string backupFile;
    std::string mediaFolder;  // "": beside the backup
    int jobs = 4;
    int retries = 3;
    int retryDelaySeconds = 5;
    bool quiet = false;
    bool json = false;
    // The proxy of the transfers; null: the window's stored setup.
    std::shared_ptr<const ProxySettings> proxy;
};

struct MediaParseOutcome {
    enum Kind { Run, Help, Usage };
    Kind kind = Usage;
    MediaCommandOptions options;
    // The help text, or the one-line hint of a usage error.
    std::string text;
};

// `argv[0]` is the word "media".
MediaParseOutcome ParseMediaCommandLine(int argc, const char* const* argv);

}  // namespace qv::cli
