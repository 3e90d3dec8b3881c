// SPDX-License-Identifier: GPL-3.0-or-later
#include "apiv2/XmlText.h"

#include <cstdint>

namespace qv::apiv2 {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The UTF-8 sequence at `at`: its length, 0 when the bytes there are none, and
// whether XML 1.0 allows the character it encodes.
struct Sequence {
    std::size_t length = 0;
    bool allowed = false;
};

Sequence SequenceAt(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {1, lead >= 0x20 || lead == '\t' || lead == '\n' || lead == '\r'};
    std::size_t length = 0;
    std::uint32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        lowest = 0x10000;
    } else {
        return {};
    }
    if (at + length > text.size()) return {};
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {length, code != 0xFFFE && code != 0xFFFF};
}

void AppendEscaped(std::string& out, std::string_view text, bool attribute) {
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size();) {
        const Sequence sequence = SequenceAt(text, i);
        if (!sequence.allowed) {
            out += kReplacement;
            i += sequence.length == 0 ? 1 : sequence.length;
            continue;
        }
        if (sequence.length > 1) {
            out.append(text, i, sequence.length);
            i += sequence.length;
            continue;
        }
        const char c = text[i++];
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '\r': out += "&#13;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\n': out += attribute ? "&#10;" : "\n"; break;
            case '\t': out += attribute ? "&#9;" : "\t"; break;
            default: out += c;
        }
    }
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view text) { AppendEscaped(out, text, false); }

void AppendAttribute(std::string& out, std::string_view name, std::string_view value) {
    out.append(1, ' ').append(name).append("=\"");
    AppendEscaped(out, value, true);
    out += '"';
}

void AppendElement(std::string& out, std::string_view name, std::string_view text) {
    out.append(1, '<').append(name).append(1, '>');
    AppendEscaped(out, text, false);
    out.append("</").append(name).append(1, '>');
}

}  // namespace qv::apiv2
