// SPDX-License-Identifier: GPL-3.0-or-later
#include "Fingerprints.h"

#include <fcntl.h>

#include <algorithm>

#include "Sha256.h"

namespace qv::site {

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

Digest DigestOf(std::string_view bytes) {
    media::Sha256 sha;
    sha.Add(bytes);
    const auto full = sha.Digest();
    Digest digest;
    std::copy_n(full.begin(), digest.size(), digest.begin());
    return digest;
}

std::string HexOf(const Digest& digest) {
    std::string hex;
    hex.reserve(digest.size() * 2);
    for (const unsigned char byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0x0F];
    }
    return hex;
}

std::optional<Digest> DigestFromHex(std::string_view hex) {
    Digest digest;
    if (hex.size() != digest.size() * 2) return std::nullopt;
    for (std::size_t i = 0; i < digest.size(); ++i) {
        const int high = HexValue(hex[2 * i]);
        const int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        digest[i] = static_cast<unsigned char>(high << 4 | low);
    }
    return digest;
}

FileStamp StampOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_ino), static_cast<std::uint64_t>(info.st_size),
            Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

std::optional<FileStamp> StampOfFile(const std::string& path) {
    return StampOfFileAt(AT_FDCWD, path.c_str());
}

std::optional<FileStamp> StampOfFileAt(int folder, const char* name) {
    struct stat info {};
    if (::fstatat(folder, name, &info, 0) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return StampOf(info);
}

}  // namespace qv::site
