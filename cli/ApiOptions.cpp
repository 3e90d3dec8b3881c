// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApiOptions.h"

#include <CLI/CLI.hpp>

#include "PasswordVariables.h"
#include "keyring/Keyring.h"
#include "oauth/ServiceExchange.h"

namespace qv::cli {

namespace {

Status Refused(const std::string& why) { return Status(StatusKind::Usage, why).RetryWontHelp(); }

std::string WhereTheKeyGoes() {
    return "set " + std::string(kApiKeyVariable) + ", use --api-key-file, or --keyring";
}

// From its file, else from the environment, unless it is known already.
Status Take(std::string& into, const std::string& file, const char* variable,
            const EnvironmentReader& environment, const char* what) {
    if (!file.empty()) {
        Result<std::string> read = ReadSecretFile(file, what);
        if (!read) return Refused(read.status().text());
        into = std::move(*read);
    } else if (auto value = environment(variable)) {
        into = *value;
    }
    return Status::Ok();
}

// Looks up one secret where none is known yet; NotFound leaves it so.
Status Lookup(std::string& into, keyring::Secret which) {
    if (!into.empty()) return Status::Ok();
    Result<std::string> found = keyring::Lookup("", "", which);
    if (found) {
        into = std::move(*found);
    } else if (!found.status().Is(StatusKind::NotFound)) {
        return found.status();
    }
    return Status::Ok();
}

}  // namespace

void DeclareApiAccessOptions(CLI::App& app, ApiArguments& arguments, V2Access& access) {
    app.add_option("--api-key-file", arguments.keyFile,
                   "Read the application's API key for the v2 API from FILE (or set " +
                       std::string(kApiKeyVariable) + ")")
        ->type_name("FILE");
    app.add_option("--api-secret-file", arguments.secretFile,
                   "Read the application's secret, for signed requests, from FILE (or set " +
                       std::string(kApiSecretVariable) + ")")
        ->type_name("FILE");
    app.add_option("--api-base", access.apiBase,
                   "The v2 API's address (https; plain http to this machine only)")
        ->type_name("URL")
        ->capture_default_str();
    app.add_option("--oauth-base", access.oauthBase,
                   "The address signing in goes to (https; plain http to this machine only)")
        ->type_name("URL")
        ->capture_default_str();
}

void DeclareReaderOptions(CLI::App& app, ApiArguments& arguments, V2Access& access) {
    app.add_option(
           "--api", arguments.api,
           "Read the blog through the read API (v1), the v2 API with the application's key (v2), or the "
           "read API and, at a login, safe-mode or consent wall, the v2 API when a key is given (auto)")
        ->check(CLI::IsMember({"v1", "v2", "auto"}))
        ->capture_default_str();
    app.add_flag("--drafts", access.drafts,
                 "With the v2 API, signed in: add the blog's drafts (state=\"draft\")");
    app.add_flag("--queue", access.queue,
                 "With the v2 API, signed in: add the blog's queued posts (state=\"queued\")");
}

Status TakeApiOptions(const ApiArguments& arguments, const EnvironmentReader& environment, V2Access& access,
                      Reader* reader) {
    if (reader) {
        *reader = arguments.api == "v1" ? Reader::ReadApi : arguments.api == "v2" ? Reader::V2 : Reader::Auto;
        if (*reader == Reader::ReadApi && (access.drafts || access.queue))
            return Refused("--drafts and --queue are read through the v2 API, not with --api v1");
        // Drafts and the queue are in the v2 API alone.
        if (*reader == Reader::Auto && (access.drafts || access.queue)) *reader = Reader::V2;
    }
    if (Status taken = Take(access.key, arguments.keyFile, kApiKeyVariable, environment, "key file");
        !taken.ok())
        return taken;
    if (Status taken =
            Take(access.secret, arguments.secretFile, kApiSecretVariable, environment, "secret file");
        !taken.ok())
        return taken;
    const std::optional<std::string> token = environment(kOAuthTokenVariable);
    const std::optional<std::string> tokenSecret = environment(kOAuthTokenSecretVariable);
    if (token.has_value() != tokenSecret.has_value())
        return Refused("a signed-in user's token needs both " + std::string(kOAuthTokenVariable) + " and " +
                       kOAuthTokenSecretVariable);
    if (token) {
        access.token = *token;
        access.tokenSecret = *tokenSecret;
    }
    for (const std::string* base : {&access.apiBase, &access.oauthBase}) {
        if (Status usable = oauth::CheckServiceAddress(*base); !usable.ok()) {
            std::string why = usable.text();
            if (why.ends_with('.')) why.pop_back();
            return Refused(why);
        }
    }
    return Status::Ok();
}

Status ReadApiKeyring(V2Access& access) {
    const std::pair<std::string*, keyring::Secret> secrets[] = {
        {&access.key, keyring::Secret::ApiKey},
        {&access.secret, keyring::Secret::ApiSecret},
        {&access.token, keyring::Secret::AccessToken},
        {&access.tokenSecret, keyring::Secret::AccessTokenSecret},
    };
    for (const auto& [into, which] : secrets)
        if (Status found = Lookup(*into, which); !found.ok()) return found;
    return Status::Ok();
}

Status CheckApiRequest(const BackupOptions& request) {
    const V2Access& access = request.v2;
    if (request.reader == Reader::ReadApi) return Status::Ok();
    // A token without the application's secret would quietly read unsigned.
    if (!access.token.empty() && access.secret.empty())
        return Refused("the signed-in user's token signs only with the application's secret: set " +
                       std::string(kApiSecretVariable) + ", use --api-secret-file, or --keyring");
    if (request.reader != Reader::V2) return Status::Ok();
    if (!access.HasKey()) return Refused("the v2 API needs the application's key: " + WhereTheKeyGoes());
    const bool ownListings = access.drafts || access.queue;
    if (ownListings && !access.Signed())
        return Refused(
            "--drafts and --queue need a signed-in user: run 'quillvault-cli sign-in', then use "
            "--keyring, or set " +
            std::string(kOAuthTokenVariable) + " and " + kOAuthTokenSecretVariable +
            " with the application's secret in " + kApiSecretVariable);
    return Status::Ok();
}

std::string V2Hint() {
    return "The service's v2 API may read it: give the application's key (" + WhereTheKeyGoes() +
           ") and --api v2 or auto, and sign in (quillvault-cli sign-in) for blogs shown to signed-in "
           "readers.";
}

}  // namespace qv::cli
