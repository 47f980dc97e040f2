// The view's logic: the scroll bar's position and the top row in 64 bits (the end reached
// exactly on the tallest strip), the steps of keys, wheel and arrows by reduction level, the
// status bar's depths, and reduced screens composed from the strip's rows.
#include "viewer/ViewState.h"

#include "tests/support/TestSupport.h"
#include "tests/viewer/ViewerTestSupport.h"

#include <gtest/gtest.h>

namespace lvviewer::test {
namespace {

TEST(ViewState, ScrollPositionsMapOntoTopRowsAndReachTheEndExactly) {
    for (const std::int64_t total :
         {std::int64_t{1000}, std::int64_t{1'000'130}, std::int64_t{5'000'000'000'000}}) {
        ViewState view;
        view.setClient(800, 600);
        view.setStrip(total, 0);
        const std::int64_t last = total - 600;
        EXPECT_EQ(view.maxTop(), last);
        view.scrollToPosition(ScrollRange);
        EXPECT_EQ(view.top(), last) << total;
        EXPECT_EQ(view.scrollPosition(), ScrollRange);
        view.scrollToPosition(0);
        EXPECT_EQ(view.top(), 0);
        view.scrollToPosition(ScrollRange / 2);
        EXPECT_NEAR(static_cast<double>(view.top()), last / 2.0, last / 32767.0 + 1);
        EXPECT_NEAR(view.scrollPosition(), ScrollRange / 2, 0.5 + ScrollRange / double(last));
        view.end();
        EXPECT_EQ(view.top(), last);
        view.lineDown();
        EXPECT_EQ(view.top(), last);
        view.home();
        view.lineUp();
        EXPECT_EQ(view.top(), 0);
        view.scrollToPosition(ScrollRange + 100); // held
        EXPECT_EQ(view.top(), last);
    }
    // A strip shorter than the window stays at its top.
    ViewState view;
    view.setClient(800, 600);
    view.setStrip(300, 200);
    EXPECT_EQ(view.top(), 0);
    view.scrollToPosition(20000);
    view.pageDown();
    EXPECT_EQ(view.top(), 0);
    EXPECT_EQ(view.scrollPosition(), 0);
}

TEST(ViewState, StepsOfKeysWheelAndArrowsByReduction) {
    // A strip of 32767 travel rows past the window: one scroll unit is one row.
    struct Case {
        int level;
        std::int64_t visible, line, wheel;
    };
    for (const Case c : {Case{0, 600, 4, 16}, Case{1, 800, 8, 32}, Case{2, 1200, 12, 48},
                         Case{3, 1819, 16, 64}, Case{4, 2400, 20, 80}}) {
        ViewState view;
        view.setClient(800, 600);
        view.setZoomLevel(c.level);
        view.setStrip(32767 + c.visible, 10000);
        EXPECT_EQ(view.visibleRows(), c.visible) << c.level;
        view.lineDown();
        EXPECT_EQ(view.top(), 10000 + c.line) << c.level;
        view.wheel(-1); // towards the user: down
        EXPECT_EQ(view.top(), 10000 + c.line + c.wheel) << c.level;
        view.wheel(1);
        view.lineUp();
        EXPECT_EQ(view.top(), 10000);
        view.arrowDown(); // the scroll bar's arrows ignore the reduction
        EXPECT_EQ(view.top(), 10004);
        view.pageDown();
        EXPECT_EQ(view.top(), 10004 + PageStep);
        view.pageAreaClick(25, 654); // the top of the page area
        EXPECT_EQ(view.top(), 0);
        view.pageAreaClick(654 - 29, 654);
        EXPECT_EQ(view.top(), view.maxTop());
    }
    // On a strip 100 times as tall a unit is 100 rows.
    ViewState view;
    view.setClient(800, 600);
    view.setStrip(3'276'700 + 600, 0);
    view.lineDown();
    EXPECT_EQ(view.top(), 400);
}

std::vector<StripEntry> statusStrip() {
    // Header, a picture of 10.00 to 12.00 m at 1000 rows a metre, a missing part to 13 m, a
    // picture to 14 m, the trailer.
    const auto piece = [](int from, int to, int height, double ppm, PieceKind kind) {
        StripEntry entry;
        entry.depthFrom = from;
        entry.depthTo = to;
        entry.height = height;
        entry.pixelsPerMetre = ppm;
        entry.kind = kind;
        return entry;
    };
    std::vector<StripEntry> e = {piece(9895, 10000, 105, 1000, PieceKind::Header),
                                 piece(10000, 12000, 2000, 1000, PieceKind::Picture),
                                 piece(12000, 13000, 1000, 1000, PieceKind::Missing),
                                 piece(13000, 14000, 1000, 1000, PieceKind::Picture),
                                 piece(14000, 14025, 25, -1, PieceKind::Trailer)};
    stackEntries(e);
    return e;
}

TEST(ViewState, StatusBarDepths) {
    const std::vector<StripEntry> e = statusStrip();
    struct Case {
        std::int64_t top, rows;
        bool imperial;
        const char* text;
    };
    for (const Case c : {
             // The header on top: the first picture's top depth.
             Case{0, 600, false, "DEPTH: from 10.00 meter to 10.49 meter"},
             Case{105, 600, false, "DEPTH: from 10.00 meter to 10.60 meter"},
             // 10.001 shows as 10.01: the top depth is raised to the next hundredth.
             Case{106, 600, false, "DEPTH: from 10.01 meter to 10.60 meter"},
             Case{105 + 2500, 1000, true, "DEPTH: from 12.50 ft to 13.50 ft"},
             // The trailer reached: the last picture's bottom.
             Case{4105 - 600 + 25, 600, false, "DEPTH: from 13.43 meter to 14.00 meter"},
         })
        EXPECT_EQ(statusText(e, c.top, c.rows, c.imperial, {}), c.text) << c.top;
    EXPECT_EQ(statusText(e, 105, 600, false, {"B.jpg: the file could not be opened"}),
              "DEPTH: from 10.00 meter to 10.60 meter  -  B.jpg: the file could not be opened");
}

TEST(ViewState, ReducedScreensAverageTheStripAndShowWhiteBelowIt) {
    zarn::test::TempHome home;
    // Columns alternately black and white: at 50 % every screen pixel of the picture is grey.
    writePicture(home.file("Z_X_0000.00-0001.00.bmp"), 64, 1000, [](int x, int) {
        return x % 2 ? zarn::pixelOf(255, 255, 255) : zarn::pixelOf(0, 0, 0);
    });
    CLVViewerDoc doc;
    doc.setUseLoader(false);
    AssemblyFailure failure;
    ASSERT_TRUE(
        doc.OnOpenDocument(home.file("Z_X_0000.00-0001.00.bmp"), zarn::noProgress(), &failure));
    ViewState view;
    view.setClient(600, 800);
    view.setZoomLevel(2);
    view.setStrip(doc.totalHeight(), doc.startRow());
    ScreenComposer composer;
    const zarn::PixelImage& screen = composer.compose(doc, view, 600, 800, nullptr);
    const StripGeometry& g = doc.geometry();
    EXPECT_EQ(view.stripWidthOnScreen(g.stripWidth()), (g.stripWidth() + 1) / 2);
    const int x = (g.pictureLeft() + 10) / 2;
    const int y = static_cast<int>((doc.entries()[1].top + 300) / 2);
    EXPECT_EQ(zarn::pixelRed(screen.at(x, y)), 127u);
    // Below the trailer, and right of the strip, the screen is white.
    const int below = static_cast<int>(doc.totalHeight() / 2) + 2;
    ASSERT_LT(below, 800);
    EXPECT_EQ(screen.at(x, below), colour::Background);
    EXPECT_EQ(screen.at(599, 10), colour::Background);
}

} // namespace
} // namespace lvviewer::test
