// Where the command line speaks: progress and messages on standard error (one
// refreshing line on a terminal, plain lines otherwise), the summary on
// standard output. Not thread-safe; everything runs on the one thread.
#pragma once

#include <ostream>
#include <string>

namespace qv::cli {

// The engine's line breaks (CR LF) as the terminal's.
std::string WithNewlines(const std::string& text);

class Console {
public:
    Console(std::ostream& out, std::ostream& err, bool terminal, bool quiet)
        : out_(out), err_(err), terminal_(terminal), quiet_(quiet) {}
    ~Console() { EndProgress(); }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    bool Terminal() const { return terminal_; }
    // Silent with --quiet.
    void Progress(const std::string& line);
    // Always said: what the engine would show in a box, and our own notes.
    void Message(const std::string& text);
    void Summary(const std::string& text);
    // Clears a refreshing line, so that what follows starts on a clean line.
    void EndProgress();

private:
    std::ostream& out_;
    std::ostream& err_;
    bool terminal_;
    bool quiet_;
    bool lineOpen_ = false;
    std::string lastLine_;
};

}  // namespace qv::cli
