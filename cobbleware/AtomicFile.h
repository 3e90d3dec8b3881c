// Replaces a file only with a complete, synced new one: the new content goes
// to a temporary file in the same folder, which is renamed over the target at
// the very end. Until Commit succeeds the target is untouched.
#pragma once

#include <string>

#include "FileOps.h"

namespace qv {

class AtomicFileWriter {
public:
    AtomicFileWriter(std::string target, FileOps& files, FileSaveOptions options = {});
    ~AtomicFileWriter();  // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Refuses a target the user made read-only, one that is no regular file
    // (a device, a pipe), and one that is a link another user placed in a
    // folder everyone may write to.
    bool Open();
    bool Write(const char* data, std::size_t size);
    // Syncs the new file, gives it the target's mode, renames it over the
    // target and syncs the folder.
    bool Commit();

    // Why the last step failed.
    const std::string& ErrorText() const { return error_; }

    // Whether a save to `target` could be made now: the checks of Open, and a
    // new file in its folder. For failing before any work is done.
    static bool CanSave(const std::string& target, FileOps& files, std::string& why);

private:
    bool Fail(const std::string& what);
    bool Refuse(const std::string& why);
    bool Replaceable();
    void RemoveStaleTemps();
    void Discard();

    std::string requested_;  // as given; a link is replaced through to its file
    std::string target_;
    std::string tempPath_;
    FileOps& files_;
    FileSaveOptions options_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    std::string error_;
};

}  // namespace qv
