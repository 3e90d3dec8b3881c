// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1252, the code page of stored passwords and of some older XML files.
#include <array>
#include <cstdint>

#include "Sundrykit.h"

namespace qv {

namespace {

// Windows-1252 between 0x80 and 0x9F; everywhere else it agrees with Latin-1.
// Its five unassigned codes stand for the control characters of the same number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr uint8_t kQuestionMark = '?';

char32_t FromCodePage(uint8_t code) {
    return code >= 0x80 && code <= 0x9F ? kHighControls[code - 0x80] : code;
}

uint8_t ToCodePage(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) return static_cast<uint8_t>(character);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == character) return static_cast<uint8_t>(0x80 + i);
    return kQuestionMark;
}

// The next character of UTF-8 text; a malformed sequence counts as one
// character that no code page holds, so it becomes "?" like any other.
char32_t NextCharacter(const std::string& text, size_t& at) {
    constexpr char32_t kMalformed = 0xFFFD;
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    int length;
    char32_t value;
    char32_t smallest;
    if ((lead & 0xE0) == 0xC0) {
        length = 1, value = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 2, value = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 3, value = lead & 0x07, smallest = 0x10000;
    } else {
        return kMalformed;
    }
    for (int i = 0; i < length; ++i) {
        if (at >= text.size() || (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) return kMalformed;
        value = (value << 6) | (static_cast<unsigned char>(text[at++]) & 0x3F);
    }
    // Overlong forms must not sneak an ASCII character past the "?".
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kMalformed;
    return value;
}

void AppendUtf8(std::string& text, char32_t character) {
    if (character < 0x80) {
        text += static_cast<char>(character);
    } else if (character < 0x800) {
        text += static_cast<char>(0xC0 | (character >> 6));
        text += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        // Every character of the code page lies in the Basic Multilingual Plane.
        text += static_cast<char>(0xE0 | (character >> 12));
        text += static_cast<char>(0x80 | ((character >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (character & 0x3F));
    }
}

}  // namespace

std::string skCodePageToUTF8(const std::string& codes) {
    std::string text;
    text.reserve(codes.size());
    for (const char code : codes) AppendUtf8(text, FromCodePage(static_cast<uint8_t>(code)));
    return text;
}

std::string skUTF8ToCodePage(const std::string& text) {
    std::string codes;
    codes.reserve(text.size());
    for (size_t at = 0; at < text.size();) codes += static_cast<char>(ToCodePage(NextCharacter(text, at)));
    return codes;
}

}  // namespace qv
