// SPDX-License-Identifier: GPL-3.0-or-later
// Passwords are never stored as typed: each character becomes a group of four
// hexadecimal digits (255 minus its Windows-1252 code, then a random byte),
// the groups in reverse order. No key is involved; the random bytes are not
// needed to read a password back.
#pragma once

#include <string>

namespace qv {

// `password` is UTF-8; a character outside Windows-1252 is stored as "?".
std::string Scramble(const std::string& password);
// The password as UTF-8, or "" when `stored` is not a valid stored form.
std::string Unscramble(const std::string& stored);

}  // namespace qv
