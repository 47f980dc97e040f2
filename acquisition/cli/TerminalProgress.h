// The progress of zarn-cli's long work on stderr: on a terminal one bar rewritten in place
// ("Replay [#########...........]  45%"), otherwise (a pipe, a file, a CI log) one plain line per
// stage. Cancelled once Ctrl-C came. The commands end their work with an empty stage, which ends
// the bar's line so that their summary or error line follows on a line of its own.
#pragma once

#include "platform/Progress.h"

#include <chrono>
#include <iosfwd>
#include <string>

namespace zarn::cli {

class TerminalProgress : public Progress {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int BarWidth = 30;

    TerminalProgress(std::ostream& err, bool terminal);
    // Ends a bar left open.
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void stage(std::string_view text) override;
    void fraction(double done) override;
    // True once the interrupt (Ctrl-C) was requested.
    [[nodiscard]] bool cancelled() const override;

    // Ends the bar's line so other output can follow.
    void finish();

    // Whether standard error is a terminal.
    static bool stderrIsTerminal();

private:
    void draw(Clock::time_point now);

    std::ostream& err_;
    bool terminal_;
    std::string stage_;
    double done_ = 0;
    int shownPercent_ = -1;
    Clock::time_point lastDrawn_{};
    bool open_ = false;
};

} // namespace zarn::cli
