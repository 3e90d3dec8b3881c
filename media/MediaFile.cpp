#include "MediaFile.h"

#include <cerrno>
#include <cstring>

namespace qv::media {

MediaFile::MediaFile(std::string folder, FileOps& files, unsigned mode)
    : folder_(std::move(folder)), files_(files), mode_(mode) {}

MediaFile::~MediaFile() { Discard(); }

bool MediaFile::Fail(const std::string& what) {
    localError_ = what + ": " + std::strerror(errno);
    Discard();
    return false;
}

bool MediaFile::Open() {
    std::string pattern = folder_ + "/" + kTempPrefix + "XXXXXX";
    fd_ = files_.CreateTemp(pattern);
    if (fd_ < 0) return Fail("can't create a file in " + folder_);
    tempPath_ = pattern;
    return true;
}

void MediaFile::Discard() {
    if (fd_ >= 0) {
        files_.Close(fd_);
        fd_ = -1;
    }
    if (!tempPath_.empty()) {
        files_.Unlink(tempPath_);
        tempPath_.clear();
    }
}

bool MediaFile::Body(std::string_view data, const http::TransferState&, std::string& failure) {
    if (fd_ < 0 && !Open()) {
        failure = localError_;
        return false;
    }
    sha_.Add(data);
    bytes_ += static_cast<std::int64_t>(data.size());
    if (!WriteFully(files_, fd_, data.data(), data.size())) {
        Fail("can't write " + tempPath_);
        failure = localError_;
        return false;
    }
    return true;
}

bool MediaFile::Keep(const std::string& name) {
    if (fd_ < 0 && tempPath_.empty() && !Open()) return false;  // an empty body still makes a file
    const std::string target = folder_ + "/" + name;
    if (files_.Chmod(fd_, mode_) != 0) return Fail("can't set the mode of " + tempPath_);
    // The bytes must be on disk before the name points at them, or a power cut
    // right after the rename could leave a kept name with a hole behind it.
    if (files_.Sync(fd_) != 0) return Fail("can't write " + tempPath_ + " to disk");
    const int fd = fd_;
    fd_ = -1;
    if (files_.Close(fd) != 0) return Fail("can't finish writing " + tempPath_);
    if (files_.Rename(tempPath_, target) != 0) return Fail("can't rename " + tempPath_ + " to " + target);
    tempPath_.clear();
    digest_ = sha_.HexDigest();
    return true;
}

}  // namespace qv::media
