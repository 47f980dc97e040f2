#include "acquisition/cli/StatusLine.h"

#include <ostream>
#include <unistd.h>

namespace zarn::cli {

StatusLine::StatusLine(std::ostream& out, bool terminal, std::chrono::milliseconds interval)
    : out_(out), terminal_(terminal),
      interval_(terminal ? std::chrono::milliseconds(200) : interval) {}

StatusLine::~StatusLine() {
    finish();
}

bool StatusLine::stdoutIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

void StatusLine::show(const std::string& text, Clock::time_point now) {
    if (shown_ && now - last_ < interval_)
        return;
    shown_ = true;
    last_ = now;
    if (terminal_) {
        // Blanks over what is left of a longer line before.
        const std::size_t pad = width_ > text.size() ? width_ - text.size() : 0;
        out_ << '\r' << text << std::string(pad, ' ') << std::flush;
        width_ = text.size();
        open_ = true;
    } else {
        out_ << text << '\n' << std::flush;
    }
}

void StatusLine::finish() {
    if (open_)
        out_ << '\n' << std::flush;
    open_ = false;
    width_ = 0;
}

} // namespace zarn::cli
