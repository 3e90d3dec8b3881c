// SPDX-License-Identifier: GPL-3.0-or-later
#include "oauth/RequestSigner.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <utility>

namespace qv::oauth {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::tolower(c); });
    return out;
}

struct BaseUri {
    std::string uri;    // scheme://host[:port]/path, section 3.4.1.2
    std::string query;  // without '?'
};

Result<BaseUri> SplitUrl(std::string_view url) {
    const auto refuse = [&](const char* why) {
        return Status(StatusKind::Usage, "\"" + std::string(url) + "\" cannot be signed: " + why + ".").RetryWontHelp();
    };
    const std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos) return refuse("it is no absolute address");
    const std::string scheme = Lower(url.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https") return refuse("only http and https are signed");
    std::string_view rest = url.substr(schemeEnd + 3);
    rest = rest.substr(0, rest.find('#'));
    const std::size_t authorityEnd = rest.find_first_of("/?");
    const std::string_view authority = rest.substr(0, authorityEnd);
    if (authority.empty() || authority.find('@') != std::string_view::npos)
        return refuse("it names no host, or carries user information");

    std::string_view host = authority;
    std::string_view portText;
    const std::size_t bracket = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
        host = authority.substr(0, colon);
        portText = authority.substr(colon + 1);
    }
    int port = scheme == "https" ? 443 : 80;
    if (!portText.empty()) {
        const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
        if (error != std::errc() || end != portText.data() + portText.size() || port < 1 || port > 65535)
            return refuse("its port is no number from 1 to 65535");
    }
    if (host.empty()) return refuse("it names no host");
    const bool defaultPort = port == (scheme == "https" ? 443 : 80);

    BaseUri base;
    std::string_view path = authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    const std::size_t question = path.find('?');
    if (question != std::string_view::npos) {
        base.query = std::string(path.substr(question + 1));
        path = path.substr(0, question);
    }
    base.uri = scheme + "://" + Lower(host) + (defaultPort ? "" : ":" + std::to_string(port)) +
               (path.empty() ? std::string("/") : std::string(path));
    return base;
}

std::string Base64(const unsigned char* data, int size) {
    std::string out(static_cast<std::size_t>(4 * ((size + 2) / 3)), '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data, size);
    out.resize(static_cast<std::size_t>(std::max(written, 0)));
    return out;
}

}  // namespace

std::string HmacSha1Signature(std::string_view text, std::string_view clientSecret, std::string_view tokenSecret) {
    const std::string key = PercentEncode(clientSecret) + "&" + PercentEncode(tokenSecret);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), reinterpret_cast<const unsigned char*>(text.data()),
         text.size(), digest, &length);
    return Base64(digest, static_cast<int>(length));
}

Result<SignedRequest> SignRequest(const SigningInput& input) {
    if (input.nonce.empty())
        return Status(StatusKind::Unavailable, "No random numbers were to be had for signing the request.");
    Result<BaseUri> base = SplitUrl(input.url);
    if (!base) return base.status();

    Parameters oauth = {{"oauth_consumer_key", input.client.key},
                        {"oauth_nonce", input.nonce},
                        {"oauth_signature_method", "HMAC-SHA1"},
                        {"oauth_timestamp", std::to_string(input.timestamp)}};
    if (input.token) oauth.emplace_back("oauth_token", input.token->token);
    if (input.withVersion) oauth.emplace_back("oauth_version", "1.0");
    oauth.insert(oauth.end(), input.protocol.begin(), input.protocol.end());

    // Section 3.4.1.3.2: every parameter encoded, sorted by name and then by value, joined.
    std::vector<std::pair<std::string, std::string>> encoded;
    const auto add = [&](const Parameters& parameters) {
        for (const auto& [name, value] : parameters) encoded.emplace_back(PercentEncode(name), PercentEncode(value));
    };
    add(ParseFormEncoded(base->query));
    add(input.formFields);
    add(oauth);
    std::sort(encoded.begin(), encoded.end());
    std::string normalized;
    for (const auto& [name, value] : encoded) {
        if (!normalized.empty()) normalized += '&';
        normalized += name + "=" + value;
    }

    SignedRequest signedRequest;
    std::string method = input.method;
    std::transform(method.begin(), method.end(), method.begin(), [](unsigned char c) { return std::toupper(c); });
    signedRequest.baseString = method + "&" + PercentEncode(base->uri) + "&" + PercentEncode(normalized);
    signedRequest.signature = HmacSha1Signature(signedRequest.baseString, input.client.secret,
                                                input.token ? input.token->secret : std::string());

    oauth.emplace_back("oauth_signature", signedRequest.signature);
    std::sort(oauth.begin(), oauth.end());
    std::string& header = signedRequest.authorization;
    header = "OAuth ";
    if (!input.realm.empty()) header += "realm=\"" + PercentEncode(input.realm) + "\", ";
    for (std::size_t i = 0; i < oauth.size(); ++i) {
        if (i > 0) header += ", ";
        header += PercentEncode(oauth[i].first) + "=\"" + PercentEncode(oauth[i].second) + "\"";
    }
    return signedRequest;
}

std::string FreshNonce() {
    unsigned char bytes[16];
    if (RAND_bytes(bytes, sizeof bytes) != 1) return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string nonce;
    for (const unsigned char byte : bytes) {
        nonce += kHex[byte >> 4];
        nonce += kHex[byte & 0x0F];
    }
    return nonce;
}

std::int64_t UnixTimeNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

RequestSigner::RequestSigner(ClientCredentials client, std::optional<TokenCredentials> token, NonceSource nonce,
                             TimeSource now)
    : client_(std::move(client)),
      token_(std::move(token)),
      nonce_(nonce ? std::move(nonce) : NonceSource(FreshNonce)),
      now_(now ? std::move(now) : TimeSource(UnixTimeNow)) {}

Result<std::string> RequestSigner::Authorization(std::string_view method, std::string_view url,
                                                 const Parameters& formFields, const Parameters& protocol) const {
    SigningInput input;
    input.method = std::string(method);
    input.url = std::string(url);
    input.formFields = formFields;
    input.client = client_;
    input.token = token_;
    input.protocol = protocol;
    input.nonce = nonce_();
    input.timestamp = now_();
    Result<SignedRequest> signedRequest = SignRequest(input);
    if (!signedRequest) return signedRequest.status();
    return std::move(signedRequest->authorization);
}

}  // namespace qv::oauth
