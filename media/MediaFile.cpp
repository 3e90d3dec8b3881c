// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaFile.h"

#include "FileNames.h"

namespace qv::media {

MediaFile::MediaFile(std::string folder, FileOps& files, unsigned mode)
    : folder_(std::move(folder)), mode_(mode), file_(folder_ + "/" + kTempPrefix, files) {}

bool MediaFile::Body(std::string_view data, const http::TransferState&, std::string& failure) {
    sha_.Add(data);
    bytes_ += static_cast<std::int64_t>(data.size());
    if (file_.Write(data.data(), data.size())) return true;
    localFailure_ = Status(StatusKind::FileSystem, file_.ErrorText());
    failure = file_.ErrorText();
    return false;
}

Status MediaFile::Keep(const std::string& name, SyncBatch& folderSync) {
    if (!file_.Place(folder_ + "/" + name, mode_, folderSync, DurableFile::SyncedFirst)) {
        localFailure_ = Status(StatusKind::FileSystem, file_.ErrorText());
        return localFailure_;
    }
    digest_ = sha_.HexDigest();
    return Status::Ok();
}

}  // namespace qv::media
