// SPDX-License-Identifier: GPL-3.0-or-later
// The pages a full run has merged, kept beside its target as they were
// received, so that a run that ends before its save (an outage, a signal, a
// crash, a power cut) can be continued by the next one instead of starting
// at the first post again. The target itself is untouched until the save.
//
// The journal is the folder "<target>.partial": one file per page named by its
// start, written under a temporary name and renamed, and "journal.json" with
// the blog, the page size, the first page's total and the program's version.
// All of it goes through the durable writer and FileOps. Pages reach the disk
// in batches, at least once a second and whenever the journal is closed, not
// after every page; journal.json at once. The pages are written by a thread of
// the journal's own, so that a run never waits for the disk; everything else
// is called from one thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "FileOps.h"
#include "files/DurableFile.h"

namespace qv {

struct JournalPage {
    int32_t start = 0;
    std::string path;
    FileOps* files = nullptr;
    // The page as received. Read one at a time: a large blog's journal
    // is as large as its backup.
    std::string Text() const;
};

class PageJournal {
public:
    static constexpr int kFormat = 1;

    // The journal of `target` for a run of the blog at `blogAddress` in pages
    // of `pageSize` posts. An
    // earlier journal of another blog, another format, one that cannot be
    // read, a link and one of another user are set aside (renamed, never
    // deleted); `restart` discards it
    // instead. `warn` hears what was done. With `privateFiles` (a run with
    // credentials) the files are the owner's alone.
    PageJournal(std::string target, std::string blogAddress, int32_t pageSize, bool privateFiles, bool restart,
                std::function<void(const std::string&)> warn, FileOps& files = SystemFileOps());
    // Brings what was written to the disk.
    ~PageJournal();
    PageJournal(const PageJournal&) = delete;
    PageJournal& operator=(const PageJournal&) = delete;

    // The posts per page of the journal an interrupted run left beside
    // `target`, which only a run asking for pages of that size continues;
    // none when there is none or its description can't be read.
    static std::optional<int32_t> KeptPageSize(const std::string& target, FileOps& files = SystemFileOps());

    // The pages an earlier run kept: from the first on, as long as they follow
    // one another.
    std::vector<JournalPage> Kept() const;
    // Removes the pages from `start` on, which this run will ask for again.
    void ForgetFrom(int32_t start);
    // Keeps one merged page. A journal that cannot be written is said once and
    // given up: the run goes on without it.
    void Keep(int32_t start, const std::string& text, std::optional<int64_t> announcedTotal);
    // The backup is saved: the journal goes.
    void Finish();
    // Whether pages of this or an earlier run are kept.
    bool HoldsPages() const { return begun_ && !broken_; }
    // Whether the kept pages may hold private posts: a run with credentials
    // wrote some of them. A backup built on them is as private.
    bool HoldsPrivatePages() const { return privatePages_; }
    const std::string& Folder() const { return folder_; }

private:
    struct PendingFile {
        std::string name;
        std::string content;
    };

    // Why an earlier journal can't be continued; none when it can.
    std::optional<std::string> Unfit() const;
    bool EarlierPagesPrivate() const;
    std::string DescriptionText() const;
    // The pages in the folder by their start.
    std::map<int32_t, std::string> PageFiles() const;
    void SetAside(const std::string& why);
    bool Begin(std::optional<int64_t> announcedTotal);
    // Placed now; synced, and its name with it, by the next Sync.
    bool WriteFile(const std::string& name, const std::string& content, DurableFile::Content when);
    void Sync();
    void GiveUp(const std::string& what);
    // On the writer's thread: one failure is noted and said later, on the caller's.
    void Fail(const std::string& what);
    void WriteQueued();
    // Ends the writer; with `drain` what is queued is written and synced first.
    void StopWriter(bool drain);
    void TellFailure();

    std::string target_;
    std::string folder_;
    std::string blogAddress_;
    int32_t pageSize_;
    bool privateFiles_;
    std::function<void(const std::string&)> warn_;
    FileOps& files_;
    bool begun_ = false;
    // The description on the disk says what this run's pages are.
    bool described_ = false;
    bool privatePages_ = false;
    bool broken_ = false;
    // Touched by the writer's thread only, once it runs.
    SyncBatch unsynced_;
    std::chrono::steady_clock::time_point lastSync_;

    std::thread writer_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PendingFile> queue_;
    bool stopping_ = false;
    bool discard_ = false;
    std::string failure_;  // set by the writer, said by the caller
};

}  // namespace qv
