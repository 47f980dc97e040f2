#include "acquisition/cli/TerminalProgress.h"

#include "acquisition/cli/Commands.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <ostream>
#include <unistd.h>

namespace zarn::cli {

namespace {
// The bar is redrawn at most this often (and when its percentage changes).
constexpr auto RedrawPeriod = std::chrono::milliseconds(100);
} // namespace

TerminalProgress::TerminalProgress(std::ostream& err, bool terminal)
    : err_(err), terminal_(terminal) {}

TerminalProgress::~TerminalProgress() {
    finish();
}

bool TerminalProgress::stderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

void TerminalProgress::stage(std::string_view text) {
    if (text == stage_)
        return;
    finish();
    stage_ = std::string(text);
    done_ = 0;
    shownPercent_ = -1;
    if (stage_.empty())
        return;
    if (terminal_)
        draw(Clock::now());
    else
        err_ << stage_ << std::endl;
}

void TerminalProgress::fraction(double done) {
    if (!std::isfinite(done))
        return;
    done_ = std::clamp(done, 0.0, 1.0);
    if (!terminal_ || stage_.empty())
        return;
    const auto now = Clock::now();
    const int percent = static_cast<int>(done_ * 100);
    if (percent != shownPercent_ && (now - lastDrawn_ >= RedrawPeriod || percent == 100))
        draw(now);
}

bool TerminalProgress::cancelled() const {
    return interruptRequested();
}

void TerminalProgress::draw(Clock::time_point now) {
    const int percent = static_cast<int>(done_ * 100);
    const int filled = static_cast<int>(done_ * BarWidth);
    err_ << '\r' << stage_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(BarWidth - filled), '.') << "] "
         << format("%3d%%", percent) << std::flush;
    shownPercent_ = percent;
    lastDrawn_ = now;
    open_ = true;
}

void TerminalProgress::finish() {
    if (open_)
        err_ << '\n' << std::flush;
    open_ = false;
}

} // namespace zarn::cli
