// Replaces a file only with a complete, synced new one: the new content goes
// to a temporary file in the same folder, which is renamed over the target at
// the very end. Until Commit succeeds the target is untouched.
#pragma once

#include <string>

#include "FileOps.h"

namespace qv {

class AtomicFileWriter {
public:
    AtomicFileWriter(std::string target, FileOps& files);
    ~AtomicFileWriter();  // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool Open();
    bool Write(const char* data, std::size_t size);
    // Syncs the new file, gives it the target's mode, renames it over the
    // target and syncs the folder.
    bool Commit();

    // Why the last step failed.
    const std::string& ErrorText() const { return error_; }

private:
    bool Fail(const std::string& what);
    void Discard();

    std::string target_;
    std::string tempPath_;
    FileOps& files_;
    int fd_ = -1;
    bool failed_ = false;
    bool committed_ = false;
    std::string error_;
};

}  // namespace qv
