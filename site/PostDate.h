// SPDX-License-Identifier: GPL-3.0-or-later
// A post's date as the service writes it: "date" in the blog's own time
// ("Wed, 15 Jul 2009 04:50:11"), "date-gmt" in UTC ("2009-07-15 08:50:11 GMT").
#pragma once

#include <string>
#include <string_view>

namespace qv::site {

struct PostDate {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool Valid() const { return year > 0 && month >= 1 && month <= 12 && day >= 1 && day <= 31; }
    // "15 July 2009, 04:50"
    std::string Display() const;
    // "2009-07": the archive month the post belongs to.
    std::string MonthKey() const;
    // "2009-07-15T08:50:11Z", for a date in UTC.
    std::string IsoUtc() const;
};

PostDate ParseLocalDate(std::string_view text);  // "Wed, 15 Jul 2009 04:50:11"
PostDate ParseGmtDate(std::string_view text);    // "2009-07-15 08:50:11 GMT"
PostDate DateFromUnixTime(long long seconds);    // in UTC

// "July 2009" for "2009-07"; the key itself when it is no month.
std::string MonthTitle(std::string_view key);

}  // namespace qv::site
