// From the options of a run to the saved backup file: the previous backup,
// the page loop, ordering, the summary attributes and the save.
#include <ctime>

#include "AtomicFile.h"
#include "Messages.h"
#include "PageLoop.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

const char* const kCantSave = "Can't save backup XML file.";

// The previous backup as the loop's starting point; nullopt when it cannot be
// used (the user has been told).
std::optional<PageLoop> StartingPoint(const std::string& xmlBaseFileName) {
    if (xmlBaseFileName.empty()) return PageLoop();
    XmlDocument previous;
    if (!previous.Load(xmlBaseFileName, 0)) {
        MsgBox(xmlBaseFileName + "\r\n\r\nCan't load previous backup XML file.\r\n\r\n" +
                   previous.ParseError().Reason(),
               mbCritical);
        return std::nullopt;
    }
    std::optional<PostIdSet> ids = CollectPostIds(xmlBaseFileName, previous);
    if (!ids) return std::nullopt;
    return PageLoop(std::move(previous), std::move(*ids));
}

// The Parts of a save failure that only the log and the command line get.
void ReportSaveFailure(const std::string& why, IBackupHost& host) {
    MsgBox(kCantSave, mbCritical);
    skLogError(why);
    host.Warn(why);
}

}  // namespace

BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           IHTTPRequestCallback* callback, const std::string& groupAddress,
                           const std::string& email, const std::string& password,
                           const std::string& password2, IBackupHost& host) {
    BackupResult result;
    const std::time_t runStarted = std::time(nullptr);
    MessageUtility& messages = SharedMessageUtility();
    std::optional<PageLoop> loop = StartingPoint(xmlBaseFileName);
    if (!loop) return result;

    // A download the save could never keep is not started.
    if (std::string why; !AtomicFileWriter::CanSave(xmlFileName, SystemFileOps(), why)) {
        ReportSaveFailure("Saving " + xmlFileName + " is not possible: " + why, host);
        return result;
    }

    DownloadSession session;
    session.host = &host;
    TrafficCounters& traffic = Traffic();
    traffic.PieceCount = 1;
    for (;;) {
        const std::optional<std::string> body = DownloadPage(
            loop->NextStart(), PostsPerPage, callback, groupAddress, email, password, password2, session);
        if (!body) return result;

        XmlDocument page;
        std::string problem;
        if (!page.LoadXml(skUTF8ToUNICODE(*body), 0)) {
            problem = page.ParseError().Reason();
        } else {
            loop->Check(page, problem);
        }
        if (!problem.empty()) {
            // A sign-in or error page that happens to parse is no last page: it
            // would end the paging and the rest of the blog would be lost.
            const std::string text = "Can't load received XML data.\r\n\r\n" + problem;
            if (messages.MessageBox(text, mbRetryCancel + mbCritical, "", -1, -1, 15) == mrRetry) continue;
            return result;
        }

        if (!loop->Merge(std::move(page))) break;
        ++traffic.PieceCount;
        host.DoEvents();
    }

    host.DisableCancel();
    XmlDocument& backup = loop->Backup();
    SortPosts(backup, host);
    const int32_t postCount = backup.DocumentNode().SelectNodes("/tumblr/posts/post").Count();

    host.SetStatus("Fixing XML attributes...");
    FixPostsAttributes(backup, postCount);

    host.SetStatus("Saving backup XML...");
    FileSaveOptions saving;
    // Posts read with the account's or the blog's password may be private.
    saving.privateNewFile = (!email.empty() && !password.empty()) || !password2.empty();
    saving.removeTempsOlderThan = runStarted;
    if (!backup.Save(xmlFileName, true, saving, SystemFileOps())) {
        ReportSaveFailure("Saving " + xmlFileName + " failed: " + backup.SaveError(), host);
        return result;
    }

    host.SetStatus("All done! ^_^v");
    result.Success = true;
    result.PostsInBackup = postCount;
    result.PostsAdded = postCount - loop->PreviousCount();
    result.ReportedTotal = loop->AnnouncedTotal();
    result.EndedByRepeatedPages = loop->EndedByRepeatedPages();
    return result;
}

}  // namespace qv
