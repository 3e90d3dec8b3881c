// SPDX-License-Identifier: GPL-3.0-or-later
// The service's side of OAuth 1.0a: a request's Authorization header checked
// as RFC 5849 says a server checks it, written apart from the client's signer
// so that the two cannot share a mistake.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "LoopbackServer.h"

namespace qv::test {

struct OAuthVerdict {
    bool valid = false;
    std::string refusal;  // why not, for a 401's words and the tests
    std::map<std::string, std::string> parameters;  // the header's oauth_* parameters, decoded
};

class OAuthCheck {
public:
    OAuthCheck(std::string consumerKey, std::string consumerSecret)
        : consumerKey_(std::move(consumerKey)), consumerSecret_(std::move(consumerSecret)) {}

    // Whether `exchange` carries a valid signature by the consumer and, when
    // it names a token, by that token's secret (`tokenSecret` finds it; none:
    // unknown). A nonce is good once; the time within ten minutes of now.
    template <typename FindSecret>
    OAuthVerdict Check(const HttpExchange& exchange, FindSecret tokenSecret);

private:
    OAuthVerdict Parse(const HttpExchange& exchange) const;
    OAuthVerdict Verify(OAuthVerdict verdict, const HttpExchange& exchange,
                        const std::optional<std::string>& tokenSecret);

    std::string consumerKey_;
    std::string consumerSecret_;
    std::set<std::string> nonces_;
};

template <typename FindSecret>
OAuthVerdict OAuthCheck::Check(const HttpExchange& exchange, FindSecret tokenSecret) {
    OAuthVerdict verdict = Parse(exchange);
    if (!verdict.refusal.empty()) return verdict;
    std::optional<std::string> secret = std::string();
    if (const auto token = verdict.parameters.find("oauth_token"); token != verdict.parameters.end())
        secret = tokenSecret(token->second);
    return Verify(std::move(verdict), exchange, secret);
}

}  // namespace qv::test
