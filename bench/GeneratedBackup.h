// SPDX-License-Identifier: GPL-3.0-or-later
// The large backup the backup and site benchmarks measure: the test server's
// posts in a saved backup's wrapping.
#pragma once

#include <string>
#include <vector>

#include "TempFolder.h"

namespace qv::bench {

inline void WriteBackup(const std::string& path, const std::vector<std::string>& posts) {
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tumblr version=\"1.0\"><tumblelog name=\"testblog\" "
        "title=\"Big blog\">A large blog</tumblelog><posts start=\"0\" total=\"" +
        std::to_string(posts.size()) + "\">";
    for (const std::string& post : posts) text += post;
    text += "</posts></tumblr>\n";
    test::WriteAll(path, text);
}

}  // namespace qv::bench
