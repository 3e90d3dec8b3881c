// SPDX-License-Identifier: GPL-3.0-or-later
// What a command says on standard output when it ends, whoever follows its
// progress (a person, or with --json a program): the backup's summary and
// where it was saved, the media kept, the offline view's index.html.
#pragma once

#include <chrono>
#include <string>

#include "MediaRun.h"
#include "ServiceApi.h"

namespace qv::cli {

// "0:23", "1:02:03".
std::string Clock(std::chrono::seconds duration);

// The run's summary, with the API it read the blog through when that was
// the v2 API, then "Saved as FILE in 0:23.".
std::string SavedSummary(const std::string& summary, const std::string& saved, std::chrono::seconds took);
std::string ReadThrough(const std::string& summary, Reader reader);

// "v1" or "v2", as --json names the API.
const char* ApiName(Reader reader);

// The counts of a media run; the failed count is followed by its commonest
// reasons, as the manifest words them.
std::string MediaSummaryText(const media::MediaSummary& summary);

}  // namespace qv::cli
