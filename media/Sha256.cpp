// SPDX-License-Identifier: GPL-3.0-or-later
#include "Sha256.h"

#include <openssl/evp.h>

#include <stdexcept>

namespace qv::media {

struct Sha256::Context {
    EVP_MD_CTX* md = EVP_MD_CTX_new();
    ~Context() { EVP_MD_CTX_free(md); }

    void Begin() {
        if (md == nullptr || EVP_DigestInit_ex(md, EVP_sha256(), nullptr) != 1)
            throw std::runtime_error("libcrypto could not start a SHA-256 digest");
    }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) { context_->Begin(); }

Sha256::~Sha256() = default;

void Sha256::Add(std::string_view data) {
    if (EVP_DigestUpdate(context_->md, data.data(), data.size()) != 1)
        throw std::runtime_error("libcrypto could not digest the data");
}

std::string Sha256::HexDigest() {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->md, digest, &length) != 1)
        throw std::runtime_error("libcrypto could not finish the digest");
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0x0F];
    }
    context_->Begin();
    return hex;
}

std::string Sha256::Of(std::string_view data) {
    Sha256 sha;
    sha.Add(data);
    return sha.HexDigest();
}

}  // namespace qv::media
