// SPDX-License-Identifier: GPL-3.0-or-later
#include "oauth/PercentEncoding.h"

namespace qv::oauth {

namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string PercentEncode(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (Unreserved(byte)) {
            out += c;
        } else {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text, bool plusIsSpace) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else if (plusIsSpace && text[i] == '+') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

Parameters ParseFormEncoded(std::string_view text) {
    Parameters parameters;
    while (!text.empty()) {
        const std::size_t end = text.find('&');
        const std::string_view pair = text.substr(0, end);
        if (!pair.empty()) {
            const std::size_t equals = pair.find('=');
            parameters.emplace_back(PercentDecode(pair.substr(0, equals), true),
                                    equals == std::string_view::npos ? std::string()
                                                                     : PercentDecode(pair.substr(equals + 1), true));
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return parameters;
}

std::string FormEncode(const Parameters& parameters) {
    std::string out;
    for (const auto& [name, value] : parameters) {
        if (!out.empty()) out += '&';
        out += PercentEncode(name) + "=" + PercentEncode(value);
    }
    return out;
}

}  // namespace qv::oauth
