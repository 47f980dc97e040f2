// The depth-scaled picture: drawn rows land on the picture row of their depth, empty rows repeat
// the row above, the depth scale is painted for the picture's own rows.
#include "acquisition/engine/DepthScaledStrip.h"
#include "platform/BitmapFont.h"
#include "platform/Format.h"

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

// Every label of the picture is whole: at every rows-per-metre a picture may have (100 to 5000),
// in metres and in feet, the label of each labelled depth stands centred on the row that passes
// that depth, each of its pixels the ink or the background of the font's glyphs, and no ink lies
// outside the labels. Where labels come closer than a glyph height (10 cm at 100 rows a metre)
// every other one is left out rather than drawn over.
TEST(DepthScaledStrip, LabelsAreWholeGlyphsAtEveryRowsPerMetre) {
    const double top = 9.93;       // the first label far enough down to fit whole
    const int labelLeft = 721 + 6; // right of the longest tick
    for (const bool feet : {false, true}) {
        for (const double rowsPerMetre : {100.0, 130.0, 140.0, 250.0, 400.0, 1000.0, 5000.0}) {
            SCOPED_TRACE(format("%s at %.0f rows a metre", feet ? "feet" : "metres", rowsPerMetre));
            DepthScaledStrip::Settings s = settings(top, top + 0.8, rowsPerMetre);
            s.feet = feet;
            DepthScaledStrip strip(s);
            ASSERT_TRUE(strip.valid()) << strip.error();
            strip.addRow(top, displayRow(0xFF808080));
            const PixelImage picture = strip.finish();

            // Where each labelled depth (every 10 cm, or every half foot) is passed: the first
            // row whose depth, in tenths of a millimetre or thousandths of a foot, reaches it.
            const auto unitsOfRow = [&](int y) {
                const long long tenths = std::llround((top + y / rowsPerMetre) * 10000.0);
                return feet ? std::llround(tenths / 10000.0 * 3.28083 * 1000.0) : tenths;
            };
            const long long labelStep = feet ? 500 : 1000;
            std::vector<std::pair<int, std::string>> candidates;
            long long next = (unitsOfRow(0) / labelStep + 1) * labelStep;
            for (int y = 0; y < picture.height(); ++y)
                if (unitsOfRow(y) >= next) {
                    candidates.emplace_back(y, format("%.1f", next / (feet ? 1000.0 : 10000.0)));
                    next += labelStep;
                }
            ASSERT_GE(candidates.size(), 2u);

            // The labels found whole, glyph by glyph, and the strip pixels they cover.
            std::vector<std::uint8_t> covered(
                static_cast<std::size_t>(picture.width() * picture.height()), 0);
            int whole = 0, fitting = 0, previousRow = -1000;
            for (const auto& [row, text] : candidates) {
                const TextBox box = BitmapFont::boxCentredOn(s.labelCentre, row, text);
                if (box.top < 0 || box.bottom() > picture.height())
                    continue;
                ++fitting;
                bool matches = true;
                for (int y = box.top; y < box.bottom() && matches; ++y)
                    for (int x = box.left; x < box.right() && matches; ++x) {
                        const int offset = x - box.left;
                        const bool ink = BitmapFont::inked(text[std::size_t(offset / 7)],
                                                           offset % 7, y - box.top);
                        matches = picture.at(x, y) ==
                                  (ink ? DepthScale::LabelColour : DepthScale::Background);
                    }
                if (!matches)
                    continue;
                EXPECT_GE(row - previousRow, BitmapFont::GlyphHeight) << text;
                previousRow = row;
                ++whole;
                for (int y = box.top; y < box.bottom(); ++y)
                    for (int x = box.left; x < box.right(); ++x)
                        covered[std::size_t(y * picture.width() + x)] = 1;
            }
            // Every label where there is room for it; at most every other one where there is
            // not.
            const double rowsPerLabel = rowsPerMetre * (feet ? 0.1524 : 0.1);
            if (rowsPerLabel >= BitmapFont::GlyphHeight)
                EXPECT_EQ(whole, fitting);
            else
                EXPECT_GE(whole, fitting / 2);
            // No ink of the labels outside the whole ones (a label cut by the rows below it, or
            // drawn over by the next, leaves ink that is no whole label).
            for (int y = 0; y < picture.height(); ++y)
                for (int x = labelLeft; x < picture.width(); ++x) {
                    if (!covered[std::size_t(y * picture.width() + x)]) {
                        ASSERT_EQ(picture.at(x, y), DepthScale::Background) << x << "," << y;
                    }
                }
        }
    }
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
