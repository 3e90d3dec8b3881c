// SPDX-License-Identifier: GPL-3.0-or-later
// The environment variables in which quillvault-cli takes passwords, and in
// which the Library hands them to it: a password on a command line would
// show in the process list.
#pragma once

namespace qv {

inline constexpr const char* kPasswordVariable = "QUILLVAULT_PASSWORD";            // the account's (-e)
inline constexpr const char* kBlogPasswordVariable = "QUILLVAULT_BLOG_PASSWORD";   // a protected blog's
inline constexpr const char* kProxyPasswordVariable = "QUILLVAULT_PROXY_PASSWORD"; // the proxy user's (--proxy)

}  // namespace qv
