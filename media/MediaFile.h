// SPDX-License-Identifier: GPL-3.0-or-later
// One media file on its way to disk: the body goes through the durable
// writer to a hidden temporary file in the folder as it arrives, hashed on the
// way, and becomes the named file only once it is complete and synced. Until
// then the name is never touched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "FileOps.h"
#include "Sha256.h"
#include "Status.h"
#include "files/DurableFile.h"
#include "http/HttpClient.h"

namespace qv::media {

class MediaFile : public http::ITransferEvents {
public:
    // `mode` is what the kept file's permission bits become.
    MediaFile(std::string folder, FileOps& files, unsigned mode);
    MediaFile(const MediaFile&) = delete;
    MediaFile& operator=(const MediaFile&) = delete;

    bool Body(std::string_view data, const http::TransferState& state, std::string& failure) override;

    // Syncs the file and renames it to `name` in the folder, replacing what
    // is there (a link included, without following it). The rename becomes
    // durable with the next sync of `folderSync`, which comes before the line
    // that records the file. Until then a crash may lose the name, never
    // leave it on a partial file, and a file the manifest lists but the
    // folder lacks is simply fetched again.
    // FileSystem when it can't be.
    Status Keep(const std::string& name, SyncBatch& folderSync);

    std::int64_t Bytes() const { return bytes_; }
    // Of everything kept; valid after Keep.
    const std::string& Digest() const { return digest_; }
    // FileSystem once writing to the folder failed: a problem of this machine, not of the server.
    const Status& LocalFailure() const { return localFailure_; }

private:
    std::string folder_;
    unsigned mode_;
    // One object serves one attempt: a retry takes a fresh one, and what did
    // not become a kept file goes with it.
    DurableFile file_;
    Sha256 sha_;
    std::int64_t bytes_ = 0;
    std::string digest_;
    Status localFailure_;
};

}  // namespace qv::media
