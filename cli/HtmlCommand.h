// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli html BACKUP.xml: writes the offline view of a saved backup
// and prints the path of its index.html; the backup command's --html ends
// with the same step.
#pragma once

#include <string>

#include "Output.h"
#include "Status.h"

namespace CLI {
class App;
}

namespace qv::cli {

struct HtmlCommandOptions {
    std::string backupFile;
    std::string siteFolder;   // "" : BACKUP.html beside the backup
    std::string mediaFolder;  // "" : BACKUP.media beside the backup
    bool open = false;
    bool remoteMedia = false;
};

// Declares the command's options on its `app`.
void DeclareHtmlOptions(CLI::App& app, HtmlCommandOptions& options, OutputChoice& output);

// The command, its options read. Exit status as for a backup: 0 written, 1 failed.
int RunHtmlCommand(const HtmlCommandOptions& options, Output& output);

// Writes the site, says the path of its index.html, and opens it when asked;
// answers the outcome.
Status WriteSiteAndReport(const HtmlCommandOptions& options, Output& output);

}  // namespace qv::cli
