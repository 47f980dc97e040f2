// The live status line: on a terminal one line rewritten in place, blanked over what a longer
// text left, at most every 200 ms; elsewhere plain lines at most one per interval; finish ends
// an open line once. The status pane keeps the recording's texts for it.
#include "acquisition/cli/StatusLine.h"
#include "acquisition/cli/StatusPane.h"

#include <gtest/gtest.h>

#include <sstream>

namespace zarn::test {
namespace {

using cli::StatusLine;
using namespace std::chrono_literals;

TEST(StatusLineTest, OnATerminalTheLineIsRewrittenInPlace) {
    std::ostringstream out;
    const StatusLine::Clock::time_point t0{};
    {
        StatusLine line(out, true);
        line.show("depth 10.00 m  REC", t0 + 1s);
        line.show("skipped: too soon", t0 + 1s + 100ms);
        line.show("depth 10.5 m", t0 + 1s + 200ms);
        line.finish();
        line.finish();
        line.show("after", t0 + 2s);
        // The destructor ends the open line.
    }
    EXPECT_EQ(out.str(), "\rdepth 10.00 m  REC\rdepth 10.5 m      \n\rafter\n");
}

TEST(StatusLineTest, ElsewherePlainLinesAtMostOnePerInterval) {
    std::ostringstream out;
    const StatusLine::Clock::time_point t0{};
    {
        StatusLine line(out, false, 1000ms);
        line.show("a", t0 + 1s);
        line.show("b", t0 + 1s + 999ms);
        line.show("c", t0 + 2s);
        line.finish();
        line.show("d", t0 + 2s + 500ms);
    }
    EXPECT_EQ(out.str(), "a\nc\n");
}

TEST(StatusLineTest, TheStatusPaneKeepsTheFirstPanesLastText) {
    {
        cli::StatusPane pane;
        EXPECT_EQ(&StatusBar::current(), &pane);
        EXPECT_EQ(pane.text(), "");
        StatusBar::current().setPaneText(0, "Data file : BH12.lox");
        StatusBar::current().setPaneText(2, "Lost 3");
        EXPECT_EQ(pane.text(), "Data file : BH12.lox");
        StatusBar::current().setPaneText(0, "Data file : BH12_2.lox ");
        EXPECT_EQ(pane.text(), "Data file : BH12_2.lox");
        StatusBar::current().setPaneText(0, " ");
        EXPECT_EQ(pane.text(), "");
    }
    // Gone with the pane: the silent status bar again.
    StatusBar::current().setPaneText(0, "nobody");
}

} // namespace
} // namespace zarn::test
