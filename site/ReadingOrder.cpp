// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadingOrder.h"

namespace qv::site {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The run of digits at `at`, without its leading zeros.
std::string_view NumberAt(std::string_view text, std::size_t& at) {
    while (at < text.size() && text[at] == '0' && at + 1 < text.size() && IsDigit(text[at + 1])) ++at;
    const std::size_t start = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    return text.substr(start, at - start);
}

// <0, 0 or >0 as `a` reads before, the same as, or after `b`.
int CompareReading(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            const std::string_view x = NumberAt(a, i);
            const std::string_view y = NumberAt(b, j);
            if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
            if (const int order = x.compare(y); order != 0) return order;
            continue;
        }
        const auto x = static_cast<unsigned char>(a[i++]);
        const auto y = static_cast<unsigned char>(b[j++]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

void AppendLowerCase(std::string_view text, std::string& out) {
    const std::size_t start = out.size();
    out.append(text);
    for (std::size_t i = start; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == 0xC3 && i + 1 < out.size()) {
            const auto next = static_cast<unsigned char>(out[i + 1]);
            // U+00C0..U+00DE are capitals of U+00E0..U+00FE, but for U+00D7 (the multiplication sign).
            if (next >= 0x80 && next <= 0x9E && next != 0x97) out[i + 1] = static_cast<char>(next + 0x20);
            ++i;
        }
    }
}

bool ReadsBefore(std::string_view a, std::string_view b) {
    std::string lowerA;
    std::string lowerB;
    AppendLowerCase(a, lowerA);
    AppendLowerCase(b, lowerB);
    const int order = CompareReading(lowerA, lowerB);
    return order != 0 ? order < 0 : a < b;
}

}  // namespace qv::site
