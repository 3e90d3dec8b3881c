// SPDX-License-Identifier: GPL-3.0-or-later
// How one command line is written where the system reads it back as the same
// words: a systemd unit's ExecStart= and a crontab line run by /bin/sh.
#pragma once

#include <string>
#include <vector>

namespace qv::schedule {

// The words of ExecStart=, each double-quoted: backslashes and quotes escaped,
// control characters and bytes that are not UTF-8 as \xNN, '%' as the
// specifier "%%" and, past the program itself, '$' as "$$" so that no
// variable is substituted.
std::string ExecStartLine(const std::vector<std::string>& words);

// Text for a unit's free-text settings (Description=): specifiers escaped,
// line breaks and other control characters dropped, bytes that are not UTF-8
// shown as '?' (systemd ignores a line that is not UTF-8).
std::string UnitText(const std::string& text);

// The words for /bin/sh, each single-quoted unless it needs no quotes, with
// every '%' escaped as cron requires.
std::string CrontabCommand(const std::vector<std::string>& words);

}  // namespace qv::schedule
