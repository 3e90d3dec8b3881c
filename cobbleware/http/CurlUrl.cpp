// SPDX-License-Identifier: GPL-3.0-or-later
#include "http/CurlUrl.h"

#include <arpa/inet.h>

#include <cstring>
#include <new>

namespace qv::http {

namespace {

bool IsHostNameChar(unsigned char c) {
    // Bytes above 0x7F are left to libcurl's international-name support.
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c >= 0x80;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string DescribeChar(unsigned char c) {
    if (c == ' ') return "a blank";
    if (c < 0x20 || c == 0x7F) return "a control character";
    return Quoted(std::string(1, static_cast<char>(c)));
}

bool ParsePort(const std::string& digits, int& port) {
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    port = value;
    return true;
}

bool IsIPv6(const std::string& text) {
    in6_addr address{};
    return inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

bool CheckName(const std::string& text, const std::string& name, std::string& why) {
    if (name.empty()) {
        why = Quoted(text) + " names no host";
        return false;
    }
    for (unsigned char c : name) {
        if (!IsHostNameChar(c)) {
            why = Quoted(text) + " is not a host name: " + DescribeChar(c) + " is not allowed in one";
            return false;
        }
    }
    if (name.front() == '.' || name.front() == '-' || name.size() > 253) {
        why = Quoted(text) + " is not a host name";
        return false;
    }
    return true;
}

// Escapes what may not stand in a path or query as it goes on the wire.
std::string EscapeUnsafe(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (unsigned char c : text) {
        if (c <= 0x20 || c >= 0x7F || std::strchr("\"#<>\\^`{|}", c) != nullptr) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

CurlUrl::CurlUrl() : handle_(curl_url()) {
    if (handle_ == nullptr) throw std::bad_alloc();
}

CurlUrl::~CurlUrl() { curl_url_cleanup(handle_); }

bool CurlUrl::Set(CURLUPart part, const std::string& text, unsigned flags) {
    return curl_url_set(handle_, part, text.c_str(), flags) == CURLUE_OK;
}

std::string CurlUrl::Get(CURLUPart part, unsigned flags) const {
    char* text = nullptr;
    if (curl_url_get(handle_, part, &text, flags) != CURLUE_OK || text == nullptr) return {};
    std::string result(text);
    curl_free(text);
    return result;
}

bool SplitHostText(const std::string& text, int port, HostPort& out, std::string& why) {
    std::string host;
    std::string portText;
    bool hasPort = false;

    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || !IsIPv6(text.substr(1, close - 1))) {
            why = Quoted(text) + " is not a valid IPv6 address in brackets";
            return false;
        }
        host = text.substr(0, close + 1);
        const std::string rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') {
                why = Quoted(text) + " has text after the closing bracket";
                return false;
            }
            hasPort = true;
            portText = rest.substr(1);
        }
    } else if (text.find(':') != text.rfind(':')) {
        // Two colons or more can only be an IPv6 address without its brackets.
        if (!IsIPv6(text)) {
            why = Quoted(text) + " is not a host name";
            return false;
        }
        host = "[" + text + "]";
    } else {
        const auto colon = text.find(':');
        host = text.substr(0, colon);
        if (colon != std::string::npos) {
            hasPort = true;
            portText = text.substr(colon + 1);
        }
        if (!CheckName(text, host, why)) return false;
    }

    int number = port;
    if (hasPort && !ParsePort(portText, number)) {
        why = Quoted(text) + " names no valid port";
        return false;
    }
    if (!hasPort && (port < 1 || port > 65535)) {
        why = "port " + std::to_string(port) + " is out of range";
        return false;
    }
    out.host = host;
    out.port = number;
    return true;
}

bool BuildRequestUrl(CurlUrl& url, bool tls, const HostPort& target, const std::string& path,
                     std::string& why) {
    std::string pathPart = path;
    std::string query;
    const auto mark = path.find('?');
    if (mark != std::string::npos) {
        pathPart = path.substr(0, mark);
        query = path.substr(mark + 1);
    }
    if (pathPart.empty() || pathPart.front() != '/') pathPart = std::string(1, '/').append(pathPart);

    if (!url.Set(CURLUPART_SCHEME, tls ? "https" : "http") || !url.Set(CURLUPART_HOST, target.host)) {
        why = Quoted(target.host) + " is not a host name";
        return false;
    }
    // The scheme's own port stays implicit, as it would in an address a person writes.
    const bool defaultPort = target.port == (tls ? 443 : 80);
    if ((!defaultPort && !url.Set(CURLUPART_PORT, std::to_string(target.port))) ||
        !url.Set(CURLUPART_PATH, EscapeUnsafe(pathPart)) ||
        (!query.empty() && !url.Set(CURLUPART_QUERY, EscapeUnsafe(query))) ||
        url.Get(CURLUPART_URL).empty()) {
        why = "no valid address can be made of " + Quoted(target.host) + ", port " +
              std::to_string(target.port) + " and path " + Quoted(path);
        return false;
    }
    return true;
}

}  // namespace qv::http
