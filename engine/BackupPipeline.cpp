// From the options of a run to the saved backup file: the previous backup,
// the page loop, ordering, the summary attributes and the save.
#include <algorithm>
#include <ctime>

#include "AtomicFile.h"
#include "Messages.h"
#include "PageJournal.h"
#include "PageLoop.h"
#include "PagePrefetch.h"
#include "PageSplitter.h"
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

void ReportLostPosts(const std::vector<std::string>& lost, IBackupHost& host) {
    if (lost.empty()) return;
    std::string text = "Never in a readable answer, and so not in the backup: the post";
    text += lost.size() == 1 ? " at " : "s at ";
    for (size_t i = 0; i < lost.size(); ++i) text += (i == 0 ? "" : ", ") + lost[i];
    text += ".";
    skLogWarning(text);
    host.Warn(text);
}

// A page asked for in pieces could not be had after all: the run ends unsaved.
void ReportUnreadablePiece(const std::string& why, IBackupHost& host) {
    const std::string text = "The page could not be read in pieces either. " + why;
    skLogError(text);
    host.Warn(text);
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

}  // namespace

bool TargetCanBeSaved(const std::string& xmlFileName, IBackupHost& host) {
    std::string why;
    if (AtomicFileWriter::CanSave(xmlFileName, SystemFileOps(), why)) return true;
    ReportSaveFailure("Saving " + xmlFileName + " is not possible: " + why, host);
    return false;
}

BackupResult MakeBackupXML(const std::string& xmlFileName, const std::string& xmlBaseFileName,
                           IHTTPRequestCallback* callback, const std::string& groupAddress,
                           const std::string& email, const std::string& password,
                           const std::string& password2, IBackupHost& host, const RunExtras& extras) {
    BackupResult result;
    const std::time_t runStarted = std::time(nullptr);
    MessageUtility& messages = SharedMessageUtility();
    std::optional<PageLoop> loop = StartingPoint(xmlBaseFileName);
    if (!loop) return result;

    // A download the save could never keep is not started.
    if (!TargetCanBeSaved(xmlFileName, host)) return result;

    DownloadSession session;
    session.host = &host;
    session.pacer = extras.Pacer;
    const PageFetch fetch = [&](int32_t start, int32_t num) {
        return DownloadPage(start, num, callback, groupAddress, email, password, password2, session);
    };
    std::optional<PagePrefetch> ahead;
    if (extras.Prefetch > 0 && loop->IsFullRun())
        ahead.emplace(session, PageAccount{groupAddress, email, password, password2}, extras.Prefetch);
    TrafficCounters& traffic = Traffic();
    traffic.PieceCount = 1;
    PageJournal* journal = loop->IsFullRun() ? extras.Journal : nullptr;
    if (journal) Rebuild(*loop, *journal, host);
    // Every merged page is kept in the journal as it was received.
    const auto mergeAndKeep = [&](XmlDocument page, const std::string& received, int missing) {
        const int32_t start = loop->NextStart();
        const bool goOn = loop->Merge(std::move(page), missing);
        if (journal) journal->Keep(start, received, loop->AnnouncedTotal());
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

        XmlDocument page;
        std::string problem;
        bool inPieces = false;
        if (const std::string text = skUTF8ToUNICODE(*body); !page.LoadXml(text, 0)) {
            problem = page.ParseError().Reason();
            // Only the blog's own XML, broken by a post, can be read in smaller
            // pieces; a sign-in or error page would come back for every piece.
            if (BeginsAsBlogXml(text))
                inPieces = extras.SplitUnparseablePages;
            else if (!FirstElementOf(text).empty())
                problem += "\r\n" + NotTheBlogsXml(text);
        } else {
            loop->Check(page, problem);
        }
        if (!problem.empty()) {
            // A sign-in or error page that happens to parse is no last page: it
            // would end the paging and the rest of the blog would be lost.
            const std::string text = "Can't load received XML data.\r\n\r\n" + problem;
            if (inPieces) messages.NextBoxCancelAsksInPieces();
            if (messages.MessageBox(text, mbRetryCancel + mbCritical, "", -1, -1, 15) == mrRetry) continue;
            if (!inPieces || host.StopRequested()) return result;
            PiecedPage pieces = FetchInPieces(loop->NextStart(), PostsPerPage, *loop, fetch);
            ReportLostPosts(pieces.lost, host);
            if (!pieces.refusal.empty()) ReportUnreadablePiece(pieces.refusal, host);
            if (pieces.failed) return result;
            if (!pieces.page) {
                ReportUnreadablePiece("Not one of its posts came in a readable answer.", host);
                return result;
            }
            const std::string assembled = pieces.page->Xml(false);
            if (!mergeAndKeep(std::move(*pieces.page), assembled, static_cast<int>(pieces.lost.size())))
                break;
            ++traffic.PieceCount;
            host.DoEvents();
            continue;
        }

        if (!mergeAndKeep(std::move(page), *body, 0)) break;
        ++traffic.PieceCount;
        host.DoEvents();
    }

    if (ahead) ahead->Abandon(callback);  // pages past the end: their cost is counted
    host.DisableCancel();
    XmlDocument& backup = loop->Backup();
    SortPosts(backup, host);
    const int32_t postCount = CountPosts(backup);

    host.SetStatus("Fixing XML attributes...");
    FixPostsAttributes(backup, postCount);

    host.SetStatus("Saving backup XML...");
    FileSaveOptions saving;
    // Posts read with the account's or the blog's password may be private.
    saving.privateNewFile = (!email.empty() && !password.empty()) || !password2.empty() ||
                            (journal != nullptr && journal->HoldsPrivatePages());
    saving.removeTempsOlderThan = runStarted;
    if (!backup.Save(xmlFileName, true, saving, SystemFileOps())) {
        ReportSaveFailure("Saving " + xmlFileName + " failed: " + backup.SaveError(), host);
        return result;
    }

    if (journal) journal->Finish();
    host.SetStatus("All done! ^_^v");
    result.Success = true;
    result.PostsInBackup = postCount;
    result.PostsAdded = postCount - loop->PreviousCount();
    result.ReportedTotal = loop->AnnouncedTotal();
    result.EndedByRepeatedPages = loop->EndedByRepeatedPages();
    return result;
}

}  // namespace qv
