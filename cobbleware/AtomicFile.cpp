#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "Sundrykit.h"

namespace qv {

namespace {

class PosixFileOps : public FileOps {
public:
    int CreateTemp(std::string& pathTemplate) override { return mkostemp(pathTemplate.data(), O_CLOEXEC); }
    long Write(int fd, const char* data, std::size_t size) override { return ::write(fd, data, size); }
    int Sync(int fd) override { return ::fsync(fd); }
    int Close(int fd) override { return ::close(fd); }
    int Chmod(int fd, unsigned mode) override { return ::fchmod(fd, mode); }
    int Rename(const std::string& from, const std::string& to) override { return ::rename(from.c_str(), to.c_str()); }
    int Unlink(const std::string& path) override { return ::unlink(path.c_str()); }
    int SyncFolder(const std::string& folder) override {
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return -1;
        const int result = ::fsync(fd);
        const int savedErrno = errno;
        ::close(fd);
        errno = savedErrno;
        return result;
    }
};

// The mode a file made by open(..., 0666) would get, or the old file's mode.
unsigned ModeForTarget(const std::string& target) {
    struct stat info{};
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Writing through a symbolic link must replace the file it points to, not the link.
std::string ResolveLink(const std::string& target) {
    struct stat info{};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
    char resolved[PATH_MAX];
    return ::realpath(target.c_str(), resolved) ? std::string(resolved) : target;
}

std::string FolderOf(const std::string& path) {
    const std::string folder = skGetFilePath(path);
    return folder.empty() ? "." : folder;
}

}  // namespace

FileOps& SystemFileOps() {
    static PosixFileOps ops;
    return ops;
}

AtomicFileWriter::AtomicFileWriter(std::string target, FileOps& files)
    : target_(ResolveLink(target)), files_(files) {}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) Discard();
}

bool AtomicFileWriter::Fail(const std::string& what) {
    const int savedErrno = errno;
    error_ = what + ": " + std::strerror(savedErrno);
    failed_ = true;
    Discard();
    return false;
}

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) {
        files_.Close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        files_.Unlink(tempPath_);
        tempPath_.clear();
    }
}

bool AtomicFileWriter::Open() {
    std::string pattern = target_ + ".saving-XXXXXX";
    fd_ = files_.CreateTemp(pattern);
    if (fd_ < 0) return Fail("Can't create a new file in " + FolderOf(target_));
    tempPath_ = pattern;
    return true;
}

bool AtomicFileWriter::Write(const char* data, std::size_t size) {
    if (failed_ || fd_ < 0) return false;
    while (size > 0) {
        const long written = files_.Write(fd_, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return Fail("Can't write " + tempPath_);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool AtomicFileWriter::Commit() {
    if (failed_ || fd_ < 0) return false;
    if (files_.Chmod(fd_, ModeForTarget(target_)) != 0) return Fail("Can't set the mode of " + tempPath_);
    // The data must be on disk before the name points at it, or a crash right
    // after the rename could leave an empty backup in place of the old one.
    if (files_.Sync(fd_) != 0) return Fail("Can't write " + tempPath_ + " to disk");
    const int fd = fd_;
    fd_ = -1;
    if (files_.Close(fd) != 0) return Fail("Can't finish writing " + tempPath_);
    if (files_.Rename(tempPath_, target_) != 0) return Fail("Can't replace " + target_);
    tempPath_.clear();
    committed_ = true;
    // The rename itself is durable only once the folder is synced. The new file
    // is already complete in place, so a failure here is reported but the
    // save stands.
    if (files_.SyncFolder(FolderOf(target_)) != 0) {
        error_ = std::string("Can't sync the folder of ") + target_ + ": " + std::strerror(errno);
    }
    return true;
}

}  // namespace qv
