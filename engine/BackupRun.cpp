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

std::string Summary(const BackupResult& result, const TrafficCounters& traffic) {
    const std::string crlf = "\r\n";
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

std::string CompletenessNote(const BackupResult& result) {
    if (!result.ReportedTotal || *result.ReportedTotal <= result.PostsInBackup) return "";
    const auto reported = static_cast<int32_t>(std::min<int64_t>(*result.ReportedTotal, INT32_MAX));
    std::string note = "The service reported " + skFormatLong(reported) + " posts; " +
                       skFormatLong(result.PostsInBackup) + " are in the backup.";
    if (result.EndedByRepeatedPages)
        note += " Paging stopped early because the service kept sending pages without a new post.";
    return note;
}

BackupResult RunBackup(const BackupOptions& options, IBackupHost& host) {
    IRunDecisions& decisions = options.Context.Decisions ? *options.Context.Decisions : BoxDecisions();
    std::string email = options.EMail;
    std::string password = options.Password;
    if (email.empty() || password.empty()) {
        if (!decisions.GoOnWithoutPrivatePosts()) return {};
        // Half a pair of credentials is never sent.
        email.clear();
        password.clear();
    }

    TrafficCounters& traffic = Traffic();
    traffic.BytesReceived = 0;
    traffic.BytesSent = 0;

    const BackupResult result =
        MakeBackupXML(options.XMLFileName, options.XMLBaseFileName, options.ProgressCallback,
                      options.GroupAddress, email, password, options.Password2, host, options.Context);
    if (!result.Success) return result;

    if (options.ApplyNTFSCompression) {
        int errorCode = 0;
        if (!SharedFileUtility().SetCompression(options.XMLFileName, 1, errorCode)) {
            decisions.SavedDespite(Status(
                StatusKind::FileSystem,
                WithErrorCode(options.XMLFileName + "\r\n\r\nCan't apply NTFS compression. But file was saved anyway.",
                              errorCode)));
        }
    }

    std::string summary = Summary(result, traffic);
    if (const std::string note = CompletenessNote(result); !note.empty()) {
        skLogWarning(note);
        host.Warn(note);
        summary += "\r\n\r\n" + note;
    }
    decisions.Done(summary, result);
    return result;
}

}  // namespace qv
