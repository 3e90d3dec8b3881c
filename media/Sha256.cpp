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

std::array<unsigned char, 32> Sha256::Digest() {
    std::array<unsigned char, 32> digest{};
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context_->md, digest.data(), &length) != 1 || length != digest.size())
        throw std::runtime_error("libcrypto could not finish the digest");
    context_->Begin();
    return digest;
}

std::string Sha256::HexDigest() {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const unsigned char byte : Digest()) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0x0F];
    }
    return hex;
}

std::string Sha256::Of(std::string_view data) {
    Sha256 sha;
    sha.Add(data);
    return sha.HexDigest();
}

}  // namespace qv::media
