// SPDX-License-Identifier: GPL-3.0-or-later
// What every request for a page of the read API has in common, whether it is
// sent when the page is due or ahead of time: the form, the target and how a
// redirect moves it, and what the service's walls mean.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "Http.h"
#include "modTumblrInteraction.h"

namespace qv::page {

inline constexpr int kTimeoutMs = 30000;
// A server that keeps redirecting (to itself, or in a circle) would otherwise
// keep an unattended run going for ever.
inline constexpr int kMaxRedirects = 50;
inline constexpr int kBlockSize = 10240;
inline constexpr const char* kReadApiPath = "/api/read";

// The proxy set up in the window, read afresh for every attempt.
std::shared_ptr<ProxySettings> FreshProxySettings();

// Where the next attempt for a page goes: the blog's address, moved by 301s.
struct Target {
    explicit Target(std::string groupAddress);

    std::string groupAddress;
    std::string host;
    int port = 80;
    std::string path = kReadApiPath;
    bool secure = false;
    // The account and the blog password go only to the blog's own host: a
    // redirect elsewhere gets the request without them.
    bool credentialsAllowed = true;
    int redirects = 0;

    // Moves to where a 301 leads; false when the answer is no usable redirect.
    bool Follow(const std::string& location);
};

// The five fields of the page request, with the account only where allowed.
HttpFormData Form(int32_t start, int32_t num, const Target& target, const std::string& email,
                  const std::string& password);

// The request for `num` posts from `start` to `target`: the form post with the
// account's fields, and the blog's password, where the target allows them.
OutgoingRequest PageExchange(int32_t start, int32_t num, const Target& target, const BackupOptions& account);
// The plain request that wakes a service up after an HTTP 408: a GET of the
// read API on port 80 of the address as typed.
OutgoingRequest DummyExchange(const std::string& groupAddress);

// Where a redirect leads: its Location header resolved against the address
// the answer came from. "" when there is none or it cannot be resolved.
std::string RedirectTarget(const std::optional<std::string>& location, const std::string& effectiveUrl);

// The service's answer for a blog nobody may read as asked: a redirect to one
// of its walls, a 401 or a 404. A status of kind Wall (NotFound for a 404)
// whose words are `failure`'s and one sentence on what it means and what the
// user can do; Ok for any other answer.
Status WallStatus(int status, const std::string& redirectTarget, const std::string& effectiveUrl,
                  const Status& failure);

// Says once per run that the passwords stayed behind on a redirect to another host.
void NoteCredentialsWithheld(DownloadSession& session, const Target& target, const BackupOptions& account);

}  // namespace qv::page
