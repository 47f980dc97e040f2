// The progress of zarn-cli on stderr: a bar rewritten in place on a terminal, one line per stage
// elsewhere; an empty stage ends the bar's line; cancelled once Ctrl-C came.
#include "acquisition/cli/TerminalProgress.h"
#include "acquisition/cli/Commands.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zarn::test {
namespace {

TEST(TerminalProgressTest, ABarOnATerminalAndStageLinesElsewhere) {
    std::ostringstream terminal;
    {
        cli::TerminalProgress progress(terminal, true);
        progress.stage("Replaying ...");
        progress.fraction(1.0);
        progress.stage("");
        progress.fraction(0.5); // no stage: nothing drawn
    }
    const std::string empty(cli::TerminalProgress::BarWidth, '.');
    const std::string full(cli::TerminalProgress::BarWidth, '#');
    EXPECT_EQ(terminal.str(),
              "\rReplaying ... [" + empty + "]   0%\rReplaying ... [" + full + "] 100%\n");

    std::ostringstream plain;
    {
        cli::TerminalProgress progress(plain, false);
        progress.stage("Checking the log ...");
        progress.fraction(0.5);
        progress.stage("Checking the log ...");
        progress.stage("Replaying ...");
        progress.fraction(1.0);
        progress.stage("");
    }
    EXPECT_EQ(plain.str(), "Checking the log ...\nReplaying ...\n");
}

TEST(TerminalProgressTest, CancelledOnceTheInterruptCame) {
    std::ostringstream err;
    cli::TerminalProgress progress(err, false);
    cli::clearInterrupt();
    EXPECT_FALSE(progress.cancelled());
    cli::requestInterrupt();
    EXPECT_TRUE(progress.cancelled());
    cli::clearInterrupt();
}

} // namespace
} // namespace zarn::test
