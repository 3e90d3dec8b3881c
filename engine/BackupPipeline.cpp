// SPDX-License-Identifier: GPL-3.0-or-later
// From the request of a run to the saved backup file: the previous backup,
// the page loop over the run's page source, ordering, the summary attributes
// and the save.
#include <algorithm>

#include "files/AtomicFile.h"
#include "PageJournal.h"
#include "PageLoop.h"
#include "PageSplitter.h"
#include "ReadApiSource.h"
#include "RunDecisions.h"
#include "RunTraffic.h"
#include "Sundrykit.h"
#include "modTumblrInteraction.h"

namespace qv {

namespace {

// The previous backup as the loop's starting point, or why it cannot be used
// (said to `decisions`).
Result<PageLoop> StartingPoint(const BackupOptions& options, int32_t pageSize, IRunDecisions& decisions) {
    if (options.XMLBaseFileName.empty()) return PageLoop(pageSize);
    XmlDocument previous;
    if (!previous.Load(options.XMLBaseFileName, 0)) {
        const Status unreadable = Status(StatusKind::UnreadableXml, options.XMLBaseFileName +
                                                                        "\r\n\r\nCan't load previous backup XML file.\r\n\r\n" +
                                                                        previous.ParseError().Reason())
                                      .RetryWontHelp();
        decisions.RunFailed(unreadable);
        return unreadable;
    }
    Result<PostIdSet> ids = CollectPostIds(options.XMLBaseFileName, previous);
    if (!ids) {
        decisions.RunFailed(ids.status());
        return ids.status();
    }
    return PageLoop(std::move(previous), std::move(*ids), pageSize);
}

// The user is shown the sentence of the save's failure; the log and the
// front end's notes get its reason.
Status SaveFailure(const std::string& why, RunContext& context) {
    const Status failed(StatusKind::FileSystem, "Can't save backup XML file.");
    context.decisions.RunFailed(failed);
    skLogError(why);
    context.host.Warn(why);
    return failed;
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
Status SameBlog(const PageLoop& loop, const XmlDocument& page, const BackupOptions& options,
                IRunDecisions& decisions) {
    const std::optional<std::string> other = loop.OtherBlogIn(page);
    if (!other) return Status::Ok();
    const std::string text = options.XMLBaseFileName + "\r\n\r\nThis backup is of the blog \"" +
                             skPrintable(loop.BackupBlogName()) + "\", but " + skPrintable(options.GroupAddress) +
                             " is the blog \"" + skPrintable(*other) +
                             "\". Nothing was merged or saved; choose the backup of that blog to extend.";
    skLogError(text);
    const Status otherBlog = Status(StatusKind::OtherBlog, text).RetryWontHelp();
    decisions.RunFailed(otherBlog);
    return otherBlog;
}

// Merges the pages an interrupted run kept, as far as they are readable, and
// goes back to ask for the last of them again: what was published or deleted
// since then shifts the pages, and the overlap keeps any post from falling
// between two of them.
void Rebuild(PageLoop& loop, PageJournal& journal, IBackupHost& host, RunTraffic& traffic) {
    int32_t received = 0;
    const std::vector<JournalPage> pages = journal.Kept();
    for (size_t i = 0; i < pages.size(); ++i) {
        const JournalPage& kept = pages[i];
        XmlDocument page;
        if (kept.start != loop.NextStart() || !page.LoadXml(skUTF8ToUNICODE(kept.Text()), 0) ||
            !loop.Check(page).ok())
            break;
        ++received;
        traffic.SetPiece(traffic.Counters().PieceCount + 1);
        // A page that was asked for in pieces lacks the posts that never came
        // readably; the run that kept it went on past it all the same.
        int missing = 0;
        if (i + 1 < pages.size()) missing = std::max(0, loop.PageSize() - CountPosts(page));
        if (!loop.Merge(std::move(page), missing)) break;
    }
    if (received == 0) return;
    host.Warn("Continuing an interrupted backup: " + std::to_string(received) + " pages already received.");
    const int32_t overlap = (received - 1) * loop.PageSize();
    loop.AskAgainFrom(overlap);
    journal.ForgetFrom(overlap);
    traffic.SetPiece(traffic.Counters().PieceCount - 1);
}

// A received page as a document, or why it can't be merged: UnreadableXml
// for the blog's own XML broken by a post, whose smaller pieces may be
// readable; NotBlogXml for anything else.
struct Reading {
    XmlDocument page;
    Status problem;
};

Reading Read(const std::string& body, const PageLoop& loop) {
    Reading reading;
    const std::string text = skUTF8ToUNICODE(body);
    if (reading.page.LoadXml(text, 0)) {
        // A sign-in or error page that happens to parse is no last page: it
        // would end the paging and the rest of the blog would be lost.
        reading.problem = loop.Check(reading.page);
        return reading;
    }
    std::string reason = reading.page.ParseError().Reason();
    // Only the blog's own XML, broken by a post, can be read in smaller
    // pieces; a sign-in or error page would come back for every piece.
    if (BeginsAsBlogXml(text)) {
        reading.problem = Status(StatusKind::UnreadableXml, reason);
        return reading;
    }
    if (!FirstElementOf(text).empty()) reason += "\r\n" + NotTheBlogsXml(text);
    reading.problem = Status(StatusKind::NotBlogXml, reason);
    return reading;
}

std::unique_ptr<IPageSource> SourceOf(const BackupOptions& options, RunContext& context, RequestServices& services) {
    if (context.makeSource) return context.makeSource(options, services);
    // Pages are asked for ahead only in a full run: an incremental one stops
    // at the first page that holds a known post.
    return std::make_unique<ReadApiSource>(options, services, options.XMLBaseFileName.empty() ? context.prefetch : 0);
}

}  // namespace

Status TargetCanBeSaved(const std::string& xmlFileName, RunContext& context) {
    const Status possible = AtomicFileWriter::CanSave(xmlFileName, context.files);
    if (possible.ok()) return possible;
    return SaveFailure("Saving " + xmlFileName + " is not possible: " + possible.text(), context);
}

BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           const std::string& groupAddress, const std::string& email, const std::string& password,
                           const std::string& password2, RunContext& context) {
    BackupOptions options;
    options.XMLFileName = xmlFileName;
    options.XMLBaseFileName = xmlBaseFileName;
    options.GroupAddress = groupAddress;
    options.EMail = email;
    options.Password = password;
    options.Password2 = password2;
    return MakeBackupXML(options, context);
}

BackupResult MakeBackupXML(const BackupOptions& options, RunContext& context) {
    BackupResult result;
    RunTraffic traffic(context.host);
    const auto ended = [&](Status status) {
        result.status = std::move(status);
        result.Traffic = traffic.Counters();
        return result;
    };
    const std::time_t runStarted = context.now();
    RequestServices services(context.decisions, context.host, traffic);
    services.pacer = context.pacer;
    services.proxy = context.proxy;
    const std::unique_ptr<IPageSource> source = SourceOf(options, context, services);

    Result<PageLoop> started = StartingPoint(options, source->PageSize(), context.decisions);
    if (!started) return ended(started.status());
    PageLoop& loop = *started;
    // A download the save could never keep is not started.
    if (Status savable = TargetCanBeSaved(options.XMLFileName, context); !savable.ok()) return ended(savable);

    traffic.SetPiece(1);
    PageJournal* journal = loop.IsFullRun() ? context.journal : nullptr;
    if (journal) Rebuild(loop, *journal, context.host, traffic);
    if (loop.HasBackup()) source->Extends(loop.Backup());
    result.Pages = loop.PagesMerged();
    // Every merged page is kept in the journal as it was received.
    const auto mergeAndKeep = [&](XmlDocument page, const std::string& received, int missing) {
        const int32_t start = loop.NextStart();
        const bool goOn = loop.Merge(std::move(page), missing);
        if (journal) journal->Keep(start, received, loop.AnnouncedTotal());
        result.Pages = loop.PagesMerged();
        context.host.PageMerged({loop.PagesMerged(), loop.PostsSoFar(), loop.AnnouncedTotal(), loop.PageSize()});
        return goOn;
    };
    for (;;) {
        const int32_t start = loop.NextStart();
        source->Upcoming(start);
        const Result<std::string> body = source->Fetch(start, loop.PageSize());
        if (!body) return ended(body.status());

        Reading reading = Read(*body, loop);
        if (!reading.problem.ok()) {
            const Answer answer = context.decisions.PageUnreadable(reading.problem, start);
            if (answer == Answer::Retry) continue;
            if (answer != Answer::InPieces || !reading.problem.Is(StatusKind::UnreadableXml))
                return ended(GivenUp(answer, kPageUnreadableHeadline, reading.problem));

            PiecedPage pieces = FetchInPieces(start, loop.PageSize(), loop, *source, context.decisions);
            ReportLostPosts(pieces.lost, context.host);
            if (!pieces.status.ok()) return ended(pieces.status);
            if (Status same = SameBlog(loop, *pieces.page, options, context.decisions); !same.ok())
                return ended(same);
            const std::string assembled = pieces.page->Xml(false);
            if (!mergeAndKeep(std::move(*pieces.page), assembled, static_cast<int>(pieces.lost.size()))) break;
        } else {
            if (Status same = SameBlog(loop, reading.page, options, context.decisions); !same.ok())
                return ended(same);
            if (!mergeAndKeep(std::move(reading.page), *body, 0)) break;
        }
        traffic.SetPiece(traffic.Counters().PieceCount + 1);
        context.host.DoEvents();
    }

    source->Finish();
    context.host.DisableCancel();
    XmlDocument& backup = loop.Backup();
    int32_t postCount = -1;
    if (Status sorted = SortPosts(backup, context.host, &postCount); !sorted.ok())
        context.decisions.SavedDespite(sorted);
    if (postCount < 0) postCount = CountPosts(backup);

    context.host.SetStatus("Fixing XML attributes...");
    FixPostsAttributes(backup, postCount);

    context.host.SetStatus("Saving backup XML...");
    FileSaveOptions saving;
    // Posts read with the account's or the blog's password may be private.
    saving.privateNewFile = source->MayBePrivate() || (journal != nullptr && journal->HoldsPrivatePages());
    saving.removeTempsOlderThan = runStarted;
    if (!backup.Save(options.XMLFileName, true, saving, context.files))
        return ended(SaveFailure("Saving " + options.XMLFileName + " failed: " + backup.SaveError(), context));

    if (journal) journal->Finish();
    context.host.SetStatus("All done! ^_^v");
    result.PostsInBackup = postCount;
    result.PostsAdded = postCount - loop.PreviousCount();
    result.ReportedTotal = loop.AnnouncedTotal();
    result.EndedByRepeatedPages = loop.EndedByRepeatedPages();
    result.Title = backup.NodeText("/tumblr/tumblelog/@title");
    result.Name = backup.NodeText("/tumblr/tumblelog/@name");
    return ended(Status::Ok());
}

}  // namespace qv
