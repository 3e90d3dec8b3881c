// SPDX-License-Identifier: GPL-3.0-or-later
// The pages of the service's XML read API: one form post per page, over the
// run's shared connections, with the pages after the due one asked for ahead
// of time when the run wants that.
#pragma once

#include <optional>

#include "PagePrefetch.h"
#include "PageSource.h"
#include "modTumblrInteraction.h"

namespace qv {

class ReadApiSource : public IPageSource {
public:
    // `prefetch`: pages asked for beyond the one due (0: none).
    ReadApiSource(const BackupOptions& options, RequestServices& services, int prefetch);

    int32_t PageSize() const override { return PostsPerPage; }
    Result<std::string> Fetch(int32_t start, int32_t num) override;
    void Upcoming(int32_t start) override;
    void Finish() override;
    bool MayBePrivate() const override { return options_.MayReadPrivatePosts(); }

private:
    const BackupOptions& options_;
    DownloadSession session_;
    std::optional<PagePrefetch> ahead_;
};

}  // namespace qv
