// From the options of a run to the saved backup file: the previous backup,
// the page loop, ordering, the summary attributes and the save.
#include "Messages.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

// The service has been seen sending the same page again and again past some
// offset; a full run would then never end. This many pages in a row with posts
// but nothing new end the paging. More than one, so that a burst of new posts
// shifting the pages cannot cut a healthy run short.
constexpr int kStalePagesToStop = 3;

// Notes the page's ids as seen in this run; answers whether the page held
// posts but not one id that this run had not met before.
bool BringsNothingNew(const XmlDocument& page, const PostIdSet& previousIds, PostIdSet& seenThisRun) {
    const XmlNodeList posts = page.DocumentNode().SelectNodes("/tumblr/posts/post");
    bool anyNew = false;
    for (const XmlNode& post : posts) {
        const std::string id = post.AttributeText("id");
        if (!previousIds.Contains(id) && seenThisRun.Add(id)) anyNew = true;
    }
    return posts.Count() > 0 && !anyNew;
}

}  // namespace

BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           IHTTPRequestCallback* callback, const std::string& groupAddress,
                           const std::string& email, const std::string& password, const std::string& password2,
                           IBackupHost& host) {
    BackupResult result;
    MessageUtility& messages = SharedMessageUtility();
    std::optional<XmlDocument> backup;
    PostIdSet previousIds;

    if (!xmlBaseFileName.empty()) {
        XmlDocument previous;
        if (!previous.Load(xmlBaseFileName, 0)) {
            MsgBox(xmlBaseFileName + "\r\n\r\nCan't load previous backup XML file.\r\n\r\n" + previous.ParseError().Reason(),
                   mbCritical);
            return result;
        }
        std::optional<PostIdSet> ids = CollectPostIds(xmlBaseFileName, previous);
        if (!ids) return result;
        backup = std::move(previous);
        previousIds = std::move(*ids);
    }
    const int32_t previousCount = previousIds.Count();

    TrafficCounters& traffic = Traffic();
    traffic.PieceCount = 1;
    int32_t start = 0;
    bool tumblelogTaken = false;
    PostIdSet seenThisRun;
    int stalePages = 0;

    for (;;) {
        const std::optional<std::string> body =
            DownloadPage(start, PostsPerPage, callback, groupAddress, email, password, password2);
        if (!body) return result;

        XmlDocument page;
        if (!page.LoadXml(skUTF8ToUNICODE(*body), 0)) {
            const std::string text = "Can't load received XML data.\r\n\r\n" + page.ParseError().Reason();
            if (messages.MessageBox(text, mbRetryCancel + mbCritical, "", -1, -1, 15) == mrRetry) continue;
            return result;
        }

        const bool lastPage = IsLastPage(page);
        stalePages = BringsNothingNew(page, previousIds, seenThisRun) ? stalePages + 1 : 0;
        bool knownPostMet = false;
        if (!backup) {
            backup = std::move(page);
            previousIds = PostIdSet();
            tumblelogTaken = true;
        } else {
            if (!tumblelogTaken) {
                CopyTumblelog(page, *backup);
                tumblelogTaken = true;
            }
            knownPostMet = !MergePosts(page, *backup, previousIds);
        }

        if (knownPostMet || lastPage) break;
        if (stalePages >= kStalePagesToStop) {
            skLogWarning("The service sent " + std::to_string(kStalePagesToStop) +
                         " pages in a row without a new post; paging ended at start " + std::to_string(start) + ".");
            break;
        }
        start += PostsPerPage;
        ++traffic.PieceCount;
        host.DoEvents();
    }

    host.DisableCancel();
    SortPosts(*backup, host);
    // What the service sent is not a blog's XML (an error or login page that
    // happens to parse): the ordering has said so, and it must not replace
    // the file the user chose, which may be an earlier backup.
    if (backup->NodeText("/tumblr/@version") != "1.0") return result;
    const int32_t postCount = backup->DocumentNode().SelectNodes("/tumblr/posts/post").Count();

    host.SetStatus("Fixing XML attributes...");
    FixPostsAttributes(*backup, postCount);

    host.SetStatus("Saving backup XML...");
    if (!backup->Save(xmlFileName, true)) {
        skLogError("Saving " + xmlFileName + " failed: " + backup->SaveError());
        MsgBox("Can't save backup XML file.", mbCritical);
        return result;
    }

    host.SetStatus("All done! ^_^v");
    result.Success = true;
    result.PostsInBackup = postCount;
    result.PostsAdded = postCount - previousCount;
    return result;
}

}  // namespace qv
