// SPDX-License-Identifier: GPL-3.0-or-later
// Headless Chromium from the Debian package, run as a child process on pages
// opened from file://, with a profile of its own and no network of its own
// making (no updates, no sync, no background requests).
#pragma once

#include <string>
#include <vector>

#include "TempFolder.h"

namespace qv::test {

class Chromium {
public:
    // The browser to run ($QV_CHROMIUM, else /usr/bin/chromium); "" when there is none.
    static std::string Executable();

    explicit Chromium(std::string executable) : executable_(std::move(executable)) {}

    // The page's DOM once it loaded and its scripts had `budgetMs` of virtual time.
    std::string DumpDom(const std::string& url, int budgetMs = 5000,
                        const std::string& windowSize = "1200,900");
    // Saves a PNG of the page as a window of `width` x `height` shows it; answers whether one was written.
    bool Screenshot(const std::string& url, const std::string& png, int width, int height);

private:
    std::string Run(std::vector<std::string> arguments);

    std::string executable_;
    TempFolder profile_;
};

// file:// address of a local path.
std::string FileUrl(const std::string& path);

}  // namespace qv::test
