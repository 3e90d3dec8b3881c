// SPDX-License-Identifier: GPL-3.0-or-later
// Addresses of media as the backup names them, and the few ways they are
// taken apart here. Text only: nothing here touches the network.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv::media {

// One address found in a post.
struct MediaAddress {
    std::string url;
    std::string postId;
    // Another site's player (a video site's embed, say): listed, never fetched.
    bool external = false;

    bool operator==(const MediaAddress&) const = default;
};

// Whether the text starts with http:// or https:// (any case).
bool IsWebAddress(std::string_view text);

// The address as it will be requested and listed, read as a browser reads it
// (html::CleanUrl, as the offline view reads it too). nullopt when it is not
// an http or https address.
std::optional<std::string> CleanAddress(std::string_view text);

// %XX sequences turned into their bytes; a malformed one is kept as it is.
std::string PercentDecode(std::string_view text);

// The decoded value of the first query parameter `name`; nullopt when absent.
std::optional<std::string> QueryValue(std::string_view url, std::string_view name);

// The last segment of the address's path, still percent-encoded ("" when the path ends in /).
std::string LastPathSegment(std::string_view url);

// "host:port" in lower case, the default port filled in: what connection limits count by.
std::string HostKey(std::string_view url);

}  // namespace qv::media
