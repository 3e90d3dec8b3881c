// SPDX-License-Identifier: GPL-3.0-or-later
// The names media files get in the folder. A name comes from the address's
// last path segment but is only ever a plain file name made of letters,
// digits, '.', '_' and '-': never a path, never "..", never hidden.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace qv::media {

inline constexpr std::size_t kLongestName = 120;

// Temporary files begin with this; no kept file's name ever does.
inline constexpr const char* kTempPrefix = ".part-";

// The name of the address's file when no other address claims it.
std::string SafeFileName(std::string_view url);

// Whether `name` is one SafeFileName or HashedFileName could have made: what
// a manifest line read back may name, since the folder is the only place a
// kept file can be.
bool IsPlainFileName(std::string_view name);

// `name` with a short hash of the whole address before its extension, still at
// most kLongestName characters.
std::string HashedFileName(const std::string& name, std::string_view url);

// Whether `name` ends in an extension ("photo.jpg", not "tumblr_abc").
bool HasExtension(const std::string& name);

// `name` with `extension` (".mp3") added, still at most kLongestName characters.
std::string WithExtension(const std::string& name, std::string_view extension);

// Hands out one distinct name per address. Names differing only in case count
// as the same, so the folder can be copied to a file system that ignores case.
class FileNamer {
public:
    FileNamer();
    // A name already in use (a kept file, say), never handed out again.
    void Reserve(const std::string& name);
    std::string Assign(std::string_view url);
    // `name` for the address, or, when that is taken, `name` with the address's hash.
    std::string Assign(const std::string& name, std::string_view url);

private:
    bool Take(const std::string& name);

    std::unordered_set<std::string> taken_;
};

}  // namespace qv::media
