// SPDX-License-Identifier: GPL-3.0-or-later
// Where the command line speaks to people: progress and messages on standard
// error, the summary on standard output. On a terminal progress is one line
// redrawn in place; into a file or pipe it is a plain line at most every ten
// seconds, plus the first and the last. Not thread-safe; everything runs on
// the one thread.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace qv::cli {

// The engine's line breaks (CR LF) as the terminal's, and nothing of a
// server's words that a terminal would take as a control sequence.
std::string WithNewlines(const std::string& text);

class Console {
public:
    Console(std::ostream& out, std::ostream& err, bool terminal, bool quiet)
        : out_(out), err_(err), terminal_(terminal), quiet_(quiet) {}
    ~Console() { EndProgress(); }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool Terminal() const { return terminal_; }
    bool Quiet() const { return quiet_; }
    // A new run's progress: its first plain line is written at once.
    void BeginProgress() { anyWritten_ = false; }
    // Silent with --quiet.
    void Progress(const std::string& line);
    // Shown on a terminal only, in the progress line, until the next line replaces it.
    void Transient(const std::string& line);
    // Silent with --quiet.
    void Notice(const std::string& text);
    // Always said: problems and failures.
    void Message(const std::string& text);
    void Summary(const std::string& text);
    // Ends the progress: a plain last line not yet written is written, a
    // redrawn one is cleared, so that what follows starts on a clean line.
    void EndProgress();

private:
    using Clock = std::chrono::steady_clock;
    void Redraw(const std::string& line);

    std::ostream& out_;
    std::ostream& err_;
    bool terminal_;
    bool quiet_;
    bool lineOpen_ = false;
    std::string lastLine_;
    // Plain lines: the one held back since the last written, and when that was.
    std::string pending_;
    bool anyWritten_ = false;
    Clock::time_point lastWritten_{};
};

}  // namespace qv::cli
