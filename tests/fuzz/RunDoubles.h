// SPDX-License-Identifier: GPL-3.0-or-later
// A backup run with everything outside the engine played by the harness: its
// pages come from the input, its questions are answered at once, its files
// live in memory. What a run saves must be a backup the next run can extend.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "MemoryFiles.h"
#include "PageSource.h"
#include "RunContext.h"
#include "RunDecisions.h"
#include "modTumblrInteraction.h"

namespace qv::fuzz {

// The pages of the input, in the order they are asked for, whatever their
// start; once they are used up, an empty page that ends the run.
class InputPages : public IPageSource {
public:
    InputPages(std::vector<std::string_view> pages, int32_t pageSize, bool mayBePrivate)
        : pages_(std::move(pages)), pageSize_(pageSize), mayBePrivate_(mayBePrivate) {}

    int32_t PageSize() const override { return pageSize_; }
    Result<std::string> Fetch(int32_t start, int32_t) override {
        if (next_ < pages_.size()) return std::string(pages_[next_++]);
        return "<tumblr version=\"1.0\"><posts start=\"" + std::to_string(start) +
               "\" total=\"0\"></posts></tumblr>";
    }
    bool MayBePrivate() const override { return mayBePrivate_; }

private:
    std::vector<std::string_view> pages_;
    std::size_t next_ = 0;
    int32_t pageSize_;
    bool mayBePrivate_;
};

// Answers as an unattended run does once its retries are spent: an
// unreadable page is asked for in pieces when that may help (and when the
// input says so), everything else ends the run.
class QuickDecisions : public IRunDecisions {
public:
    explicit QuickDecisions(bool inPieces) : inPieces_(inPieces) {}

    bool GoOnWithoutPrivatePosts() override { return true; }
    Answer PageFailed(const Status&, int32_t) override { return Answer::GiveUp; }
    Answer PageUnreadable(const Status& why, int32_t) override {
        return inPieces_ && why.Is(StatusKind::UnreadableXml) ? Answer::InPieces : Answer::GiveUp;
    }
    Answer DummyRequestFailed(const Status&, int32_t) override { return Answer::GiveUp; }
    void RunFailed(const Status&) override {}
    void SavedDespite(const Status&) override {}
    void Done(const std::string&, const BackupResult&) override {}

private:
    bool inPieces_;
};

class QuietHost : public IBackupHost {
public:
    void SetStatus(const std::string&) override {}
    void DisableCancel() override {}
    void DoEvents() override {}
    void BlockReceived(const std::string&, bool&, int32_t, int32_t, bool&) override {}
    void BlockSent(const std::string&, int32_t, int32_t, bool&) override {}
};

// What every saved backup promises: it is the blog's XML, loads again as
// the previous backup of an incremental run, holds each post once, with an
// id, newest first (unless no post has an id), and says how many it holds.
inline void CheckSavedBackup(const std::string& saved, const BackupResult& result) {
    XmlDocument backup;
    Require(backup.LoadXml(saved, 0), "a saved backup loads again", backup.ParseError().Reason());
    const Result<PostIdSet> ids = CollectPostIds("saved", backup);
    Require(ids.ok(), "a saved backup is the blog's XML", saved);
    const XmlNode posts = backup.DocumentNode().SelectSingleNode("/tumblr/posts");
    if (!posts) return;
    // The ordering leaves a list in which no post has an id as it is.
    bool ordered = false;
    for (XmlNode child = posts.FirstChild(); child && !ordered; child = child.NextSibling())
        ordered = child.IsElementNamed("post") && !child.AttributeText("id").empty();
    int32_t count = 0;
    std::string previous;
    std::set<std::string> seen;
    for (XmlNode child = posts.FirstChild(); child; child = child.NextSibling()) {
        if (!child.IsElementNamed("post")) continue;
        const std::string id = child.AttributeText("id");
        if (!ordered) {
            ++count;
            continue;
        }
        Require(!id.empty(), "every saved post has an id", saved);
        Require(seen.insert(id).second, "every saved post is there once", id);
        // "7" and "007" are two ids of one number: they keep the order they came in.
        Require(count == 0 || !PostIdBefore(id, previous), "saved posts are newest first",
                previous + " " + id);
        previous = id;
        ++count;
    }
    const int32_t listed = CountPosts(backup);
    if (listed == count) {
        Require(result.PostsInBackup == count, "the run counts the posts it saved", saved);
        if (XmlNode total = backup.DocumentNode().SelectSingleNode("/tumblr/posts/@total"))
            Require(total.Text() == std::to_string(count), "the saved total is the saved posts", saved);
    }
}

// A run leaves its folder holding the saved backup, or, when it failed,
// nothing: never a part of a file, never a temporary one.
inline void CheckFolderAfterRun(MemoryFiles& files, const std::string& folder, const std::string& target,
                                const BackupResult& result) {
    std::vector<std::string> names;
    Require(files.ListFolder(folder, names) == 0, "the run's folder stays");
    const std::string name = target.substr(folder.size() + 1);
    const bool onlyTarget = names.size() == 1 && names.front() == name;
    Require(result.ok() ? onlyTarget : names.empty(), "a run leaves its saved backup or nothing",
            names.empty() ? std::string("(empty)") : names.front());
}

}  // namespace qv::fuzz
