// SPDX-License-Identifier: GPL-3.0-or-later
// From the options of a run to the saved backup file: the previous backup,
// the page loop, ordering, the summary attributes and the save.
#include <algorithm>
#include <ctime>

#include "files/AtomicFile.h"
#include "PageJournal.h"
#include "PageLoop.h"
#include "PagePrefetch.h"
#include "PageRequest.h"
#include "PageSplitter.h"
#include "RunDecisions.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

// The previous backup as the loop's starting point; nullopt when it cannot be
// used (`decisions` has been told).
std::optional<PageLoop> StartingPoint(const std::string& xmlBaseFileName, IRunDecisions& decisions) {
    if (xmlBaseFileName.empty()) return PageLoop();
    XmlDocument previous;
    if (!previous.Load(xmlBaseFileName, 0)) {
        decisions.RunFailed(Status(StatusKind::UnreadableXml, xmlBaseFileName +
                                                                  "\r\n\r\nCan't load previous backup XML file.\r\n\r\n" +
                                                                  previous.ParseError().Reason())
                                .RetryWontHelp());
        return std::nullopt;
    }
    Result<PostIdSet> ids = CollectPostIds(xmlBaseFileName, previous);
    if (!ids) {
        decisions.RunFailed(ids.status());
        return std::nullopt;
    }
    return PageLoop(std::move(previous), std::move(*ids));
}

// The user is shown the sentence of the save's failure; the log and the
// front end's notes get its reason.
void ReportSaveFailure(const std::string& why, IBackupHost& host, IRunDecisions& decisions) {
    decisions.RunFailed(Status(StatusKind::FileSystem, "Can't save backup XML file."));
    skLogError(why);
    host.Warn(why);
}

void ReportLostPosts(const std::vector<std::string>& lost, IBackupHost& host) {
    if (lost.empty()) return;
    std::string text = "Never in a readable answer, and so not in the backup: the post";
    text += lost.size() == 1 ? " at " : "s at ";
    for (size_t i = 0; i < lost.size(); ++i) text += (i == 0 ? "" : ", ") + lost[i];
    text += ".";
    skLogWarning(text);
    host.Warn(text);
}

// Extending the backup of one blog with the posts of another would mix two
// blogs in one file without a word: the run ends before the first merge.
bool SameBlog(const PageLoop& loop, const XmlDocument& page, const std::string& xmlBaseFileName,
              const std::string& groupAddress, IRunDecisions& decisions) {
    const std::string other = loop.OtherBlogIn(page);
    if (other.empty()) return true;
    const std::string text = xmlBaseFileName + "\r\n\r\nThis backup is of the blog \"" +
                             skPrintable(loop.BackupBlogName()) + "\", but " + skPrintable(groupAddress) +
                             " is the blog \"" + skPrintable(other) +
                             "\". Nothing was merged or saved; choose the backup of that blog to extend.";
    skLogError(text);
    decisions.RunFailed(Status(StatusKind::OtherBlog, text).RetryWontHelp());
    return false;
}

// Merges the pages an interrupted run kept, as far as they are readable, and
// goes back to ask for the last of them again: what was published or deleted
// since then shifts the pages, and the overlap keeps any post from falling
// between two of them.
void Rebuild(PageLoop& loop, PageJournal& journal, IBackupHost& host) {
    int32_t received = 0;
    const std::vector<JournalPage> pages = journal.Kept();
    for (size_t i = 0; i < pages.size(); ++i) {
        const JournalPage& kept = pages[i];
        XmlDocument page;
        std::string problem;
        if (kept.start != loop.NextStart() || !page.LoadXml(skUTF8ToUNICODE(kept.Text()), 0) ||
            !loop.Check(page, problem))
            break;
        ++received;
        ++Traffic().PieceCount;
        // A page that was asked for in pieces lacks the posts that never came
        // readably; the run that kept it went on past it all the same.
        int missing = 0;
        if (i + 1 < pages.size()) missing = std::max(0, PostsPerPage - CountPosts(page));
        if (!loop.Merge(std::move(page), missing)) break;
    }
    if (received == 0) return;
    host.Warn("Continuing an interrupted backup: " + std::to_string(received) + " pages already received.");
    const int32_t overlap = (received - 1) * PostsPerPage;
    loop.AskAgainFrom(overlap);
    journal.ForgetFrom(overlap);
    --Traffic().PieceCount;
}

// A received page as a document, or why it can't be merged.
struct Reading {
    XmlDocument page;
    std::string problem;
    // The blog's own XML, broken by a post: smaller pieces of it may be readable.
    bool piecesPossible = false;
};

Reading Read(const std::string& body, const PageLoop& loop) {
    Reading reading;
    const std::string text = skUTF8ToUNICODE(body);
    if (!reading.page.LoadXml(text, 0)) {
        reading.problem = reading.page.ParseError().Reason();
        // Only the blog's own XML, broken by a post, can be read in smaller
        // pieces; a sign-in or error page would come back for every piece.
        if (BeginsAsBlogXml(text))
            reading.piecesPossible = true;
        else if (!FirstElementOf(text).empty())
            reading.problem += "\r\n" + NotTheBlogsXml(text);
    } else {
        // A sign-in or error page that happens to parse is no last page: it
        // would end the paging and the rest of the blog would be lost.
        loop.Check(reading.page, reading.problem);
    }
    return reading;
}

}  // namespace

bool TargetCanBeSaved(const std::string& xmlFileName, IBackupHost& host, IRunDecisions& decisions) {
    std::string why;
    if (AtomicFileWriter::CanSave(xmlFileName, SystemFileOps(), why)) return true;
    ReportSaveFailure("Saving " + xmlFileName + " is not possible: " + why, host, decisions);
    return false;
}

BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           IHTTPRequestCallback* callback, const std::string& groupAddress,
                           const std::string& email, const std::string& password,
                           const std::string& password2, IBackupHost& host, const RunContext& context) {
    BackupResult result;
    const std::time_t runStarted = std::time(nullptr);
    IRunDecisions& decisions = context.Decisions ? *context.Decisions : BoxDecisions();
    std::optional<PageLoop> loop = StartingPoint(xmlBaseFileName, decisions);
    if (!loop) return result;

    // A download the save could never keep is not started.
    if (!TargetCanBeSaved(xmlFileName, host, decisions)) return result;

    DownloadSession session;
    session.host = &host;
    session.pacer = context.Pacer;
    session.decisions = &decisions;
    session.proxy = context.Proxy;
    const PageFetch fetch = [&](int32_t start, int32_t num) {
        return DownloadPage(start, num, callback, groupAddress, email, password, password2, session);
    };
    std::optional<PagePrefetch> ahead;
    if (context.Prefetch > 0 && loop->IsFullRun())
        ahead.emplace(session, groupAddress, page::Account{email, password, password2}, context.Prefetch);
    TrafficCounters& traffic = Traffic();
    traffic.PieceCount = 1;
    PageJournal* journal = loop->IsFullRun() ? context.Journal : nullptr;
    if (journal) Rebuild(*loop, *journal, host);
    // Every merged page is kept in the journal as it was received.
    const auto mergeAndKeep = [&](XmlDocument page, const std::string& received, int missing) {
        const int32_t start = loop->NextStart();
        const bool goOn = loop->Merge(std::move(page), missing);
        if (journal) journal->Keep(start, received, loop->AnnouncedTotal());
        host.PageMerged({loop->PagesMerged(), loop->PostsSoFar(), loop->AnnouncedTotal()});
        return goOn;
    };
    for (;;) {
        std::optional<std::string> body;
        if (ahead) {
            ahead->Fill(loop->NextStart());
            bool cancelled = false;
            body = ahead->Take(loop->NextStart(), callback, cancelled);
            if (cancelled) return result;
        }
        if (!body) body = fetch(loop->NextStart(), PostsPerPage);
        if (!body) return result;

        Reading reading = Read(*body, *loop);
        if (!reading.problem.empty()) {
            const Status why(reading.piecesPossible ? StatusKind::UnreadableXml : StatusKind::NotBlogXml,
                             reading.problem);
            const Answer answer = decisions.PageUnreadable(why, loop->NextStart(), reading.piecesPossible);
            if (answer == Answer::Retry) continue;
            if (answer != Answer::InPieces || !reading.piecesPossible) return result;

            PiecedPage pieces = FetchInPieces(loop->NextStart(), PostsPerPage, *loop, fetch);
            ReportLostPosts(pieces.lost, host);
            if (pieces.failed && pieces.refusal.empty()) return result;  // said where it gave up
            if (pieces.failed || !pieces.page) {
                const std::string refusal =
                    pieces.failed ? pieces.refusal : "Not one of its posts came in a readable answer.";
                skLogError("The page could not be read in pieces either. " + refusal);
                decisions.RunFailed(
                    Status(StatusKind::NotBlogXml, "The page could not be read in pieces either. " + refusal));
                return result;
            }
            if (!SameBlog(*loop, *pieces.page, xmlBaseFileName, groupAddress, decisions)) return result;
            const std::string assembled = pieces.page->Xml(false);
            if (!mergeAndKeep(std::move(*pieces.page), assembled, static_cast<int>(pieces.lost.size()))) break;
            ++traffic.PieceCount;
            host.DoEvents();
            continue;
        }

        if (!SameBlog(*loop, reading.page, xmlBaseFileName, groupAddress, decisions)) return result;
        if (!mergeAndKeep(std::move(reading.page), *body, 0)) break;
        ++traffic.PieceCount;
        host.DoEvents();
    }

    if (ahead) ahead->Abandon(callback);  // pages past the end: their cost is counted
    host.DisableCancel();
    XmlDocument& backup = loop->Backup();
    int32_t postCount = -1;
    if (Status sorted = SortPosts(backup, host, &postCount); !sorted.ok()) decisions.SavedDespite(sorted);
    if (postCount < 0) postCount = CountPosts(backup);

    host.SetStatus("Fixing XML attributes...");
    FixPostsAttributes(backup, postCount);

    host.SetStatus("Saving backup XML...");
    FileSaveOptions saving;
    // Posts read with the account's or the blog's password may be private.
    saving.privateNewFile = (!email.empty() && !password.empty()) || !password2.empty() ||
                            (journal != nullptr && journal->HoldsPrivatePages());
    saving.removeTempsOlderThan = runStarted;
    if (!backup.Save(xmlFileName, true, saving, SystemFileOps())) {
        ReportSaveFailure("Saving " + xmlFileName + " failed: " + backup.SaveError(), host, decisions);
        return result;
    }

    if (journal) journal->Finish();
    host.SetStatus("All done! ^_^v");
    result.Success = true;
    result.PostsInBackup = postCount;
    result.PostsAdded = postCount - loop->PreviousCount();
    result.ReportedTotal = loop->AnnouncedTotal();
    result.EndedByRepeatedPages = loop->EndedByRepeatedPages();
    result.Pages = loop->PagesMerged();
    result.Title = backup.NodeText("/tumblr/tumblelog/@title");
    result.Name = backup.NodeText("/tumblr/tumblelog/@name");
    return result;
}

}  // namespace qv
