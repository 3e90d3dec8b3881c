#include "Console.h"

#include "Sundrykit.h"

namespace qv::cli {

namespace {

// Carriage return, then erase to the end of the line.
const char* const kRewrite = "\r\x1b[K";

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

void Console::Progress(const std::string& line) {
    if (quiet_) return;
    if (terminal_) {
        if (lineOpen_ && line == lastLine_) return;
        err_ << kRewrite << skPrintable(line) << std::flush;
        lineOpen_ = true;
        lastLine_ = line;
    } else {
        err_ << skPrintable(line) << '\n' << std::flush;
    }
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
    if (!lineOpen_) return;
    err_ << kRewrite << std::flush;
    lineOpen_ = false;
    lastLine_.clear();
}

}  // namespace qv::cli
