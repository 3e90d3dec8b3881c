// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DurableFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace qv {

namespace {

constexpr std::size_t kWritebackEvery = 2 * 1024 * 1024;

Status Why(const std::string& what) { return Status(StatusKind::FileSystem, what + ": " + std::strerror(errno)); }

}  // namespace

std::string ContainingFolder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

void SyncBatch::AddFolder(const std::string& folder) {
    if (std::find(folders_.begin(), folders_.end(), folder) == folders_.end()) folders_.push_back(folder);
}

Status SyncBatch::Sync() {
    for (const std::string& path : files_)
        if (ops_.SyncFile(path) != 0) return Why("can't write " + path + " to disk");
    files_.clear();
    for (const std::string& folder : folders_)
        if (ops_.SyncFolder(folder) != 0) return Why("can't sync the folder " + folder);
    folders_.clear();
    return Status::Ok();
}

DurableFile::DurableFile(std::string tempStem, FileOps& files)
    : tempStem_(std::move(tempStem)), files_(files) {}

DurableFile::~DurableFile() { Discard(); }

Status DurableFile::Fail(const std::string& what) {
    failure_ = Why(what);
    Discard();
    return *failure_;
}

void DurableFile::Discard() {
    if (fd_ >= 0) {
        files_.Close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        files_.Unlink(tempPath_);
        tempPath_.clear();
    }
}

Status DurableFile::Open() {
    if (failure_) return *failure_;
    if (placed_) return Status(StatusKind::FileSystem, "the file was placed already");
    if (fd_ >= 0) return Status::Ok();
    std::string pattern = tempStem_ + "XXXXXX";
    fd_ = files_.CreateTemp(pattern);
    if (fd_ < 0) return Fail("can't create a new file in " + ContainingFolder(tempStem_));
    tempPath_ = pattern;
    return Status::Ok();
}

Status DurableFile::Write(const char* data, std::size_t size) {
    if (Status open = Open(); !open.ok()) return open;
    if (!WriteFully(files_, fd_, data, size)) return Fail("can't write " + tempPath_);
    written_ += size;
    // A large file goes to the disk while it is written, not all at the
    // sync: the save of a large backup then waits for little at its end.
    if (written_ - handedOn_ >= kWritebackEvery) {
        // A hint: where the system can't take it, the sync at the end does the work.
        (void)files_.StartWriteback(fd_, handedOn_, written_ - handedOn_);
        handedOn_ = written_;
    }
    return Status::Ok();
}

Status DurableFile::Finish(const std::string& target, unsigned mode, bool sync) {
    if (Status open = Open(); !open.ok()) return open;  // an empty file is a file all the same
    if (files_.Chmod(fd_, mode) != 0) return Fail("can't set the mode of " + tempPath_);
    // The data must be on disk before the name points at it, or a power cut
    // right after the rename could leave the name on an empty file.
    if (sync && files_.Sync(fd_) != 0) return Fail("can't write " + tempPath_ + " to disk");
    const int fd = std::exchange(fd_, -1);
    if (files_.Close(fd) != 0) return Fail("can't finish writing " + tempPath_);
    if (files_.Rename(tempPath_, target) != 0) return Fail("can't rename " + tempPath_ + " to " + target);
    tempPath_.clear();
    placed_ = true;
    return Status::Ok();
}

Status DurableFile::Place(const std::string& target, unsigned mode) {
    if (Status finished = Finish(target, mode, true); !finished.ok()) return finished;
    // The file is complete in place: a folder that can't be synced can't be helped here.
    (void)files_.SyncFolder(ContainingFolder(target));
    return Status::Ok();
}

Status DurableFile::Place(const std::string& target, unsigned mode, SyncBatch& batch, Content content) {
    if (Status finished = Finish(target, mode, content == SyncedFirst); !finished.ok()) return finished;
    if (content == SyncedLater) batch.AddFile(target);
    batch.AddFolder(ContainingFolder(target));
    return Status::Ok();
}

}  // namespace qv
