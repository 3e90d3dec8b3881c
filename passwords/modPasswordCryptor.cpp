// SPDX-License-Identifier: GPL-3.0-or-later
#include "passwords/modPasswordCryptor.h"

#include <cstdint>
#include <optional>

#include "Sundrykit.h"

namespace qv {

namespace {

std::optional<uint8_t> HexDigit(char digit) {
    if (digit >= '0' && digit <= '9') return static_cast<uint8_t>(digit - '0');
    if (digit >= 'A' && digit <= 'F') return static_cast<uint8_t>(digit - 'A' + 10);
    if (digit >= 'a' && digit <= 'f') return static_cast<uint8_t>(digit - 'a' + 10);
    return std::nullopt;
}

}  // namespace

std::string Scramble(const std::string& password) {
    const std::string codes = skUTF8ToCodePage(password);

    std::string stored;
    stored.reserve(codes.size() * 4);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code) {
        const int random = skGetRnd(0, 255);
        stored += skHex1(static_cast<uint8_t>(255 - static_cast<uint8_t>(*code)));
        stored += skHex1(static_cast<uint8_t>(random));
    }
    return stored;
}

std::string Unscramble(const std::string& stored) {
    if (stored.size() % 4 != 0) return {};
    std::string codes(stored.size() / 4, '\0');
    for (size_t group = 0; group < codes.size(); ++group) {
        const auto high = HexDigit(stored[group * 4]);
        const auto low = HexDigit(stored[group * 4 + 1]);
        if (!high || !low) return {};
        // The groups run from the last character to the first.
        codes[codes.size() - 1 - group] = static_cast<char>(255 - (*high << 4 | *low));
    }

    return skCodePageToUTF8(codes);
}

}  // namespace qv
