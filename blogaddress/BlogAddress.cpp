// SPDX-License-Identifier: GPL-3.0-or-later
#include "blogaddress/BlogAddress.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "Sundrykit.h"

namespace qv {

Result<std::string> BareBlogAddress(const std::string& typed) {
    std::string address = skTrimEx(typed);
    for (const std::string scheme : {"http://", "https://"}) {
        if (address.size() >= scheme.size() &&
            std::equal(scheme.begin(), scheme.end(), address.begin(),
                       [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
            address.erase(0, scheme.size());
            break;
        }
    }
    while (address.ends_with('/')) address.pop_back();
    // No blank or control character is part of a host name: a line break or a
    // vertical tab inside would otherwise pass, and a path, query or user is
    // none of the blog's address.
    const auto foreign = [](unsigned char c) {
        return c <= 0x20 || c == 0x7F ||
               std::string_view("/?#@\\").find(static_cast<char>(c)) != std::string_view::npos;
    };
    if (address.empty() || std::any_of(address.begin(), address.end(), foreign))
        return Status(StatusKind::Usage,
                      "The blog address is a host name such as myblog.example.com, without a path.")
            .RetryWontHelp();
    return address;
}

}  // namespace qv
