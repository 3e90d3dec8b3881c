// SPDX-License-Identifier: GPL-3.0-or-later
// Which of the service's APIs a run reads the blog through, and what its v2
// API needs: the addresses, the application's key and secret, the signed-in
// user's token and which listings to add. None of it is ever written into the
// backup, its journal or the Library's list.
#pragma once

#include <string>

namespace qv {

enum class Reader {
    ReadApi,  // the XML read API, as anonymous readers (or the account) see the blog
    V2,       // the v2 API with the application's key, signed when a token is given
    // The read API, and the v2 API once the read API meets a wall, when a key is given.
    Auto,
};

struct V2Access {
    std::string apiBase = "https://api.tumblr.com";
    std::string oauthBase = "https://www.tumblr.com";
    std::string key;     // the application's: the API key
    std::string secret;  // the application's consumer secret
    std::string token;   // the signed-in user's access token and its secret
    std::string tokenSecret;
    // The blog's own drafts and queue, after its posts (signed reads of one's own blog).
    bool drafts = false;
    bool queue = false;
    // The posts the blog liked instead of its own.
    bool likes = false;

    bool HasKey() const { return !key.empty(); }
    // Every request is signed: the application's pair and the user's.
    bool Signed() const { return !key.empty() && !secret.empty() && !token.empty() && !tokenSecret.empty(); }
};

}  // namespace qv
