// SPDX-License-Identifier: GPL-3.0-or-later
#include "html/WebAddress.h"

namespace qv::html {

namespace {

bool IsBlankOrControl(unsigned char c) { return c <= 0x20 || c == 0x7F; }

}  // namespace

std::string CleanUrl(std::string_view raw) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t begin = 0;
    std::size_t end = raw.size();
    while (begin < end && IsBlankOrControl(static_cast<unsigned char>(raw[begin]))) ++begin;
    while (end > begin && IsBlankOrControl(static_cast<unsigned char>(raw[end - 1]))) --end;
    std::string url;
    url.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        const auto byte = static_cast<unsigned char>(raw[i]);
        if (byte == '\t' || byte == '\n' || byte == '\r') continue;
        if (IsBlankOrControl(byte)) {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        } else {
            url += raw[i];
        }
    }
    return url;
}

}  // namespace qv::html
