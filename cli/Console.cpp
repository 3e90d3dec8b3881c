// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include "Sundrykit.h"

namespace qv::cli {

namespace {

// Carriage return, then erase to the end of the line.
const char* const kRewrite = "\r\x1b[K";
// Plain lines go to files and mail: a new one only now and then.
constexpr std::chrono::seconds kPlainLineEvery{10};

}  // namespace

std::string WithNewlines(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') continue;
        result += text[at];
    }
    // Messages carry the server's words (a status line, an element's name):
    // nothing of them may reach the terminal as a control sequence.
    return skPrintable(result, true);
}

void Console::Redraw(const std::string& line) {
    if (lineOpen_ && line == lastLine_) return;
    err_ << kRewrite << skPrintable(line) << std::flush;
    lineOpen_ = true;
    lastLine_ = line;
}

void Console::Progress(const std::string& line) {
    if (quiet_) return;
    if (terminal_) return Redraw(line);
    const auto now = Clock::now();
    if (anyWritten_ && now - lastWritten_ < kPlainLineEvery) {
        pending_ = line;
        return;
    }
    err_ << skPrintable(line) << '\n' << std::flush;
    anyWritten_ = true;
    lastWritten_ = now;
    pending_.clear();
}

void Console::Transient(const std::string& line) {
    if (quiet_ || !terminal_) return;
    std::string flat = WithNewlines(line);
    for (char& c : flat)
        if (c == '\n') c = ' ';
    Redraw(flat);
}

void Console::Notice(const std::string& text) {
    if (quiet_) return;
    Message(text);
}

void Console::Message(const std::string& text) {
    EndProgress();
    err_ << WithNewlines(text) << '\n' << std::flush;
}

void Console::Summary(const std::string& text) {
    EndProgress();
    out_ << WithNewlines(text) << '\n' << std::flush;
}

void Console::EndProgress() {
    if (!pending_.empty()) {
        err_ << skPrintable(pending_) << '\n' << std::flush;
        lastWritten_ = Clock::now();
        pending_.clear();
    }
    if (!lineOpen_) return;
    err_ << kRewrite << std::flush;
    lineOpen_ = false;
    lastLine_.clear();
}

}  // namespace qv::cli
