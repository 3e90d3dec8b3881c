// SPDX-License-Identifier: GPL-3.0-or-later
// The one entry point of a backup: the credentials question, the pipeline,
// compression and the closing summary.
#include <algorithm>
#include <climits>

#include "Messages.h"
#include "RunDecisions.h"
#include "Sundrykit.h"
#include "Utilities.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

std::string Summary(const BackupResult& result) {
    const std::string crlf = "\r\n";
    const TrafficCounters& traffic = result.Traffic;
    return "All done ^_^" + crlf + crlf +                                                   //
           skFormatLong(result.PostsInBackup) + " posts in backup." + crlf +                //
           skFormatLong(result.PostsAdded) + " posts were added." + crlf + crlf +           //
           skFormatLong(traffic.PieceCount) + " XML pieces were received." + crlf + crlf +  //
           "Traffic usage statistics:" + crlf + crlf +                                      //
           "Total:    " + skFormatByteSizeEx(traffic.BytesReceived + traffic.BytesSent) + crlf +
           "Received: " + skFormatByteSizeEx(traffic.BytesReceived) + crlf +  //
           "Sent:     " + skFormatByteSizeEx(traffic.BytesSent);
}

}  // namespace

std::optional<std::string> CompletenessNote(const BackupResult& result) {
    if (!result.ReportedTotal || *result.ReportedTotal <= result.PostsInBackup) return std::nullopt;
    const auto reported = static_cast<int32_t>(std::min<int64_t>(*result.ReportedTotal, INT32_MAX));
    std::string note = "The service reported " + skFormatLong(reported) + " posts; " +
                       skFormatLong(result.PostsInBackup) + " are in the backup.";
    if (result.EndedByRepeatedPages)
        note += " Paging stopped early because the service kept sending pages without a new post.";
    return note;
}

BackupResult RunBackup(const BackupOptions& options, RunContext& context) {
    BackupOptions sent = options;
    // The v2 API reads with the application's key and the user's token, never the account.
    if (!options.HasAccount() && options.reader != Reader::V2) {
        if (!context.decisions.GoOnWithoutPrivatePosts()) return BackupResult{};
        // Half a pair of credentials is never sent.
        sent.EMail.clear();
        sent.Password.clear();
    }

    BackupResult result = MakeBackupXML(sent, context);
    if (!result.ok()) return result;

    if (options.ApplyNTFSCompression) {
        int errorCode = 0;
        if (!SharedFileUtility().SetCompression(options.XMLFileName, 1, errorCode)) {
            context.decisions.SavedDespite(Status(
                StatusKind::FileSystem,
                WithErrorCode(options.XMLFileName + "\r\n\r\nCan't apply NTFS compression. But file was saved anyway.",
                              errorCode)));
        }
    }

    std::string summary = Summary(result);
    if (const std::optional<std::string> note = CompletenessNote(result)) {
        skLogWarning(*note);
        context.host.Warn(*note);
        summary += "\r\n\r\n" + *note;
    }
    context.decisions.Done(summary, result);
    return result;
}

}  // namespace qv
