// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/AtomicFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace qv {

namespace {

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

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string target, FileOps& files, FileSaveOptions options)
    : requested_(target),
      target_(ResolveLink(target)),
      files_(files),
      options_(options),
      file_(target_ + kTempMarker, files) {}

Status AtomicFileWriter::Replaceable() {
    const auto refuse = [](const std::string& why) { return Status(StatusKind::FileSystem, why).RetryWontHelp(); };
    struct stat link {};
    if (::lstat(requested_.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        // What the kernel's protected_symlinks guards against: in /tmp and its
        // like, another user's link could point our write at any file of ours.
        struct stat folder {};
        if (::stat(ContainingFolder(requested_).c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) &&
            (folder.st_mode & S_IWOTH) && link.st_uid != ::geteuid() && link.st_uid != folder.st_uid) {
            return refuse(requested_ + " is a link that another user made in a folder everyone may write to");
        }
    }
    struct stat file {};
    // A device, pipe or folder would be replaced by a plain file: saving to
    // /dev/null as root would leave the system without its /dev/null.
    if (::stat(target_.c_str(), &file) == 0) {
        if (!S_ISREG(file.st_mode)) return refuse(target_ + " is not a regular file");
        // The rename would replace it anyway; a file made read-only is meant to stay.
        if ((file.st_mode & 0222) == 0 ||
            (::access(target_.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS)))
            return refuse(target_ + " is read-only");
    }
    return Status::Ok();
}

void AtomicFileWriter::RemoveStaleTemps() {
    const std::string folder = ContainingFolder(target_);
    std::vector<std::string> names;
    // A folder that can't be listed: the save itself will say what is wrong with it.
    if (files_.ListFolder(folder, names) != 0) return;
    for (const std::string& name : names) {
        if (!IsOurTempName(name)) continue;
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
            continue;
        // A save still being written has a fresh time; only leftovers are older than the run.
        if (info.st_mtime < *options_.removeTempsOlderThan) files_.Unlink(path);
    }
}

Status AtomicFileWriter::CanSave(const std::string& target, FileOps& files) {
    AtomicFileWriter probe(target, files);
    return probe.Open();  // the probe's file goes with it
}

Status AtomicFileWriter::Save(const std::string& target, const std::string& content, FileOps& files,
                              FileSaveOptions options) {
    AtomicFileWriter writer(target, files, options);
    Status saved = writer.Open();
    if (saved.ok()) saved = writer.Write(content.data(), content.size());
    if (saved.ok()) saved = writer.Commit();
    return saved;
}

Status AtomicFileWriter::Open() {
    if (opened_) return Status::Ok();
    if (unopened_) return *unopened_;
    Status opened = Replaceable();
    if (opened.ok()) {
        if (options_.removeTempsOlderThan) RemoveStaleTemps();
        opened = file_.Open();
    }
    if (!opened.ok()) unopened_ = opened;
    opened_ = opened.ok();
    return opened;
}

Status AtomicFileWriter::NotOpened() const {
    return unopened_.value_or(Status(StatusKind::FileSystem, "the file to save " + requested_ + " was not opened"));
}

Status AtomicFileWriter::Write(const char* data, std::size_t size) {
    if (!opened_) return NotOpened();
    return file_.Write(data, size);
}

Status AtomicFileWriter::Commit() {
    if (!opened_) return NotOpened();
    return file_.Place(target_, ModeForTarget(target_, options_.privateNewFile));
}

}  // namespace qv
