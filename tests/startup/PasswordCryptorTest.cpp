// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>

#include "Sundrykit.h"
#include "passwords/modPasswordCryptor.h"

namespace qv {
namespace {

// The first pair of each group, in stored order: 255 minus a code, last character first.
std::string CodePairs(const std::string& stored) {
    std::string pairs;
    for (size_t at = 0; at + 1 < stored.size(); at += 4) pairs += stored.substr(at, 2) + " ";
    return pairs;
}

TEST(Scramble, EmptyTextStaysEmptyBothWays) {
    EXPECT_EQ(Scramble(""), "");
    EXPECT_EQ(Unscramble(""), "");
}

TEST(Scramble, AbcHasOneGroupPerLetterInReverseWithRandomPairs) {
    const std::string stored = Scramble("abc");
    ASSERT_EQ(stored.size(), 12u);
    EXPECT_EQ(CodePairs(stored), "9C 9D 9E ");
    EXPECT_EQ(stored.find_first_not_of("0123456789ABCDEF"), std::string::npos) << stored;
    EXPECT_EQ(Unscramble(stored), "abc");
}

TEST(Scramble, CodesZeroAndTwoFiftyFiveGivePairsFFAnd00) {
    EXPECT_EQ(CodePairs(Scramble(std::string(1, '\0'))), "FF ");
    EXPECT_EQ(CodePairs(Scramble("\xC3\xBF")), "00 ");  // U+00FF
    EXPECT_EQ(Unscramble("FF12"), std::string(1, '\0'));
    EXPECT_EQ(Unscramble("0034"), "\xC3\xBF");
}

TEST(Scramble, TwoScramblesDifferAndBothReadBack) {
    const std::string password = "correct horse battery";
    const std::string first = Scramble(password), second = Scramble(password);
    EXPECT_NE(first, second);  // 21 random bytes: equal by chance once in 2^168
    EXPECT_EQ(Unscramble(first), password);
    EXPECT_EQ(Unscramble(second), password);
}

TEST(Unscramble, RandomPairsAreNotReadAndEitherCaseOfHexIs) {
    std::string stored = Scramble("pass word");
    for (size_t at = 2; at < stored.size(); at += 4) stored.replace(at, 2, "zz");
    EXPECT_EQ(Unscramble(stored), "pass word");
    EXPECT_EQ(Unscramble("9c009dff9e7a"), "abc");
    EXPECT_EQ(Unscramble("9cXX9D..9e  "), "abc");
}

TEST(Unscramble, MalformedStoredFormsGiveEmptyText) {
    EXPECT_EQ(Unscramble("9C009D0"), "");     // 7 characters
    EXPECT_EQ(Unscramble("G7009D00"), "");    // first pair not hexadecimal
    EXPECT_EQ(Unscramble("9C009 00"), "");    // a blank inside a later pair
    EXPECT_EQ(Unscramble("9C00-D00"), "");    // a sign is no digit either
    EXPECT_EQ(Unscramble("9C009D009E"), "");  // 10 characters
}

TEST(Scramble, Windows1252CharactersRoundTripWithTheirOwnCodes) {
    // € is 0x80, Š 0x8A, ™ 0x99, Ÿ 0x9F, é 0xE9.
    const std::string password = "\u20AC\u0160\u2122\u0178\u00E9";
    const std::string stored = Scramble(password);
    EXPECT_EQ(CodePairs(stored), "16 60 66 75 7F ");
    EXPECT_EQ(Unscramble(stored), password);

    // The codes 0x80 to 0x9F, where the code page parts from Latin-1. Its five
    // gaps stand for the control characters of the same number.
    std::string row;
    for (int code = 0x9F; code >= 0x80; --code) row += skHex1(static_cast<uint8_t>(255 - code)) + "00";
    EXPECT_EQ(
        Unscramble(row),
        "\u20AC\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D\u017D\u008F"
        "\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178");
}

TEST(Scramble, EveryCodeReadBackScramblesToItself) {
    for (int code = 0; code < 256; ++code) {
        const std::string pair = skHex1(static_cast<uint8_t>(255 - code));
        const std::string text = Unscramble(pair + "00");
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(CodePairs(Scramble(text)), pair + " ") << "code " << code;
    }
}

TEST(Scramble, CharactersOutsideWindows1252ComeBackAsQuestionMarks) {
    // Cyrillic Zhe, an emoji (one character of four bytes), a C1 control the
    // code page lacks, and a byte that is not UTF-8.
    const std::string stored = Scramble(std::string("a\u0416\U0001F600\u0080\xFF") + "b");
    EXPECT_EQ(stored.size(), 24u);
    EXPECT_EQ(Unscramble(stored), "a????b");
    // An overlong encoding of "a" is not let through as "a".
    EXPECT_EQ(Unscramble(Scramble("\xC1\xA1")), "?");
}

}  // namespace
}  // namespace qv
