// SPDX-License-Identifier: GPL-3.0-or-later
#include "schedule/CommandQuoting.h"

#include <cstdio>

namespace qv::schedule {

namespace {

// The length of the UTF-8 sequence that starts at text[at], 0 when the bytes
// there are not one (overlong forms, surrogates and values past U+10FFFF
// included), so that they can be written as escapes instead.
std::size_t Utf8SequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    unsigned value = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2, value = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3, value = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4, value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80) return 0;
        value = (value << 6) | (byte(at + i) & 0x3f);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xd800 && value <= 0xdfff;
    if (overlong || surrogate || value > 0x10ffff) return 0;
    return length;
}

std::string HexEscape(unsigned char byte) {
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
    return escaped;
}

std::string ExecStartWord(const std::string& word, bool isProgram) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < word.size();) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(word, i);
            if (length == 0) {
                quoted += HexEscape(c);
                ++i;
            } else {
                quoted.append(word, i, length);
                i += length;
            }
            continue;
        }
        if (c < 0x20 || c == 0x7f) {
            quoted += HexEscape(c);
        } else if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c == '%') {
            quoted += "%%";
        } else if (c == '$' && !isProgram) {
            // The program's path is taken as it stands; only the arguments
            // have variables substituted.
            quoted += "$$";
        } else {
            quoted += static_cast<char>(c);
        }
        ++i;
    }
    return quoted + '"';
}

bool NeedsShellQuotes(const std::string& word) {
    if (word.empty()) return true;
    for (const char c : word) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '_' || c == '.' || c == '/' || c == '@' || c == ':' || c == ',' ||
                           c == '+';
        if (!plain) return true;
    }
    return false;
}

}  // namespace

std::string ExecStartLine(const std::vector<std::string>& words) {
    std::string line;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) line += ' ';
        line += ExecStartWord(words[i], i == 0);
    }
    return line;
}

std::string UnitText(const std::string& text) {
    std::string written;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, i);
            written += length == 0 ? std::string("?") : text.substr(i, length);
            i += length == 0 ? 1 : length;
            continue;
        }
        if (c == '%') written += '%';
        if (c >= 0x20 && c != 0x7f) written += static_cast<char>(c);
        ++i;
    }
    return written;
}

std::string CrontabCommand(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        if (!NeedsShellQuotes(word)) {
            line += word;
            continue;
        }
        line += '\'';
        for (const char c : word) {
            if (c == '\'') {
                line += "'\\''";
            } else {
                line += c;
            }
        }
        line += '\'';
    }
    // cron turns an unescaped '%' into a line break, and takes "\%" as '%'
    // before the shell reads the line, inside quotes too.
    std::string escaped;
    for (const char c : line) {
        if (c == '%') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace qv::schedule
