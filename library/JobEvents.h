// SPDX-License-Identifier: GPL-3.0-or-later
// What quillvault-cli --json writes to standard error: one JSON object a
// line, in the names of CliEvents.h. The lines are cut from the bytes as they come; a line that is no
// event (a crash message, a library's complaint) is kept as plain text, and
// fields this reader does not know are ignored.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::library {

enum class EventKind { Start, Progress, Wait, Notice, Warning, End, Unknown, PlainLine };

struct JobEvent {
    EventKind kind = EventKind::PlainLine;
    std::string command;  // events::command::kBackup, kMedia or kHtml; "" for a plain line
    std::string line;     // the line as it came
    nlohmann::json fields = nlohmann::json::object();

    // A whole number field; nullopt when absent, null or not a number.
    std::optional<std::int64_t> Number(const char* name) const;
    // A text field; "" when absent or not text.
    std::string Text(const char* name) const;
};

JobEvent ParseEventLine(std::string_view line);

// Cuts a byte stream into lines. A line longer than the limit is cut there,
// so a child that never ends its line cannot make us hold everything.
class LineSplitter {
public:
    explicit LineSplitter(std::size_t maxLine = 1 << 20) : maxLine_(maxLine) {}
    std::vector<std::string> Feed(std::string_view bytes);
    // What is left after the stream ended without a final line break.
    std::optional<std::string> Rest();

private:
    std::string pending_;
    std::size_t maxLine_;
};

}  // namespace qv::library
