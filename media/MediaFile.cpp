// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaFile.h"

#include "FileNames.h"

namespace qv::media {

MediaFile::MediaFile(std::string folder, FileOps& files, unsigned mode)
    : folder_(std::move(folder)), mode_(mode), file_(folder_ + "/" + kTempPrefix, files) {}

bool MediaFile::Body(std::string_view data, const http::TransferState&, std::string& failure) {
    sha_.Add(data);
    bytes_ += static_cast<std::int64_t>(data.size());
    const Status written = file_.Write(data.data(), data.size());
    if (written.ok()) return true;
    localFailure_ = written;
    failure = written.text();
    return false;
}

Status MediaFile::Keep(const std::string& name, SyncBatch& folderSync) {
    if (Status placed = file_.Place(folder_ + "/" + name, mode_, folderSync, DurableFile::SyncedFirst); !placed.ok()) {
        localFailure_ = placed;
        return localFailure_;
    }
    digest_ = sha_.HexDigest();
    return Status::Ok();
}

}  // namespace qv::media
