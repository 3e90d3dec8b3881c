// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileNames.h"

#include <algorithm>
#include <cctype>

#include "Manifest.h"
#include "MediaAddress.h"
#include "Sha256.h"

namespace qv::media {

namespace {

bool Allowed(unsigned char c) { return std::isalnum(c) || c == '.' || c == '_' || c == '-'; }

std::string Folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

// Splits at the last dot, when what follows is a short extension.
std::size_t ExtensionStart(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > 16) return name.size();
    return dot;
}

// Cuts the stem, never the extension, down to `limit` characters in all.
std::string Shortened(const std::string& name, std::size_t limit) {
    if (name.size() <= limit) return name;
    const std::size_t dot = ExtensionStart(name);
    const std::string extension = name.substr(dot);
    std::string stem = name.substr(0, dot);
    stem.resize(limit > extension.size() ? limit - extension.size() : 0);
    while (!stem.empty() && (stem.back() == '.' || stem.back() == '-')) stem.pop_back();
    return (stem.empty() ? "file" : stem) + extension;
}

}  // namespace

std::string SafeFileName(std::string_view url) {
    std::string segment = PercentDecode(LastPathSegment(url));
    // An encoded separator makes a path of the name: only what follows the last one counts.
    if (const auto slash = segment.find_last_of("/\\"); slash != std::string::npos)
        segment.erase(0, slash + 1);

    std::string name;
    for (const char c : segment) {
        if (!Allowed(static_cast<unsigned char>(c))) continue;
        if (c == '.' && !name.empty() && name.back() == '.') continue;  // no ".." anywhere
        name += c;
    }
    // Neither hidden nor mistaken for an option, nor ending in a dot.
    const auto first = name.find_first_not_of(".-");
    name.erase(0, first == std::string::npos ? name.size() : first);
    while (!name.empty() && name.back() == '.') name.pop_back();
    if (name.empty()) name = "file";
    return Shortened(name, kLongestName);
}

bool IsPlainFileName(std::string_view name) {
    if (name.empty() || name.size() > kLongestName || name.front() == '.' || name.front() == '-' ||
        name.back() == '.' || name.find("..") != std::string_view::npos)
        return false;
    if (!std::all_of(name.begin(), name.end(), [](char c) { return Allowed(static_cast<unsigned char>(c)); }))
        return false;
    return Folded(std::string(name)) != kManifestFileName;
}

std::string HashedFileName(const std::string& name, std::string_view url) {
    std::string hash(1, '-');
    hash += std::string_view(Sha256::Of(url)).substr(0, 10);
    const std::string base = Shortened(name, kLongestName - hash.size());
    const std::size_t dot = ExtensionStart(base);
    return base.substr(0, dot) + hash + base.substr(dot);
}

bool HasExtension(const std::string& name) { return ExtensionStart(name) < name.size(); }

std::string WithExtension(const std::string& name, std::string_view extension) {
    return Shortened(name + std::string(extension), kLongestName);
}

FileNamer::FileNamer() { taken_.insert(Folded(kManifestFileName)); }

void FileNamer::Reserve(const std::string& name) { taken_.insert(Folded(name)); }

bool FileNamer::Take(const std::string& name) { return taken_.insert(Folded(name)).second; }

std::string FileNamer::Assign(std::string_view url) { return Assign(SafeFileName(url), url); }

std::string FileNamer::Assign(const std::string& plain, std::string_view url) {
    if (Take(plain)) return plain;
    const std::string hashed = HashedFileName(plain, url);
    if (Take(hashed)) return hashed;
    // Only when the same address is named twice, or the hashes of two collide.
    for (int number = 2;; ++number) {
        const std::string numbered = HashedFileName(plain, std::string(url) + "#" + std::to_string(number));
        if (Take(numbered)) return numbered;
    }
}

}  // namespace qv::media
