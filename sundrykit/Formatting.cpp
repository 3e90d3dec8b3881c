// SPDX-License-Identifier: GPL-3.0-or-later
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

#include "Sundrykit.h"

namespace qv {

namespace {

std::string GroupThousands(long long value) {
    const bool negative = value < 0;
    const unsigned long long magnitude =
        negative ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const std::string digits = std::to_string(magnitude);
    std::string grouped;
    const int count = static_cast<int>(digits.size());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && (count - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return negative ? "-" + grouped : grouped;
}

}  // namespace

std::string skFormatLong(int32_t value) { return GroupThousands(value); }

std::string skFormatByteSize(double bytes) {
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    if (!std::isfinite(bytes)) return "? bytes";
    if (std::fabs(bytes) < 1024) {
        const long long whole = std::llround(bytes);
        return std::to_string(whole) + (whole == 1 ? " byte" : " bytes");
    }
    double scaled = bytes / 1024;
    int unit = 0;
    while (std::fabs(scaled) >= 1024 && unit < 3) {
        scaled /= 1024;
        ++unit;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %s", scaled, units[unit]);
    return text;
}

std::string skFormatByteSizeEx(double bytes) {
    if (!std::isfinite(bytes) || std::fabs(bytes) < 1024) return skFormatByteSize(bytes);
    return skFormatByteSize(bytes) + " (" + GroupThousands(std::llround(bytes)) + " bytes)";
}

std::string skFormatVersion(int major, int minor, int revision) {
    return std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(revision);
}

}  // namespace qv
