// SPDX-License-Identifier: GPL-3.0-or-later
// SHA-256 of a stream of bytes, fed piece by piece, through OpenSSL's libcrypto.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace qv::media {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(std::string_view data);
    // The digest of everything added; the object starts afresh afterwards.
    std::array<unsigned char, 32> Digest();
    // Lower-case hex of everything added; the object starts afresh afterwards.
    std::string HexDigest();

    static std::string Of(std::string_view data);

private:
    struct Context;
    std::unique_ptr<Context> context_;
};

}  // namespace qv::media
