// SPDX-License-Identifier: GPL-3.0-or-later
// The file-system calls the program makes where a fault must be survivable,
// behind an interface so that tests can make any one of them fail. Every
// implementation gives all of them: a wrapper (FileOpsWrapper) passes on
// what it does not change, so no call slips past a test's faults.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class FileOps {
public:
    virtual ~FileOps() = default;

    // Each returns -1 (or false) and leaves errno set on failure, like the system calls.
    virtual int CreateTemp(std::string& pathTemplate) = 0;  // mkstemp; template ends in XXXXXX
    // Opens a file that must not exist yet (not even as a link) for writing,
    // with the mode open(..., 0666) gives; EEXIST when something has the name.
    virtual int CreateNew(const std::string& path) = 0;
    virtual long Write(int fd, const char* data, std::size_t size) = 0;
    virtual int Sync(int fd) = 0;
    virtual int Close(int fd) = 0;
    virtual int Chmod(int fd, unsigned mode) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Unlink(const std::string& path) = 0;
    virtual int SyncFolder(const std::string& folder) = 0;
    // mkdir; an existing folder is no failure.
    virtual int MakeFolder(const std::string& path, unsigned mode) = 0;
    // Brings a closed file's data to the disk.
    virtual int SyncFile(const std::string& path) = 0;
    // Starts writing a part of an open file to the disk without waiting for
    // it, so that the sync at the end has little left to do. A hint only.
    virtual int StartWriteback(int fd, std::size_t offset, std::size_t length) = 0;
    // The whole content of a file.
    virtual int ReadFile(const std::string& path, std::string& content) = 0;
    // The names in a folder, "." and ".." left out, in no particular order.
    virtual int ListFolder(const std::string& folder, std::vector<std::string>& names) = 0;
    // Removes a file or a folder with everything in it, never following a
    // link; one that is not there is no failure.
    virtual int RemoveTree(const std::string& path) = 0;
};

// Passes every call on to `inner`; a test's FileOps overrides only the calls it changes.
class FileOpsWrapper : public FileOps {
public:
    explicit FileOpsWrapper(FileOps& inner) : inner_(inner) {}

    int CreateTemp(std::string& pathTemplate) override { return inner_.CreateTemp(pathTemplate); }
    int CreateNew(const std::string& path) override { return inner_.CreateNew(path); }
    long Write(int fd, const char* data, std::size_t size) override { return inner_.Write(fd, data, size); }
    int Sync(int fd) override { return inner_.Sync(fd); }
    int Close(int fd) override { return inner_.Close(fd); }
    int Chmod(int fd, unsigned mode) override { return inner_.Chmod(fd, mode); }
    int Rename(const std::string& from, const std::string& to) override { return inner_.Rename(from, to); }
    int Unlink(const std::string& path) override { return inner_.Unlink(path); }
    int SyncFolder(const std::string& folder) override { return inner_.SyncFolder(folder); }
    int MakeFolder(const std::string& path, unsigned mode) override { return inner_.MakeFolder(path, mode); }
    int SyncFile(const std::string& path) override { return inner_.SyncFile(path); }
    int StartWriteback(int fd, std::size_t offset, std::size_t length) override {
        return inner_.StartWriteback(fd, offset, length);
    }
    int ReadFile(const std::string& path, std::string& content) override {
        return inner_.ReadFile(path, content);
    }
    int ListFolder(const std::string& folder, std::vector<std::string>& names) override {
        return inner_.ListFolder(folder, names);
    }
    int RemoveTree(const std::string& path) override { return inner_.RemoveTree(path); }

private:
    FileOps& inner_;
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
