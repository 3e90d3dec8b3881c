// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli html BACKUP.xml: writes the offline view of a saved backup
// and prints the path of its index.html; the backup command's --html ends
// with the same step.
#pragma once

#include <ostream>
#include <string>

#include "Output.h"
#include "Status.h"

namespace qv::cli {

struct HtmlCommandOptions {
    std::string backupFile;
    std::string siteFolder;   // "" : BACKUP.html beside the backup
    std::string mediaFolder;  // "" : BACKUP.media beside the backup
    bool open = false;
    bool remoteMedia = false;
    bool quiet = false;
    bool json = false;
};

// `argv[0]` is the word "html". Exit status as for a backup: 0 written,
// 1 failed, 2 wrong usage.
int RunHtmlCommand(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                   bool errIsTerminal);

// Writes the site, says the path of its index.html, and opens it when asked;
// answers the outcome.
Status WriteSiteAndReport(const HtmlCommandOptions& options, Output& output);

}  // namespace qv::cli
