// SPDX-License-Identifier: GPL-3.0-or-later
#include "MediaAddress.h"

#include <algorithm>
#include <cctype>

#include "html/WebAddress.h"

namespace qv::media {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Scheme and authority: everything up to the path.
std::string_view Authority(std::string_view url, std::string_view& rest) {
    const auto scheme = url.find("://");
    std::string_view after = scheme == std::string_view::npos ? url : url.substr(scheme + 3);
    const auto end = after.find_first_of("/?#");
    rest = end == std::string_view::npos ? std::string_view() : after.substr(end);
    return after.substr(0, end);
}

}  // namespace

bool IsWebAddress(std::string_view text) {
    return StartsWithNoCase(text, "http://") || StartsWithNoCase(text, "https://");
}

std::optional<std::string> CleanAddress(std::string_view text) {
    std::string clean = html::CleanUrl(text);
    if (!IsWebAddress(clean)) return std::nullopt;
    std::string_view rest;
    if (Authority(clean, rest).empty()) return std::nullopt;
    return clean;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> QueryValue(std::string_view url, std::string_view name) {
    const auto question = url.find('?');
    if (question == std::string_view::npos) return std::nullopt;
    std::string_view query = url.substr(question + 1);
    query = query.substr(0, query.find('#'));
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto equals = pair.find('=');
        if (pair.substr(0, equals) == name)
            return equals == std::string_view::npos ? std::string() : PercentDecode(pair.substr(equals + 1));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

std::string LastPathSegment(std::string_view url) {
    std::string_view path;
    Authority(url, path);
    path = path.substr(0, path.find_first_of("?#"));
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string HostKey(std::string_view url) {
    std::string_view rest;
    std::string_view authority = Authority(url, rest);
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) authority.remove_prefix(at + 1);
    std::string key(authority);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto closing = key.rfind(']');
    const auto colon = key.rfind(':');
    const bool hasPort = colon != std::string::npos && (closing == std::string::npos || colon > closing);
    if (!hasPort) key += StartsWithNoCase(url, "https://") ? ":443" : ":80";
    return key;
}

}  // namespace qv::media
