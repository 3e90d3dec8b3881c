// SPDX-License-Identifier: GPL-3.0-or-later
// pugixml writes a carriage return in element text as it is, and any XML
// reader would turn it into a line feed; written as a character reference it
// survives. Only text gets the reference: inside markup (a DOCTYPE, a
// processing instruction, a comment, CDATA) a reference would be wrong or
// even malformed, and attribute values pugixml escapes itself.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv {

class CarriageReturnEscaper {
public:
    // Feeds the next piece of pugixml's output; `append(data, size)` receives
    // the escaped text. Pieces may split markup anywhere.
    template <typename Append>
    void Write(const char* data, std::size_t size, Append append) {
        std::size_t copied = 0;
        for (std::size_t i = 0; i < size; ++i) {
            // Runs of text and of a tag's inside are passed over whole: only
            // where markup begins or ends, or a carriage return stands, matters.
            if (state_ == kText) {
                while (i < size && data[i] != '<' && data[i] != '\r') ++i;
            } else if (state_ == kTag) {
                while (i < size && !EndsTagRun(data[i])) ++i;
            }
            if (i == size) break;
            if (state_ == kText && data[i] == '\r') {
                append(data + copied, i - copied);
                append("&#13;", 5);
                copied = i + 1;
                continue;
            }
            Advance(data[i]);
        }
        append(data + copied, size - copied);
    }

private:
    enum State { kText, kOpening, kBang, kTag, kComment, kInstruction, kCData, kDoctype };

    void Advance(char c);
    bool EndsTagRun(char c) const { return quote_ != 0 ? c == quote_ : c == '>' || c == '"' || c == '\''; }

    State state_ = kText;
    // The two characters before the current one, for the closing sequences.
    char last_ = 0;
    char beforeLast_ = 0;
    char quote_ = 0;
    int brackets_ = 0;
};

}  // namespace qv
