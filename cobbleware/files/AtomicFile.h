// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a file through the durable writer, with the rules of replacing a
// file the user chose: the target is refused when it is read-only, is no
// regular file or is a link another user laid in a folder everyone may write
// to; a link is written through to its file; the file keeps its mode. Until
// Commit succeeds the target is untouched.
#pragma once

#include <optional>
#include <string>

#include "FileOps.h"
#include "files/DurableFile.h"

namespace qv {

class AtomicFileWriter {
public:
    AtomicFileWriter(std::string target, FileOps& files, FileSaveOptions options = {});
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Refuses a target the user made read-only, one that is no regular file
    // (a device, a pipe), and one that is a link another user placed in a
    // folder everyone may write to. Every failure is FileSystem.
    Status Open();
    Status Write(const char* data, std::size_t size);
    // Gives the new file the target's mode and places it over the target.
    Status Commit();

    // Whether a save to `target` could be made now: the checks of Open, and a
    // new file in its folder. For failing before any work is done.
    static Status CanSave(const std::string& target, FileOps& files);
    // Saves `content` whole as `target`.
    static Status Save(const std::string& target, const std::string& content, FileOps& files,
                       FileSaveOptions options = {});

private:
    Status Replaceable();
    Status NotOpened() const;
    void RemoveStaleTemps();

    std::string requested_;  // as given; a link is replaced through to its file
    std::string target_;
    FileOps& files_;
    FileSaveOptions options_;
    DurableFile file_;
    // Why Open failed, once it did.
    std::optional<Status> unopened_;
    bool opened_ = false;
};

}  // namespace qv
