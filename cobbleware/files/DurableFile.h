// SPDX-License-Identifier: GPL-3.0-or-later
// The one way a file that must outlive a crash is written: the content goes
// to a temporary file in the target's folder, is synced, and only then takes
// the target's name, and the folder is synced for the name to last. A crash
// leaves the old file (or none) or the whole new one, never a part of it.
// The content comes in as many pieces as the caller has and is never held
// whole here. Every call goes through FileOps, so tests reach each step.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "FileOps.h"
#include "Status.h"

namespace qv {

// The folder a file lies in; "." for a bare name.
std::string ContainingFolder(const std::string& path);

// What was placed without a sync, brought to the disk in one go: a writer
// that places many files a second syncs each folder once, not once a file.
class SyncBatch {
public:
    explicit SyncBatch(FileOps& files) : ops_(files) {}

    // Syncs every file, then every folder, handed in since the last Sync;
    // FileSystem at the first that can't be.
    Status Sync();
    bool Empty() const { return files_.empty() && folders_.empty(); }

private:
    friend class DurableFile;
    void AddFile(const std::string& path) { files_.push_back(path); }
    void AddFolder(const std::string& folder);

    FileOps& ops_;
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
};

class DurableFile {
public:
    // The temporary file is named `tempStem` and six random characters, in
    // the folder the stem names; a stem of our own lets a later run tell
    // what a killed one left behind.
    DurableFile(std::string tempStem, FileOps& files);
    ~DurableFile();  // removes the temporary file unless it was placed
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // Makes the temporary file; Write and Place make it when not yet made.
    // Every step answers FileSystem once one has failed, with that failure's words.
    Status Open();
    Status Write(const char* data, std::size_t size);

    // Gives the file `mode`, syncs it, renames it to `target` (replacing
    // what is there, a link included, without following it) and syncs the
    // folder: Ok means the file is on the disk under its name. A folder that
    // can't be synced after the rename leaves the placing standing: the
    // complete file has its name, which a crash could at worst undo.
    Status Place(const std::string& target, unsigned mode);

    enum Content { SyncedFirst, SyncedLater };
    // Places the file leaving the folder's sync to `batch`, and with
    // SyncedLater the content's too: the rename comes first then, and a
    // power cut before the batch's sync may leave the name on a part of the
    // file. Only for content that is checked when it is read again.
    Status Place(const std::string& target, unsigned mode, SyncBatch& batch, Content content);

private:
    Status Fail(const std::string& what);
    // Up to the rename; the file is closed after it.
    Status Finish(const std::string& target, unsigned mode, bool sync);
    void Discard();

    std::string tempStem_;
    std::string tempPath_;
    FileOps& files_;
    int fd_ = -1;
    // Bytes written, and those already handed to the disk's writeback.
    std::size_t written_ = 0;
    std::size_t handedOn_ = 0;
    std::optional<Status> failure_;
    bool placed_ = false;  // one object places one file
};

}  // namespace qv
