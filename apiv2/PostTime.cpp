// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/PostTime.h"

#include <array>
#include <charconv>
#include <chrono>
#include <cstdio>

namespace qv::apiv2 {

namespace {

using namespace std::chrono;

constexpr std::int64_t kLastWritable = 253402300799;  // 9999-12-31 23:59:59

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct Civil {
    year_month_day date;
    weekday day;
    hh_mm_ss<seconds> time;
};

Civil ToCivil(std::int64_t value) {
    const sys_seconds moment{seconds(value)};
    const sys_days day = floor<days>(moment);
    return {year_month_day(day), weekday(day), hh_mm_ss<seconds>(moment - day)};
}

bool ReadNumber(std::string_view text, std::size_t at, std::size_t length, int& out) {
    if (at + length > text.size()) return false;
    const char* begin = text.data() + at;
    const auto [end, error] = std::from_chars(begin, begin + length, out);
    return error == std::errc() && end == begin + length;
}

}  // namespace

bool IsWritableTime(std::int64_t seconds) { return seconds >= 0 && seconds <= kLastWritable; }

std::string GmtDateText(std::int64_t value) {
    const Civil c = ToCivil(value);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld GMT", static_cast<int>(c.date.year()),
                  static_cast<unsigned>(c.date.month()), static_cast<unsigned>(c.date.day()),
                  static_cast<long>(c.time.hours().count()), static_cast<long>(c.time.minutes().count()),
                  static_cast<long>(c.time.seconds().count()));
    return text;
}

std::string LocalDateText(std::int64_t value, std::int64_t utcOffsetSeconds) {
    const Civil c = ToCivil(value + utcOffsetSeconds);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02ld:%02ld:%02ld", kDays[c.day.c_encoding()],
                  static_cast<unsigned>(c.date.day()), kMonths[static_cast<unsigned>(c.date.month()) - 1],
                  static_cast<int>(c.date.year()), static_cast<long>(c.time.hours().count()),
                  static_cast<long>(c.time.minutes().count()), static_cast<long>(c.time.seconds().count()));
    return text;
}

std::optional<std::int64_t> ParseGmtDate(std::string_view text) {
    if (text.size() != 23 || text.substr(19) != " GMT" || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!ReadNumber(text, 0, 4, y) || !ReadNumber(text, 5, 2, mo) || !ReadNumber(text, 8, 2, d) ||
        !ReadNumber(text, 11, 2, h) || !ReadNumber(text, 14, 2, mi) || !ReadNumber(text, 17, 2, s))
        return std::nullopt;
    const year_month_day date{year(y), month(static_cast<unsigned>(mo)), day(static_cast<unsigned>(d))};
    if (!date.ok() || h > 23 || mi > 59 || s > 59) return std::nullopt;
    const std::int64_t value =
        static_cast<std::int64_t>(sys_days(date).time_since_epoch().count()) * 86400 + h * 3600 + mi * 60 + s;
    if (!IsWritableTime(value)) return std::nullopt;
    return value;
}

}  // namespace qv::apiv2
