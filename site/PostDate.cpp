// SPDX-License-Identifier: GPL-3.0-or-later
#include "PostDate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>

namespace qv::site {

namespace {

constexpr std::array<std::string_view, 12> kMonthNames = {"January",   "February", "March",    "April",
                                                          "May",       "June",     "July",     "August",
                                                          "September", "October",  "November", "December"};

bool ReadNumber(std::string_view& text, int& number) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc()) return false;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return true;
}

bool Skip(std::string_view& text, char separator) {
    if (text.empty() || text.front() != separator) return false;
    text.remove_prefix(1);
    return true;
}

bool ReadTime(std::string_view& text, PostDate& date) {
    return ReadNumber(text, date.hour) && Skip(text, ':') && ReadNumber(text, date.minute) &&
           Skip(text, ':') && ReadNumber(text, date.second);
}

int MonthFromAbbreviation(std::string_view name) {
    for (std::size_t i = 0; i < kMonthNames.size(); ++i)
        if (name == kMonthNames[i].substr(0, 3)) return static_cast<int>(i) + 1;
    return 0;
}

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

}  // namespace

std::string PostDate::Display() const {
    if (!Valid()) return "";
    return std::to_string(day) + " " + std::string(kMonthNames[month - 1]) + " " + std::to_string(year) +
           ", " + TwoDigits(hour) + ":" + TwoDigits(minute);
}

std::string PostDate::MonthKey() const {
    if (!Valid()) return "";
    return std::to_string(year) + "-" + TwoDigits(month);
}

std::string PostDate::IsoUtc() const {
    if (!Valid()) return "";
    return std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day) + "T" + TwoDigits(hour) +
           ":" + TwoDigits(minute) + ":" + TwoDigits(second) + "Z";
}

PostDate ParseLocalDate(std::string_view text) {
    PostDate date;
    if (const std::size_t comma = text.find(','); comma != std::string_view::npos)
        text.remove_prefix(comma + 1);
    if (!ReadNumber(text, date.day)) return {};
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    date.month = MonthFromAbbreviation(text.substr(0, 3));
    text.remove_prefix(std::min<std::size_t>(3, text.size()));
    if (!ReadNumber(text, date.year)) return {};
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (!ReadTime(text, date)) return {};
    return date.Valid() ? date : PostDate{};
}

PostDate ParseGmtDate(std::string_view text) {
    PostDate date;
    if (!ReadNumber(text, date.year) || !Skip(text, '-') || !ReadNumber(text, date.month) ||
        !Skip(text, '-') || !ReadNumber(text, date.day) || !Skip(text, ' ') || !ReadTime(text, date))
        return {};
    return date.Valid() ? date : PostDate{};
}

PostDate DateFromUnixTime(long long seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    if (gmtime_r(&time, &utc) == nullptr) return {};
    PostDate date;
    date.year = utc.tm_year + 1900;
    date.month = utc.tm_mon + 1;
    date.day = utc.tm_mday;
    date.hour = utc.tm_hour;
    date.minute = utc.tm_min;
    date.second = utc.tm_sec;
    return date;
}

std::string MonthTitle(std::string_view key) {
    int year = 0;
    int month = 0;
    std::string_view rest = key;
    if (!ReadNumber(rest, year) || !Skip(rest, '-') || !ReadNumber(rest, month) || !rest.empty() ||
        month < 1 || month > 12)
        return std::string(key);
    return std::string(kMonthNames[month - 1]) + " " + std::to_string(year);
}

}  // namespace qv::site
