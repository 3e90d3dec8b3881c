// SPDX-License-Identifier: GPL-3.0-or-later
// The backup engine: one run from its request to the saved file and the
// closing summary. Everything runs on the caller's thread; the caller keeps its
// window alive through the IBackupHost of the run's context.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "Http.h"
#include "PageSource.h"
#include "RunContext.h"
#include "RunDecisions.h"
#include "ServiceApi.h"
#include "Status.h"
#include "Xml.h"
#include "http/HttpClient.h"

namespace qv {

// Posts asked for per request, and the last-page threshold.
inline constexpr int PostsPerPage = 50;

// What one run is asked to do, filled once by its front end and read, as a
// whole or in part, by every layer down to the wire. The blog's address is
// GroupAddress all the way.
struct BackupOptions {
    std::string XMLFileName;
    std::string XMLBaseFileName;  // "" for a full backup
    std::string GroupAddress;
    std::string EMail;
    std::string Password;
    std::string Password2;
    bool ApplyNTFSCompression = false;
    // The API the blog is read through; the v2 API's access.
    Reader reader = Reader::ReadApi;
    V2Access v2;

    // Both halves of the account's pair: only then is the account sent.
    bool HasAccount() const { return !EMail.empty() && !Password.empty(); }
    // Whether what the service answers may be private: read with the
    // account's or the blog's password.
    bool MayReadPrivatePosts() const {
        return HasAccount() || !Password2.empty() || (reader != Reader::ReadApi && v2.Signed());
    }
};

// What a run cost: pages asked for and bytes, counted by the run itself.
struct TrafficCounters {
    int32_t PieceCount = 0;  // the page being asked for, from 1
    double BytesReceived = 0;
    double BytesSent = 0;
};

// What happened: the run's outcome is its return value.
struct [[nodiscard]] BackupResult {
    // Ok when the backup was saved; Cancelled when the run was stopped or the
    // user declined to go on; otherwise why nothing was saved.
    Status status = StoppedStatus();
    int32_t PostsInBackup = 0;
    int32_t PostsAdded = 0;
    // The number of posts the first page announced, when it did.
    std::optional<int64_t> ReportedTotal;
    // Paging ended because the service kept sending pages without a new post.
    bool EndedByRepeatedPages = false;
    // Pages merged by this run, those continued from a journal included.
    int32_t Pages = 0;
    TrafficCounters Traffic;
    // The blog's title and name as the saved backup holds them.
    std::string Title;
    std::string Name;

    bool ok() const { return status.ok(); }
};

// The read API's side of a run: the open connections its requests share, and
// what has been said once.
struct DownloadSession {
    explicit DownloadSession(RequestServices& services) : services(services) {}

    RequestServices& services;
    http::HttpClient client;
    bool toldCredentialsWithheld = false;
    // The page being asked for.
    int32_t start = 0;
};

// The distinct non-empty post ids of a document, in first-seen order.
class PostIdSet {
public:
    // Answers false when the id is empty or already held.
    bool Add(const std::string& id);
    bool Contains(const std::string& id) const;
    int Count() const { return static_cast<int>(order_.size()); }
    const std::vector<std::string>& InOrder() const { return order_; }

private:
    std::vector<std::string> order_;
    // The ids of a saved backup come in the order it is saved in (see
    // PostIdBefore): while they do, they are looked up by halving that order,
    // and the hashed set is made only when one comes out of it.
    bool ordered_ = true;
    std::unordered_set<std::string> hashed_;
};

// The run: the credentials question, the pipeline, compression and the summary.
BackupResult RunBackup(const BackupOptions& options, RunContext& context);

// The pipeline of a run: the previous backup, the pages, ordering and the save.
BackupResult MakeBackupXML(const BackupOptions& options, RunContext& context);
// The same with its inputs one by one, as the window's run hands them on.
BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           const std::string& groupAddress, const std::string& email, const std::string& password,
                           const std::string& password2, RunContext& context);

// Whether a backup could be saved as `xmlFileName`; when not, says so to the
// run's decisions as a failed save does. A run checks this before its first request.
Status TargetCanBeSaved(const std::string& xmlFileName, RunContext& context);

// One page of the read API: its body, or why there is none (said already:
// cancelled, given up, a refused redirect).
Result<std::string> DownloadPage(const BackupOptions& options, int32_t start, int32_t num, DownloadSession& session);
// The same with its inputs one by one; `callback` hears this page's blocks.
Result<std::string> DownloadPage(int32_t start, int32_t num, IHTTPRequestCallback* callback,
                                 const std::string& groupAddress, const std::string& email,
                                 const std::string& password, const std::string& password2,
                                 DownloadSession& session);
// Ok when the page request may be sent again after an HTTP 408.
Status SendDummyGet(const std::string& groupAddress, DownloadSession& session);

// The paragraph the summary ends with when the backup holds fewer posts than
// the service announced; none when the counts agree.
std::optional<std::string> CompletenessNote(const BackupResult& result);

// The backup document.
// Whether the document is the blog's XML; NotBlogXml, in the words the user is shown, when not.
Status CheckBlogXml(const std::string& displayName, const XmlDocument& document);
Result<PostIdSet> CollectPostIds(const std::string& displayName, const XmlDocument& document);
// The posts "/tumblr/posts/post" selects.
int32_t CountPosts(const XmlDocument& document);
bool ContainsId(const std::string& id, const PostIdSet& set);
bool IsLastPage(const XmlDocument& page);
// Appends the page's posts the previous backup lacks; answers whether it held
// none of them. `appended`, when given, counts the posts appended.
bool MergePosts(const XmlDocument& page, XmlDocument& backup, const PostIdSet& previousIds,
                int32_t* appended = nullptr);
// Whether the page holds a known post and nothing but known posts after the
// first of them: where an incremental run has caught up. A pinned old post
// shown first, followed by new ones, is no such place.
bool KnownPostsEndPage(const XmlDocument& page, const PostIdSet& previousIds);
void CopyTumblelog(const XmlDocument& page, XmlDocument& backup);
void FixPostsAttributes(XmlDocument& backup, int32_t postCount);

// Post ordering: descending id, one element per id. A document that is not
// the blog's XML is left as it is, and said so. `posts`, when given, learns
// how many posts the document holds afterwards, where the ordering knows it
// without counting them again (else it is left as it was).
Status SortPosts(XmlDocument& backup, IBackupHost& host, int32_t* posts = nullptr);
// Whether the post with the id `a` goes before the one with the id `b`: the
// order in which they are saved.
bool PostIdBefore(std::string_view a, std::string_view b);
std::vector<std::string> PadSortKeys(const std::vector<std::string>& ids);
std::vector<std::string> UnpadSortKeys(const std::vector<std::string>& sortedKeys);

}  // namespace qv
