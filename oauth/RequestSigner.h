// SPDX-License-Identifier: GPL-3.0-or-later
// OAuth 1.0a request signing with HMAC-SHA1 (RFC 5849 section 3): the
// signature base string over the method, the base URI and every parameter
// (the query's, an urlencoded body's and the protocol's own), and the
// Authorization header that carries the signature.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Status.h"
#include "oauth/PercentEncoding.h"

namespace qv::oauth {

// The application's key (the API key) and secret.
struct ClientCredentials {
    std::string key;
    std::string secret;
};

// A temporary or an access token and its secret.
struct TokenCredentials {
    std::string token;
    std::string secret;
};

struct SigningInput {
    std::string method;  // "GET", "POST"
    // Absolute, percent-encoded as it will be sent, query included.
    std::string url;
    // The fields of an application/x-www-form-urlencoded body; none for other bodies.
    Parameters formFields;
    ClientCredentials client;
    std::optional<TokenCredentials> token;
    // Protocol parameters of the step: oauth_callback, oauth_verifier.
    Parameters protocol;
    std::string nonce;
    std::int64_t timestamp = 0;
    // Named first in the header and never signed; "" names none.
    std::string realm;
    // oauth_version="1.0"; optional in the protocol, and absent from RFC 5849's examples.
    bool withVersion = true;
};

struct SignedRequest {
    std::string baseString;
    std::string signature;      // base64
    std::string authorization;  // the Authorization header's value: "OAuth ..."
};

// Usage when the URL is no absolute http or https address or carries user
// information; Unavailable when no nonce was given.
Result<SignedRequest> SignRequest(const SigningInput& input);

// Base64 of HMAC-SHA1 over `text` with the key "clientSecret&tokenSecret", each part percent-encoded.
std::string HmacSha1Signature(std::string_view text, std::string_view clientSecret, std::string_view tokenSecret);

using NonceSource = std::function<std::string()>;
using TimeSource = std::function<std::int64_t()>;
// 128 random bits in hex; "" when the system has no random numbers to give.
std::string FreshNonce();
std::int64_t UnixTimeNow();

// Signs one request after another with the same credentials, a fresh nonce and the time of signing.
class RequestSigner {
public:
    RequestSigner(ClientCredentials client, std::optional<TokenCredentials> token, NonceSource nonce = {},
                  TimeSource now = {});

    // The Authorization header's value for the request.
    Result<std::string> Authorization(std::string_view method, std::string_view url, const Parameters& formFields = {},
                                      const Parameters& protocol = {}) const;

private:
    ClientCredentials client_;
    std::optional<TokenCredentials> token_;
    NonceSource nonce_;
    TimeSource now_;
};

}  // namespace qv::oauth
