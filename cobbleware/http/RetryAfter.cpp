// SPDX-License-Identifier: GPL-3.0-or-later
#include "http/RetryAfter.h"

#include <curl/curl.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ctime>

#include "Sundrykit.h"

namespace qv::http {

int RetryAfterSeconds(const std::string& headers) {
    static const std::string name = "retry-after:";
    for (size_t begin = 0; begin < headers.size();) {
        size_t end = headers.find("\r\n", begin);
        if (end == std::string::npos) end = headers.size();
        const std::string line = headers.substr(begin, end - begin);
        begin = end + 2;
        if (line.size() <= name.size() || strncasecmp(line.c_str(), name.c_str(), name.size()) != 0) continue;
        const std::string value = skTrimEx(line.substr(name.size()));
        if (!value.empty() &&
            std::all_of(value.begin(), value.end(), [](unsigned char c) { return std::isdigit(c); }))
            return value.size() > 9 ? INT32_MAX : std::stoi(value);
        const time_t when = curl_getdate(value.c_str(), nullptr);
        if (when < 0) return -1;
        return static_cast<int>(std::max<long long>(0, static_cast<long long>(when) - std::time(nullptr)));
    }
    return -1;
}

}  // namespace qv::http
