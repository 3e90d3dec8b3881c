#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "Sundrykit.h"

namespace qv {

namespace {

int SyncOpened(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) return -1;
    const int result = ::fsync(fd);
    const int savedErrno = errno;
    ::close(fd);
    errno = savedErrno;
    return result;
}

class PosixFileOps : public FileOps {
public:
    int CreateTemp(std::string& pathTemplate) override { return mkostemp(pathTemplate.data(), O_CLOEXEC); }
    long Write(int fd, const char* data, std::size_t size) override { return ::write(fd, data, size); }
    int Sync(int fd) override { return ::fsync(fd); }
    int Close(int fd) override { return ::close(fd); }
    int Chmod(int fd, unsigned mode) override { return ::fchmod(fd, mode); }
    int Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str());
    }
    int Unlink(const std::string& path) override { return ::unlink(path.c_str()); }
    int SyncFolder(const std::string& folder) override { return SyncOpened(folder, O_RDONLY | O_DIRECTORY); }
};

constexpr const char* kTempMarker = ".saving-";
constexpr size_t kTempSuffixLength = 6;  // mkstemp's XXXXXX

// The old file's mode; for a new file, what open(..., 0666) would give, or
// owner-only for private content.
unsigned ModeForTarget(const std::string& target, bool privateNewFile) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0) return info.st_mode & 07777;
    return privateNewFile ? 0600 : NewFileMode();
}

bool IsOurTempName(const std::string& name) {
    const size_t marker = name.rfind(kTempMarker);
    if (marker == std::string::npos || marker == 0) return false;
    const size_t suffix = marker + std::strlen(kTempMarker);
    if (name.size() - suffix != kTempSuffixLength) return false;
    for (size_t i = suffix; i < name.size(); ++i)
        if (!std::isalnum(static_cast<unsigned char>(name[i]))) return false;
    return true;
}

// Writing through a symbolic link must replace the file it points to, not the link.
std::string ResolveLink(const std::string& target) {
    struct stat info {};
    if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return target;
    char resolved[PATH_MAX];
    return ::realpath(target.c_str(), resolved) ? std::string(resolved) : target;
}

std::string FolderOf(const std::string& path) {
    const std::string folder = skGetFilePath(path);
    return folder.empty() ? "." : folder;
}

}  // namespace

bool WriteFully(FileOps& files, int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const long written = files.Write(fd, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

unsigned NewFileMode() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Umask:"))
            return 0666 & ~static_cast<unsigned>(std::stoul(line.substr(6), nullptr, 8));
    }
    // Without /proc the umask can only be read by setting it, and back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int FileOps::MakeFolder(const std::string& path, unsigned mode) {
    return ::mkdir(path.c_str(), mode) == 0 || errno == EEXIST ? 0 : -1;
}

int FileOps::SyncFile(const std::string& path) { return SyncOpened(path, O_RDONLY); }

FileOps& SystemFileOps() {
    static PosixFileOps ops;
    return ops;
}

AtomicFileWriter::AtomicFileWriter(std::string target, FileOps& files, FileSaveOptions options)
    : requested_(target), target_(ResolveLink(target)), files_(files), options_(options) {}

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

bool AtomicFileWriter::Refuse(const std::string& why) {
    error_ = why;
    failed_ = true;
    return false;
}

bool AtomicFileWriter::Replaceable() {
    struct stat link {};
    if (::lstat(requested_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // What the kernel's protected_symlinks guards against: in /tmp and its
        // like, another user's link could point our write at any file of ours.
        struct stat folder {};
        if (::stat(FolderOf(requested_).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
            (folder.st_mode & S_IWOTH) && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid) {
            return Refuse(requested_ + " is a link that another user made in a folder everyone may write to");
        }
    }
    struct stat file {};
    // A device, pipe or folder would be replaced by a plain file: saving to
    // /dev/null as root would leave the system without its /dev/null.
    if (::stat(target_.c_str(), &file) == 0) {
        if (!S_ISREG(file.st_mode)) return Refuse(target_ + " is not a regular file");
        // The rename would replace it anyway; a file made read-only is meant to stay.
        if ((file.st_mode & 0222) == 0 ||
            (::access(target_.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)))
            return Refuse(target_ + " is read-only");
    }
    return true;
}

void AtomicFileWriter::RemoveStaleTemps() {
    const std::string folder = FolderOf(target_);
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing) return;  // the save itself will say what is wrong with the folder
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string name = entry->d_name;
        if (!IsOurTempName(name)) continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        // A save still being written has a fresh time; only leftovers are older than the run.
        if (info.st_mtime < *options_.removeTempsOlderThan) files_.Unlink(path);
    }
}

bool AtomicFileWriter::CanSave(const std::string& target, FileOps& files, std::string& why) {
    AtomicFileWriter probe(target, files);
    const bool possible = probe.Open();
    why = probe.ErrorText();
    return possible;  // the destructor removes the probe's file
}

bool AtomicFileWriter::Open() {
    if (!Replaceable()) return false;
    if (options_.removeTempsOlderThan) RemoveStaleTemps();
    std::string pattern = target_ + kTempMarker + std::string(kTempSuffixLength, 'X');
    fd_ = files_.CreateTemp(pattern);
    if (fd_ < 0) return Fail("Can't create a new file in " + FolderOf(target_));
    tempPath_ = pattern;
    return true;
}

bool AtomicFileWriter::Write(const char* data, std::size_t size) {
    if (failed_ || fd_ < 0) return false;
    return WriteFully(files_, fd_, data, size) || Fail("Can't write " + tempPath_);
}

bool AtomicFileWriter::Commit() {
    if (failed_ || fd_ < 0) return false;
    if (files_.Chmod(fd_, ModeForTarget(target_, options_.privateNewFile)) != 0)
        return Fail("Can't set the mode of " + tempPath_);
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
