// SPDX-License-Identifier: GPL-3.0-or-later
// The threads that render and write pages. Each has its own templates and
// post renderer, since a template keeps state while it renders; everything
// else they share is only read, or is the thread-safe SiteFiles.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "HtmlSanitizer.h"
#include "MediaLinks.h"
#include "PostRenderer.h"
#include "Templates.h"

namespace qv::site {

class Workers {
public:
    struct Worker {
        Templates templates;
        PostRenderer renderer;
        Worker(const HtmlSanitizer& sanitizer, const MediaLinks& media)
            : renderer(sanitizer, media, templates) {}
    };

    // `threads` 0 means one per processor.
    Workers(const HtmlSanitizer& sanitizer, const MediaLinks& media, unsigned threads);

    // Runs job(worker, i) for every i below `count`, spread over the threads,
    // and returns when all are done. The first exception a job raised is
    // raised again here.
    void Run(std::size_t count, const std::function<void(Worker&, std::size_t)>& job);

private:
    std::vector<std::unique_ptr<Worker>> workers_;
};

}  // namespace qv::site
