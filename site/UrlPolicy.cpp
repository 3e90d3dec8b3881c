// SPDX-License-Identifier: GPL-3.0-or-later
#include "UrlPolicy.h"

#include <algorithm>
#include <array>

#include "html/WebAddress.h"

namespace qv::site {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(text[i]) != prefix[i]) return false;
    return true;
}

// Scheme and authority of an absolute http(s) address: "http://host:80".
std::string_view OriginOf(std::string_view url) {
    const std::size_t authority = url.find("://");
    if (authority == std::string_view::npos) return {};
    const std::size_t end = url.find_first_of("/?#", authority + 3);
    return url.substr(0, end);
}

std::string_view WithoutFragment(std::string_view url) { return url.substr(0, url.find('#')); }

}  // namespace

std::string SchemeOf(std::string_view url) {
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos || colon == 0) return "";
    std::string scheme;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = LowerAscii(url[i]);
        const bool letter = c >= 'a' && c <= 'z';
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && (i == 0 || !other)) return "";
        scheme += c;
    }
    return scheme;
}

bool IsWebUrl(std::string_view url) {
    const std::string scheme = SchemeOf(url);
    return (scheme == "http" || scheme == "https") && url.size() > scheme.size() + 3;
}

std::string HostOf(std::string_view url) {
    std::string_view authority = OriginOf(url);
    if (authority.empty()) return "";
    authority.remove_prefix(authority.find("://") + 3);
    if (const std::size_t user = authority.rfind('@'); user != std::string_view::npos)
        authority.remove_prefix(user + 1);
    // An IPv6 address keeps its brackets and colons; only a port after them goes.
    const std::size_t port = authority.rfind(':');
    if (port != std::string_view::npos && authority.find(']', port) == std::string_view::npos)
        authority = authority.substr(0, port);
    std::string host;
    for (const char c : authority) host += LowerAscii(c);
    return host;
}

std::string ResolveUrl(std::string_view url, std::string_view base) {
    if (url.empty()) return "";
    if (!SchemeOf(url).empty()) return std::string(url);
    if (!IsWebUrl(base)) return "";
    if (url.starts_with("//")) return SchemeOf(base) + ":" + std::string(url);
    const std::string_view origin = OriginOf(base);
    if (url.starts_with('/')) return std::string(origin) + std::string(url);
    const std::string_view page = WithoutFragment(base);
    if (url.starts_with('#')) return std::string(page) + std::string(url);
    const std::string_view withoutQuery = page.substr(0, page.find('?'));
    if (url.starts_with('?')) return std::string(withoutQuery) + std::string(url);
    // A relative path replaces the last segment of the page's path.
    std::string_view folder = withoutQuery.size() > origin.size() ? withoutQuery : std::string_view{};
    if (folder.empty()) return std::string(origin) + "/" + std::string(url);
    return std::string(folder.substr(0, folder.rfind('/') + 1)) + std::string(url);
}

std::string SafeLinkUrl(std::string_view raw, std::string_view base) {
    const std::string url = ResolveUrl(html::CleanUrl(raw), base);
    const std::string scheme = SchemeOf(url);
    if (scheme == "http" || scheme == "https") return IsWebUrl(url) ? url : "";
    if (scheme == "mailto") return url;
    return "";
}

bool IsInlineImage(std::string_view url) {
    constexpr std::array<std::string_view, 4> kKinds = {"data:image/png", "data:image/gif", "data:image/jpeg",
                                                        "data:image/webp"};
    return std::any_of(kKinds.begin(), kKinds.end(), [url](std::string_view kind) {
        return StartsWithNoCase(url, kind) && url.size() > kind.size() &&
               (url[kind.size()] == ';' || url[kind.size()] == ',');
    });
}

std::string EncodePath(std::string_view path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                                (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved) {
            encoded += c;
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 15];
        }
    }
    return encoded;
}

}  // namespace qv::site
