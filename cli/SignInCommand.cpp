// SPDX-License-Identifier: GPL-3.0-or-later
#include "SignInCommand.h"

#include <CLI/CLI.hpp>

#include "ApiOptions.h"
#include "Application.h"
#include "BrowserOpener.h"
#include "CliEvents.h"
#include "CommonOptions.h"
#include "Interrupt.h"
#include "PasswordVariables.h"
#include "keyring/Keyring.h"
#include "oauth/SignIn.h"

namespace qv::cli {

namespace {

// A token as the shell reads it back, whatever it holds.
std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// What the next runs need, where they look with --keyring.
Status Keep(const V2Access& access, const oauth::SignedInUser& user) {
    const std::pair<keyring::Secret, const std::string*> secrets[] = {
        {keyring::Secret::ApiKey, &access.key},
        {keyring::Secret::ApiSecret, &access.secret},
        {keyring::Secret::AccessToken, &user.token},
        {keyring::Secret::AccessTokenSecret, &user.secret},
    };
    for (const auto& [which, value] : secrets)
        if (Status stored = keyring::Store("", "", which, *value); !stored.ok()) return stored;
    return Status::Ok();
}

}  // namespace

void DeclareSignInOptions(CLI::App& app, SignInOptions& options, OutputChoice& output) {
    app.set_help_flag("-h,--help", "Print this help and exit");
    AddJsonFlag(app, output);
    app.add_flag("--keyring", options.keyring,
                 "Keep the token, with the application's key and secret, in the desktop's keyring, where "
                 "--keyring reads them (the default)");
    app.add_flag("--print", options.print,
                 "Print the token as export lines for " + std::string(kOAuthTokenVariable) + " and " +
                     kOAuthTokenSecretVariable + " instead of keeping it");
    DeclareApiAccessOptions(app, options.api, options.access);
}

Status TakeSignInOptions(SignInOptions& options, const EnvironmentReader& environment) {
    if (options.keyring && options.print)
        return Status(StatusKind::Usage, "--keyring and --print exclude each other").RetryWontHelp();
    return TakeApiOptions(options.api, environment, options.access, nullptr);
}

int RunSignInCommand(SignInOptions options, std::ostream& out, Output& output) {
    StopSignal::Install();
    output.SignInStarted();
    V2Access& access = options.access;
    // Known before the browser is asked: where the token could not be kept.
    const bool keyringThere = keyring::Available();
    if (!options.print && !keyringThere) {
        const Status none(StatusKind::Unavailable,
                          "No keyring answers on the session bus to keep the token in: use 'sign-in --print' "
                          "and the environment instead.");
        output.SignInEnded("", none);
        return ExitStatusFor(none);
    }
    // The key and secret may be where an earlier sign-in kept them.
    if ((access.key.empty() || access.secret.empty()) && keyringThere) {
        const std::string token = access.token, tokenSecret = access.tokenSecret;
        if (Status read = ReadApiKeyring(access); !read.ok()) {
            output.SignInEnded("", read);
            return ExitStatusFor(read);
        }
        access.token = token;
        access.tokenSecret = tokenSecret;
    }
    if (access.key.empty() || access.secret.empty()) {
        const Status missing(StatusKind::Usage, "signing in needs the application's key and secret: set " +
                                                    std::string(kApiKeyVariable) + " and " +
                                                    kApiSecretVariable +
                                                    ", or use --api-key-file and --api-secret-file");
        output.SignInEnded("", missing);
        return ExitStatusFor(missing);
    }

    oauth::SignInRequest request;
    request.oauthBase = access.oauthBase;
    request.apiBase = access.apiBase;
    request.client = {access.key, access.secret};
    request.connection.userAgent = HttpRequest::MakeUserAgent(App());
    request.cancelled = StopSignal::Requested;
    request.opener = [&output](const std::string& url) {
        output.Notice("To sign in, open this address in a browser (it is being opened): " + url);
        if (Status opened = OpenInBrowser(url, ProcessEnvironment()); !opened.ok())
            output.Warning(opened.text());
    };
    const Result<oauth::SignedInUser> user = oauth::SignIn(request);
    if (!user) {
        const Status failed = StopSignal::Requested()
                                  ? Status(StatusKind::Cancelled, "Signing in was stopped.")
                                  : user.status();
        output.SignInEnded("", failed);
        return ExitStatusFor(failed);
    }
    if (!options.print) {
        if (Status kept = Keep(access, *user); !kept.ok()) {
            const Status failed(
                kept.Is(StatusKind::Cancelled) ? StatusKind::Cancelled : StatusKind::Unavailable,
                "Signed in as " + user->name + ", but the token could not be kept: " + kept.text() +
                    " ('sign-in --print' prints it instead.)");
            output.SignInEnded("", failed);
            return ExitStatusFor(failed);
        }
    }
    output.SignInEnded(user->name, Status::Ok());
    if (options.print) {
        // Lines the shell can read back as they are: eval "$(quillvault-cli sign-in --print)".
        out << "export " << kOAuthTokenVariable << "=" << ShellQuoted(user->token) << "\n"
            << "export " << kOAuthTokenSecretVariable << "=" << ShellQuoted(user->secret) << "\n"
            << "# Signed in as " << user->name << ".\n";
    } else {
        out << "Signed in as " << user->name << ".\n";
    }
    out << std::flush;
    return kExitSuccess;
}

}  // namespace qv::cli
