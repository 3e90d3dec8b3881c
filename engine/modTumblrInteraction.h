// SPDX-License-Identifier: GPL-3.0-or-later
// The backup engine: one run from its options to the saved file and the
// closing summary. Everything runs on the caller's thread; the caller keeps its
// window alive through IBackupHost and the progress callback.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "Http.h"
#include "Status.h"
#include "Xml.h"
#include "http/HttpClient.h"

namespace qv {

// Posts asked for per request, and the last-page threshold.
inline constexpr int PostsPerPage = 50;

// Where a run stands after each merged page, for a progress display.
struct PageProgress {
    int32_t page = 0;   // pages merged, from 1
    int32_t posts = 0;  // posts in the backup so far
    // The number of posts the service announced, once the first page said it.
    std::optional<int64_t> announced;
};

// The window's side of a run, as far as the engine needs it.
class IBackupHost {
public:
    virtual ~IBackupHost() = default;
    // Shows a status line and lets pending window events run.
    virtual void SetStatus(const std::string& text) = 0;
    // From here on the run cannot be stopped.
    virtual void DisableCancel() = 0;
    // Lets pending window events run.
    virtual void DoEvents() = 0;
    // Something about the run the user should read beyond its messages (it is
    // in the log too). The window leaves it to the log.
    virtual void Warn(const std::string& /*text*/) {}
    // A page was merged into the backup. The window shows the request number instead.
    virtual void PageMerged(const PageProgress& /*progress*/) {}
};

class IRequestPacer;
class IRunDecisions;
class PageJournal;

// What a front end adds to a run; the window leaves everything at its default.
struct RunContext {
    // Who answers the run's questions after a failure; null: the window's boxes.
    IRunDecisions* Decisions = nullptr;
    IRequestPacer* Pacer = nullptr;
    // A full run asks for up to this many pages beyond the one being merged at
    // the same time; they are still merged in order.
    int Prefetch = 0;
    // A full run keeps its merged pages here, and continues from the pages an
    // interrupted run kept there.
    PageJournal* Journal = nullptr;
    // The proxy of every request of the run; null: the stored proxy setup,
    // read afresh before every request.
    std::shared_ptr<const ProxySettings> Proxy;
};

struct BackupOptions {
    IHTTPRequestCallback* ProgressCallback = nullptr;
    std::string XMLFileName;
    std::string XMLBaseFileName;  // "" for a full backup
    std::string GroupAddress;
    std::string EMail;
    std::string Password;
    std::string Password2;
    bool ApplyNTFSCompression = false;
    RunContext Context;
};

struct BackupResult {
    bool Success = false;
    int32_t PostsInBackup = 0;
    int32_t PostsAdded = 0;
    // The number of posts the first page announced, when it did.
    std::optional<int64_t> ReportedTotal;
    // Paging ended because the service kept sending pages without a new post.
    bool EndedByRepeatedPages = false;
    // Pages merged by this run, those continued from a journal included.
    int32_t Pages = 0;
    // The blog's title and name as the saved backup holds them.
    std::string Title;
    std::string Name;
};

// Holds each request back until the service's pace allows it.
class IRequestPacer {
public:
    virtual ~IRequestPacer() = default;
    // Returns when the next request may go out (at once when a stop was asked for).
    virtual void BeforeRequest() = 0;
};

// What the requests of one run share: open connections, the pace, the proxy,
// who decides after a failure, and what has been said once.
struct DownloadSession {
    http::HttpClient client;
    IBackupHost* host = nullptr;
    IRequestPacer* pacer = nullptr;
    IRunDecisions* decisions = nullptr;  // null: the window's boxes
    std::shared_ptr<const ProxySettings> proxy;  // null: the stored setup, read afresh
    bool toldCredentialsWithheld = false;
    // The page being asked for.
    int32_t start = 0;

    IRunDecisions& Decisions() const;
    std::shared_ptr<const ProxySettings> Proxy() const;
};

// Process-wide: the engine resets and reports them, the window's callbacks add to them.
struct TrafficCounters {
    int32_t PieceCount = 0;
    double BytesReceived = 0;
    double BytesSent = 0;
};
TrafficCounters& Traffic();

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

// The run: credentials question, counters, pipeline, compression, summary.
// The window ignores the result; unattended front ends need it for their exit status.
BackupResult RunBackup(const BackupOptions& options, IBackupHost& host);

BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           IHTTPRequestCallback* callback, const std::string& groupAddress,
                           const std::string& email, const std::string& password,
                           const std::string& password2, IBackupHost& host, const RunContext& context = {});

// Whether a backup could be saved as `xmlFileName`; when not, says so to
// `decisions` as a failed save does. A run checks this before its first request.
bool TargetCanBeSaved(const std::string& xmlFileName, IBackupHost& host, IRunDecisions& decisions);

// The body of one page of the read API, or nothing when no page text was
// obtained (cancelled, given up, refused redirect); every message about a
// failed download is shown here.
std::optional<std::string> DownloadPage(int32_t start, int32_t num, IHTTPRequestCallback* callback,
                                        const std::string& groupAddress, const std::string& email,
                                        const std::string& password, const std::string& password2);
// The same over the connections of a run.
std::optional<std::string> DownloadPage(int32_t start, int32_t num, IHTTPRequestCallback* callback,
                                        const std::string& groupAddress, const std::string& email,
                                        const std::string& password, const std::string& password2,
                                        DownloadSession& session);
bool SendDummyGet(const std::string& groupAddress, IHTTPRequestCallback* callback);
bool SendDummyGet(const std::string& groupAddress, IHTTPRequestCallback* callback, DownloadSession& session);

// The paragraph the summary ends with when the backup holds fewer posts than
// the service announced; "" when the counts agree.
std::string CompletenessNote(const BackupResult& result);

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
