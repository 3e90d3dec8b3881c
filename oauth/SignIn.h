// SPDX-License-Identifier: GPL-3.0-or-later
// Signing in to the service with OAuth 1.0a's three legs, from a desktop:
// temporary credentials for a callback to a one-shot listener on this
// machine, the service's authorize page in the user's browser, the access
// token for the verifier the browser brings back, and the user's name.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "Status.h"
#include "oauth/RequestSigner.h"
#include "oauth/ServiceExchange.h"

namespace qv::oauth {

struct SignInRequest {
    std::string oauthBase = "https://www.tumblr.com";  // /oauth/request_token, /authorize, /access_token
    std::string apiBase = "https://api.tumblr.com";    // /v2/user/info
    ClientCredentials client;
    // Shows the authorize address to the user: the desktop's browser
    // ($BROWSER, xdg-open). It should return once the browser is asked, not
    // when the user is done; the sign-in waits for the browser's callback.
    std::function<void(const std::string& authorizeUrl)> opener;
    std::chrono::milliseconds waitLimit = std::chrono::minutes(5);
    // Asked a few times a second while the browser is waited for.
    std::function<bool()> cancelled;
    Connection connection;
    // Empty: fresh nonces and the system's clock.
    NonceSource nonce;
    TimeSource now;
};

struct SignedInUser {
    std::string token;
    std::string secret;
    std::string name;
};

// Failures by kind: Usage (no key or secret, an address that may not be
// used), Wall (the service refused the application or the token, or the user
// declined in the browser), Timeout (no callback within the wait limit, or a
// silent service), Cancelled, NotBlogXml (an answer that is not what the
// protocol says), and those of the requests themselves.
Result<SignedInUser> SignIn(const SignInRequest& request);

}  // namespace qv::oauth
