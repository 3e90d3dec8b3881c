// SPDX-License-Identifier: GPL-3.0-or-later
#include <string>

#include "Http.h"

namespace qv {

namespace {

// Everything but the unreserved characters is escaped, a blank as "%20" rather
// than "+": both mean a blank in a form body, and "%20" reads the same to any
// decoder, including ones that only know percent escapes.
std::string FormEscape(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

}  // namespace

void HttpFormData::Clear() { fields_.clear(); }

void HttpFormData::AddField(const std::string& name, const std::string& value, int, int, int, int) {
    fields_.emplace_back(name, value);
}

std::string HttpFormData::Body() const {
    std::string body;
    for (const auto& [name, value] : fields_) {
        if (!body.empty()) body += '&';
        body += FormEscape(name);
        body += '=';
        body += FormEscape(value);
    }
    return body;
}

std::string HttpFormData::ContentType() const { return "application/x-www-form-urlencoded"; }

}  // namespace qv
