// SPDX-License-Identifier: GPL-3.0-or-later
// The environment variables in which quillvault-cli takes passwords and the
// v2 API's keys and tokens, and in which the Library hands them to it: a
// secret on a command line would show in the process list.
#pragma once

namespace qv {

inline constexpr const char* kPasswordVariable = "QUILLVAULT_PASSWORD";            // the account's (-e)
inline constexpr const char* kBlogPasswordVariable = "QUILLVAULT_BLOG_PASSWORD";   // a protected blog's
inline constexpr const char* kProxyPasswordVariable = "QUILLVAULT_PROXY_PASSWORD"; // the proxy user's (--proxy)
// The v2 API: the application's key and secret, the signed-in user's token and its secret.
inline constexpr const char* kApiKeyVariable = "QUILLVAULT_API_KEY";
inline constexpr const char* kApiSecretVariable = "QUILLVAULT_API_SECRET";
inline constexpr const char* kOAuthTokenVariable = "QUILLVAULT_OAUTH_TOKEN";
inline constexpr const char* kOAuthTokenSecretVariable = "QUILLVAULT_OAUTH_TOKEN_SECRET";

}  // namespace qv
