// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <string>

#include "Sundrykit.h"

namespace qv {

namespace {

// Length of the well-formed UTF-8 sequence at `i`, or 0 when it is malformed
// (overlong forms, surrogates and code points past U+10FFFF included).
size_t Utf8SequenceLength(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    size_t length;
    uint32_t minimum;
    uint32_t code;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

std::string skUTF8ToUNICODE(const std::string& utf8Bytes) {
    std::string text;
    text.reserve(utf8Bytes.size());
    for (size_t i = 0; i < utf8Bytes.size();) {
        const size_t length = Utf8SequenceLength(utf8Bytes, i);
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            ++i;
        } else {
            text.append(utf8Bytes, i, length);
            i += length;
        }
    }
    return text;
}

std::string skPrintable(const std::string& text, bool keepLineFeeds) {
    constexpr const char* kReplacement = "\xEF\xBF\xBD";
    std::string safe;
    safe.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(text, i);
        const auto lead = static_cast<unsigned char>(text[i]);
        const bool c0 =
            length == 1 && (lead < 0x20 || lead == 0x7F) && lead != '\t' && !(keepLineFeeds && lead == '\n');
        // U+0080 to U+009F: the C1 controls, CSI among them.
        const bool c1 = length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        if (length == 0 || c0 || c1) {
            safe += kReplacement;
            i += length == 0 ? 1 : length;
        } else {
            safe.append(text, i, length);
            i += length;
        }
    }
    return safe;
}

std::string skTrimEx(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    return text.substr(first, last - first);
}

std::string skCutLeft(const std::string& text, int count) {
    if (count <= 0) return text;
    // Count characters, not bytes: a continuation byte belongs to the character before it.
    size_t i = 0;
    for (int cut = 0; cut < count && i < text.size(); ++cut) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(i);
}

std::string skHex1(uint8_t value) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 0x0F]};
}

}  // namespace qv
