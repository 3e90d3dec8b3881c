// The few file-system calls a safe save makes, behind an interface so that
// tests can make any one of them fail.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

namespace qv {

class FileOps {
public:
    virtual ~FileOps() = default;

    // Each returns -1 (or false) and leaves errno set on failure, like the system calls.
    virtual int CreateTemp(std::string& pathTemplate) = 0;  // mkstemp; template ends in XXXXXX
    virtual long Write(int fd, const char* data, std::size_t size) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Close(int fd) = 0;
    virtual int Chmod(int fd, unsigned mode) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Unlink(const std::string& path) = 0;
    virtual int SyncFolder(const std::string& folder) = 0;
    // mkdir; an existing folder is no failure. By default the system's.
    virtual int MakeFolder(const std::string& path, unsigned mode);
    // Brings a closed file's data to the disk. By default the system's.
    virtual int SyncFile(const std::string& path);
};

// How a file is replaced, beyond the content.
struct FileSaveOptions {
    // A file that does not exist yet is made readable by its owner only, for
    // content that may be private. An existing file keeps its mode.
    bool privateNewFile = false;
    // Temporary files of earlier saves into the same folder, left by a process
    // that was killed while saving, are removed when older than this.
    std::optional<std::time_t> removeTempsOlderThan;
};

// Writes all of `data`, through interruptions and short writes; false with
// errno set when it can't (ENOSPC for a write that took nothing).
bool WriteFully(FileOps& files, int fd, const char* data, std::size_t size);

// The mode open(..., 0666) gives a new file under the process's umask. Safe
// to call from any thread, unlike reading the umask by setting it.
unsigned NewFileMode();

// The real system calls.
FileOps& SystemFileOps();

}  // namespace qv
