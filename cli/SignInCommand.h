// SPDX-License-Identifier: GPL-3.0-or-later
// quillvault-cli sign-in: signs the user in to the service in the browser
// (OAuth 1.0a), so that the v2 API reads what the user may read, and keeps
// the token in the desktop's keyring (--keyring, the default) or prints it
// for the environment (--print).
#pragma once

#include <ostream>

#include "CommandLine.h"
#include "Output.h"
#include "ServiceApi.h"

namespace CLI {
class App;
}

namespace qv::cli {

struct SignInOptions {
    ApiArguments api;
    V2Access access;
    bool keyring = false;
    bool print = false;
};

void DeclareSignInOptions(CLI::App& app, SignInOptions& options, OutputChoice& output);
// The key and secret as given; Usage when the addresses can't be used.
Status TakeSignInOptions(SignInOptions& options, const EnvironmentReader& environment);
// 0 signed in, 1 failed, 130 stopped.
int RunSignInCommand(SignInOptions options, std::ostream& out, Output& output);

}  // namespace qv::cli
