// The live status line of a long command: on a terminal one line rewritten in place; otherwise
// (a pipe, a file, a CI log) plain lines, at most one per `interval`.
#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

namespace zarn::cli {

class StatusLine {
public:
    using Clock = std::chrono::steady_clock;

    StatusLine(std::ostream& out, bool terminal,
               std::chrono::milliseconds interval = std::chrono::milliseconds(1000));
    // Ends a line left open on the terminal.
    ~StatusLine();
    StatusLine(const StatusLine&) = delete;
    StatusLine& operator=(const StatusLine&) = delete;

    // Shows the text now when due (terminal: every 200 ms at most).
    void show(const std::string& text, Clock::time_point now = Clock::now());
    // Ends the line in place so other output can follow.
    void finish();

    // Whether standard output is a terminal.
    static bool stdoutIsTerminal();

private:
    std::ostream& out_;
    bool terminal_;
    std::chrono::milliseconds interval_;
    Clock::time_point last_{};
    bool shown_ = false;
    bool open_ = false;
    std::size_t width_ = 0;
};

} // namespace zarn::cli
