// SPDX-License-Identifier: GPL-3.0-or-later
#include "Summaries.h"

#include <cstdio>

#include "CliEvents.h"
#include "Manifest.h"
#include "Sundrykit.h"

namespace qv::cli {

std::string Clock(std::chrono::seconds duration) {
    const long long total = duration.count();
    char text[32];
    if (total >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
    }
    return text;
}

std::string SavedSummary(const std::string& summary, const std::string& saved, std::chrono::seconds took) {
    return summary + "\r\n\r\nSaved as " + saved + " in " + Clock(took) + ".";
}

std::string ReadThrough(const std::string& summary, Reader reader) {
    if (reader != Reader::V2) return summary;
    return summary + "\r\n\r\nRead through the service's v2 API.";
}

const char* ApiName(Reader reader) { return reader == Reader::V2 ? events::api::kV2 : events::api::kReadApi; }

std::string MediaSummaryText(const media::MediaSummary& summary) {
    std::string text = "Media kept in " + summary.folder + "\n" +                       //
                       "Kept:          " + skFormatLong(summary.kept) + "\n" +          //
                       "Already there: " + skFormatLong(summary.alreadyThere) + "\n" +  //
                       "Missing:       " + skFormatLong(summary.missing) + "\n" +       //
                       "Failed:        " + skFormatLong(summary.failed) + "\n";
    for (const media::FailureReason& failure : summary.commonestFailures) {
        media::ManifestEntry failed;
        failed.status = media::MediaStatus::Failed;
        failed.reason = failure.reason;
        text += "  " + skFormatLong(failure.files) + " " + media::StatusText(failed) + "\n";
    }
    return text + "External:      " + skFormatLong(summary.external) + "\n" +  //
           "Bytes:         " + skFormatByteSizeEx(static_cast<double>(summary.bytes));
}

}  // namespace qv::cli
