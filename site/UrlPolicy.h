// SPDX-License-Identifier: GPL-3.0-or-later
// Which addresses a page of ours may carry, and how an address written in a
// post is resolved against the post's own address on the service, once it is
// read as a browser reads it (html::CleanUrl).
#pragma once

#include <string>
#include <string_view>

namespace qv::site {

// The scheme in lower case ("http"), or "" for a relative address.
std::string SchemeOf(std::string_view url);

// An absolute address for `url` as it would be read on the page `base`;
// "" when it cannot be made absolute.
std::string ResolveUrl(std::string_view url, std::string_view base);

// An http or https address.
bool IsWebUrl(std::string_view url);

// The host of an address with a scheme, in lower case, without user or port;
// "" when there is none.
std::string HostOf(std::string_view url);

// A link a reader may follow: http, https or mailto after resolving, else "".
std::string SafeLinkUrl(std::string_view raw, std::string_view base);

// A picture written into the page itself: data:image/png, gif, jpeg or webp.
bool IsInlineImage(std::string_view url);

// Percent-encodes everything but unreserved characters and '/'.
std::string EncodePath(std::string_view path);

}  // namespace qv::site
