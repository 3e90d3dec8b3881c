// SPDX-License-Identifier: GPL-3.0-or-later
#include "oauth/SignIn.h"

#include <optional>

#include "apiv2/BlogInfo.h"
#include "oauth/CallbackListener.h"

namespace qv::oauth {

namespace {

std::string WithoutTrailingSlash(std::string base) {
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

std::optional<std::string> Value(const Parameters& parameters, const std::string& name) {
    for (const auto& [key, value] : parameters)
        if (key == name) return value;
    return std::nullopt;
}

Status BadAnswer(const std::string& step, const std::string& what) {
    return Status(StatusKind::NotBlogXml, "The service's answer to " + step + " is not what OAuth expects: " + what + ".");
}

// Token and secret from a form-encoded answer of the temporary-credentials
// or the access-token endpoint.
Result<TokenCredentials> ReadToken(const std::string& body, const std::string& step, bool confirmCallback) {
    const Parameters fields = ParseFormEncoded(body);
    const auto token = Value(fields, "oauth_token");
    const auto secret = Value(fields, "oauth_token_secret");
    if (!token || token->empty() || !secret) return BadAnswer(step, "no oauth_token and oauth_token_secret");
    if (confirmCallback && Value(fields, "oauth_callback_confirmed") != "true")
        return BadAnswer(step, "the callback is not confirmed");
    return TokenCredentials{*token, *secret};
}

}  // namespace

Result<SignedInUser> SignIn(const SignInRequest& request) {
    if (request.client.key.empty() || request.client.secret.empty())
        return Status(StatusKind::Usage, "Signing in needs the application's key and secret.").RetryWontHelp();
    for (const std::string& base : {request.oauthBase, request.apiBase})
        if (Status usable = CheckServiceAddress(base); !usable.ok()) return usable;
    const std::string oauthBase = WithoutTrailingSlash(request.oauthBase);
    const std::string apiBase = WithoutTrailingSlash(request.apiBase);

    Result<std::unique_ptr<CallbackListener>> listener = CallbackListener::Open();
    if (!listener) return listener.status();
    HttpRequest http;
    const auto signedCall = [&](const RequestSigner& signer, const std::string& method, const std::string& url,
                                const Parameters& protocol) -> ServiceAnswer {
        Result<std::string> authorization = signer.Authorization(method, url, {}, protocol);
        if (!authorization) return {authorization.status(), 0, {}, {}};
        ServiceCall call{method, url, {"Authorization: " + *authorization}, {}, {}};
        if (method == "POST") call.contentType = "application/x-www-form-urlencoded";
        return Exchange(http, call, request.connection);
    };

    // 1. Temporary credentials, for a callback to our listener.
    const RequestSigner application(request.client, std::nullopt, request.nonce, request.now);
    ServiceAnswer answer = signedCall(application, "POST", oauthBase + "/oauth/request_token",
                                      {{"oauth_callback", (*listener)->CallbackUrl()}});
    if (!answer.status.ok()) return answer.status.Within("Asking the service to sign in: ");
    Result<TokenCredentials> temporary = ReadToken(answer.body, "the sign-in request", true);
    if (!temporary) return temporary.status();

    // 2. The user grants access in the browser, which comes back with a verifier.
    if (request.opener) request.opener(oauthBase + "/oauth/authorize?oauth_token=" + PercentEncode(temporary->token));
    bool declined = false;
    Result<Parameters> callback = (*listener)->Wait(
        std::chrono::steady_clock::now() + request.waitLimit, request.cancelled,
        [&](const Parameters& query) -> std::optional<std::string> {
            const auto token = Value(query, "oauth_token");
            if (token && *token != temporary->token) return std::nullopt;
            const auto verifier = Value(query, "oauth_verifier");
            declined = !verifier || verifier->empty();
            return declined ? "Quillvault was not given access. You can close this window."
                            : "Quillvault is signed in. You can close this window.";
        });
    if (!callback) return callback.status();
    if (declined)
        return Status(StatusKind::Wall, "The sign-in was declined in the browser: Quillvault was not given access.")
            .RetryWontHelp();

    // 3. The access token for the verifier.
    const RequestSigner temporarySigner(request.client, *temporary, request.nonce, request.now);
    answer = signedCall(temporarySigner, "GET", oauthBase + "/oauth/access_token",
                        {{"oauth_verifier", *Value(*callback, "oauth_verifier")}});
    if (!answer.status.ok()) return answer.status.Within("Asking the service for the access token: ");
    Result<TokenCredentials> access = ReadToken(answer.body, "the access-token request", false);
    if (!access) return access.status();

    // 4. Whose token it is.
    const RequestSigner user(request.client, *access, request.nonce, request.now);
    answer = signedCall(user, "GET", apiBase + "/v2/user/info", {});
    if (!answer.status.ok()) return answer.status.Within("Asking the service who signed in: ");
    Result<std::string> name = apiv2::ReadUserName(answer.body);
    if (!name) return name.status();
    return SignedInUser{access->token, access->secret, *name};
}

}  // namespace qv::oauth
