// SPDX-License-Identifier: GPL-3.0-or-later
#include "blogaddress/BlogAddress.h"

#include <algorithm>
#include <cctype>

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
    if (address.empty() || address.find_first_of("/?#@ \t\\") != std::string::npos)
        return Status(StatusKind::Usage, "The blog address is a host name such as myblog.example.com, without a path.")
            .RetryWontHelp();
    return address;
}

}  // namespace qv
