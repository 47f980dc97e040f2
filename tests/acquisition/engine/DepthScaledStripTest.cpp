// The depth-scaled picture: drawn rows land on the picture row of their depth, empty rows repeat
// the row above, the depth scale is painted for the picture's own rows.
#include "acquisition/engine/DepthScaledStrip.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace zarn {
namespace {

DepthScaledStrip::Settings settings(double top, double bottom, double rowsPerMetre = 400) {
    DepthScaledStrip::Settings s;
    s.top = top;
    s.bottom = bottom;
    s.rowsPerMetre = rowsPerMetre;
    return s;
}

// A display row whose image part is one colour and whose strip is a colour the picture must
// not keep.
std::vector<std::uint32_t> displayRow(std::uint32_t colour) {
    std::vector<std::uint32_t> row(773, 0xFF123456);
    std::fill(row.begin(), row.begin() + 721, colour);
    return row;
}

TEST(DepthScaledStrip, RowsLandAtTheirDepthAndGapsRepeatTheRowAbove) {
    DepthScaledStrip strip(settings(10.0, 11.0, 400)); // 2.5 mm a row
    ASSERT_TRUE(strip.valid()) << strip.error();
    EXPECT_EQ(strip.rows(), 401);
    strip.addRow(10.0, displayRow(0xFF000001));    // row 0
    strip.addRow(10.0012, displayRow(0xFF000002)); // row 0 again: the first one stays
    strip.addRow(10.0100, displayRow(0xFF000003)); // row 4
    strip.addRow(10.5000, displayRow(0xFF000004)); // row 200
    strip.addRow(9.99, displayRow(0xFF000005));    // above the picture: not taken
    strip.addRow(11.01, displayRow(0xFF000006));   // below it
    strip.addRow(std::numeric_limits<double>::quiet_NaN(), displayRow(0xFF000007));
    EXPECT_EQ(strip.rowsFilled(), 3);

    const PixelImage picture = strip.finish();
    ASSERT_EQ(picture.width(), 773);
    ASSERT_EQ(picture.height(), 401);
    const struct {
        int row;
        std::uint32_t colour;
    } expected[] = {{0, 0xFF000001},   {3, 0xFF000001},   {4, 0xFF000003},
                    {199, 0xFF000003}, {200, 0xFF000004}, {400, 0xFF000004}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.row);
        EXPECT_EQ(picture.at(0, e.row), e.colour);
        EXPECT_EQ(picture.at(720, e.row), e.colour);
        EXPECT_NE(picture.at(760, e.row), 0xFF123456u); // the strip is the picture's own
    }
}

// The scale marks every centimetre at 400 rows a metre: a label row every 10 cm carries
// dark label pixels in the strip, and the rows between labels carry ticks at the strip's edge.
TEST(DepthScaledStrip, DepthScaleIsPaintedForThePicturesRows) {
    DepthScaledStrip strip(settings(10.0, 10.5, 400));
    strip.addRow(10.0, displayRow(0xFF808080));
    const PixelImage picture = strip.finish();
    auto darkInStrip = [&](int row) {
        int dark = 0;
        for (int x = 721; x < picture.width(); ++x)
            dark += picture.at(x, row) == DepthScale::LabelColour;
        return dark;
    };
    // Labels centre on their rows (10.1 m at row 40, 10.2 m at row 80): the glyphs' middle row
    // has dark pixels well away from the tick columns.
    for (int row : {40, 80, 120, 160}) {
        SCOPED_TRACE(row);
        EXPECT_GT(darkInStrip(row), 3);
    }
    // Half way between two labels there is no label, at most a tick.
    EXPECT_LE(darkInStrip(60 + 2), 12);
    EXPECT_EQ(picture.at(0, 200), 0xFF808080u);
}

TEST(DepthScaledStrip, RefusesWhatCannotMakeAPicture) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const DepthScaledStrip::Settings cases[] = {
        settings(10, 10),  settings(11, 10),   settings(nan, 10),
        settings(0, 1, 0), settings(0, 1, -5), settings(0, 1000, 400), // 400001 rows
    };
    for (const auto& s : cases) {
        SCOPED_TRACE(s.bottom);
        DepthScaledStrip strip(s);
        EXPECT_FALSE(strip.valid());
        EXPECT_FALSE(strip.error().empty());
        strip.addRow(0.5, displayRow(1)); // nothing happens
        EXPECT_EQ(strip.finish().height(), 0);
    }
}

} // namespace
} // namespace zarn
