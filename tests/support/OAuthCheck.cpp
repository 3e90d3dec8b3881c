// SPDX-License-Identifier: GPL-3.0-or-later
#include "OAuthCheck.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <vector>

namespace qv::test {

namespace {

std::string Encode(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        }
    }
    return out;
}

std::string Decode(const std::string& text, bool plus) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += plus && text[i] == '+' ? ' ' : text[i];
        }
    }
    return out;
}

void AddForm(std::vector<std::pair<std::string, std::string>>& into, const std::string& form) {
    std::size_t begin = 0;
    while (begin <= form.size() && !form.empty()) {
        std::size_t end = form.find('&', begin);
        if (end == std::string::npos) end = form.size();
        const std::string pair = form.substr(begin, end - begin);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            into.emplace_back(Decode(pair.substr(0, equals), true),
                              equals == std::string::npos ? "" : Decode(pair.substr(equals + 1), true));
        }
        begin = end + 1;
    }
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

OAuthVerdict OAuthCheck::Parse(const HttpExchange& exchange) const {
    OAuthVerdict verdict;
    const auto header = exchange.Header("Authorization");
    if (!header || header->rfind("OAuth ", 0) != 0) {
        verdict.refusal = "no OAuth Authorization header";
        return verdict;
    }
    std::string rest = header->substr(6);
    std::size_t begin = 0;
    while (begin < rest.size()) {
        std::size_t end = rest.find(',', begin);
        if (end == std::string::npos) end = rest.size();
        const std::string item = Trim(rest.substr(begin, end - begin));
        begin = end + 1;
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos || item.size() < equals + 3 || item[equals + 1] != '"' || item.back() != '"') {
            verdict.refusal = "a header parameter is not name=\"value\": " + item;
            return verdict;
        }
        const std::string name = Decode(item.substr(0, equals), false);
        if (name == "realm") continue;
        if (!verdict.parameters.emplace(name, Decode(item.substr(equals + 2, item.size() - equals - 3), false)).second) {
            verdict.refusal = "a header parameter comes twice: " + name;
            return verdict;
        }
    }
    return verdict;
}

OAuthVerdict OAuthCheck::Verify(OAuthVerdict verdict, const HttpExchange& exchange,
                                const std::optional<std::string>& tokenSecret) {
    auto& p = verdict.parameters;
    const auto has = [&](const char* name) { return p.count(name) != 0; };
    for (const char* required : {"oauth_consumer_key", "oauth_signature_method", "oauth_timestamp", "oauth_nonce",
                                 "oauth_signature"}) {
        if (!has(required)) {
            verdict.refusal = std::string("missing ") + required;
            return verdict;
        }
    }
    if (p["oauth_consumer_key"] != consumerKey_) {
        verdict.refusal = "unknown consumer key";
        return verdict;
    }
    if (p["oauth_signature_method"] != "HMAC-SHA1" || (has("oauth_version") && p["oauth_version"] != "1.0")) {
        verdict.refusal = "not HMAC-SHA1 of OAuth 1.0";
        return verdict;
    }
    if (!tokenSecret) {
        verdict.refusal = "unknown token";
        return verdict;
    }
    const long long now = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
    long long timestamp = 0;
    try {
        timestamp = std::stoll(p["oauth_timestamp"]);
    } catch (const std::exception&) {
        verdict.refusal = "timestamp is no number";
        return verdict;
    }
    if (timestamp < now - 600 || timestamp > now + 600) {
        verdict.refusal = "timestamp too far from now";
        return verdict;
    }

    // Every parameter but the signature: the query's, a form body's, the header's.
    std::vector<std::pair<std::string, std::string>> all;
    const std::size_t question = exchange.target.find('?');
    if (question != std::string::npos) AddForm(all, exchange.target.substr(question + 1));
    const auto type = exchange.Header("Content-Type");
    if (type && type->rfind("application/x-www-form-urlencoded", 0) == 0) AddForm(all, exchange.body);
    for (const auto& [name, value] : p)
        if (name != "oauth_signature") all.emplace_back(name, value);
    for (auto& [name, value] : all) {
        name = Encode(name);
        value = Encode(value);
    }
    std::sort(all.begin(), all.end());
    std::string joined;
    for (const auto& [name, value] : all) joined += (joined.empty() ? "" : "&") + name + "=" + value;
    std::string host = exchange.Header("Host").value_or("");
    std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
    const std::string uri = "http://" + host + exchange.target.substr(0, question);
    const std::string base = exchange.method + "&" + Encode(uri) + "&" + Encode(joined);
    const std::string key = Encode(consumerSecret_) + "&" + Encode(*tokenSecret);

    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(base.data()),
         base.size(), digest, &length);
    unsigned char encoded[64];
    const int encodedLength = EVP_EncodeBlock(encoded, digest, static_cast<int>(length));
    if (std::string(reinterpret_cast<char*>(encoded), static_cast<std::size_t>(encodedLength)) != p["oauth_signature"]) {
        verdict.refusal = "signature does not match; base string was " + base;
        return verdict;
    }
    if (!nonces_.insert(p["oauth_timestamp"] + "/" + p["oauth_nonce"]).second) {
        verdict.refusal = "nonce used before";
        return verdict;
    }
    verdict.valid = true;
    return verdict;
}

}  // namespace qv::test
