// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadApiSource.h"

#include "RunDecisions.h"

namespace qv {

ReadApiSource::ReadApiSource(const BackupOptions& options, RequestServices& services, int prefetch)
    : options_(options), session_(services) {
    if (prefetch > 0) ahead_.emplace(session_, options_, prefetch);
}

Result<std::string> ReadApiSource::Fetch(int32_t start, int32_t num) {
    // Only whole pages are asked for ahead; pieces of one go out when asked.
    if (ahead_ && num == PostsPerPage) {
        bool cancelled = false;
        std::optional<std::string> page = ahead_->Take(start, cancelled);
        if (cancelled) return StoppedStatus();
        if (page) return std::move(*page);
    }
    return DownloadPage(options_, start, num, session_);
}

void ReadApiSource::Upcoming(int32_t start) {
    if (ahead_) ahead_->Fill(start);
}

void ReadApiSource::Finish() {
    if (ahead_) ahead_->Abandon();  // pages past the end: their cost is counted
}

}  // namespace qv
