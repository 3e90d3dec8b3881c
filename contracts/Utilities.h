// SPDX-License-Identifier: GPL-3.0-or-later
// Shared helper objects: file attributes and sorting of texts.
#pragma once

#include <string>
#include <vector>

namespace qv {

class FileUtility {
public:
    // Marks the file for compression by the file system (mode 1) or clears the
    // mark (mode 0). On failure answers false with the system's error code.
    bool SetCompression(const std::string& path, int mode, int& errorCode);
};

class CollectionUtility {
public:
    // Sorts in place, ascending, comparing texts byte by byte.
    void SortCollection(std::vector<std::string>& items);
};

FileUtility& SharedFileUtility();
CollectionUtility& SharedCollectionUtility();

}  // namespace qv
