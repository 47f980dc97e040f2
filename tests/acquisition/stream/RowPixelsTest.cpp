// Single-row operations: the orientation shift, the resampling to the display and the grey copy.
#include "acquisition/stream/RowPixels.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace zarn {
namespace {

// A row whose pixels differ in every channel from their neighbours; alpha 0 as decoded.
std::vector<std::uint32_t> patternRow(int width) {
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i)
        row[static_cast<std::size_t>(i)] =
            pixelOf((i * 37) & 0xFF, (i * 11 + 5) & 0xFF, 255 - ((i * 3) & 0xFF), 0);
    return row;
}

// The shift as the row builder defines it, written out per pixel: destination column
// (I + i) mod W is source i blended with source i - 1 (wrapping), weights t and 1 - t.
std::uint32_t expectedShifted(const std::vector<std::uint32_t>& src, double angle, int column) {
    const int w = static_cast<int>(src.size());
    const double h = angle * w / 360.0;
    const int whole = static_cast<int>(std::floor(h));
    const double t = 1.0 - (h - whole);
    const int i = ((column - whole) % w + w) % w;
    const std::uint32_t s = src[static_cast<std::size_t>(i)];
    const std::uint32_t p = src[static_cast<std::size_t>((i + w - 1) % w)];
    const auto blend = [&](unsigned ps, unsigned ss) {
        return static_cast<unsigned>(std::lround(ps + (double(ss) - double(ps)) * t));
    };
    return pixelOf(blend(pixelRed(p), pixelRed(s)), blend(pixelGreen(p), pixelGreen(s)),
                   blend(pixelBlue(p), pixelBlue(s)), 0xFF);
}

TEST(RotateRow, QuarterTurnMovesColumnZeroToAQuarterOfTheRow) {
    const std::vector<std::uint32_t> src = patternRow(720);
    std::vector<std::uint32_t> dst(720, 0xDEADBEEF);
    RotateRow(90.0, src, dst, 720);
    // A whole-pixel shift copies the pixels (alpha set) without blending.
    for (int i = 0; i < 720; ++i)
        ASSERT_EQ(dst[static_cast<std::size_t>((i + 180) % 720)],
                  src[static_cast<std::size_t>(i)] | 0xFF000000u)
            << i;
}

TEST(RotateRow, FractionalShiftsBlendNeighboursAndWrap) {
    struct Case {
        int width;
        double angle;
    };
    const Case cases[] = {
        {720, 45.25},   // h = 90.5: every destination is half one pixel, half the next
        {360, 1.0},     // h = 1
        {1440, 359.9},  // just short of a turn
        {540, 0.3},     // less than a pixel
        {900, 123.456}, // arbitrary
        {1260, 200.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " " + std::to_string(c.angle));
        const std::vector<std::uint32_t> src = patternRow(c.width);
        std::vector<std::uint32_t> dst(static_cast<std::size_t>(c.width), 0xDEADBEEF);
        RotateRow(c.angle, src, dst, c.width);
        for (int x = 0; x < c.width; ++x)
            ASSERT_EQ(dst[static_cast<std::size_t>(x)], expectedShifted(src, c.angle, x)) << x;
    }
}

// Angles outside one turn are brought into it; those that are not numbers do not shift; and no
// angle, however close to a full turn, writes outside the row.
TEST(RotateRow, AnglesAreNormalisedAndNeverIndexOutsideTheRow) {
    const std::vector<std::uint32_t> src = patternRow(720);
    const auto rotated = [&](double angle) {
        std::vector<std::uint32_t> out(721, 0x01020304); // one guard pixel past the row
        RotateRow(angle, src, std::span<std::uint32_t>(out).first(720), 720);
        EXPECT_EQ(out[720], 0x01020304u) << angle;
        out.pop_back();
        return out;
    };
    std::vector<std::uint32_t> unturned = rotated(0.0);
    for (std::size_t i = 0; i < src.size(); ++i)
        ASSERT_EQ(unturned[i], src[i] | 0xFF000000u);

    EXPECT_EQ(rotated(-90.0), rotated(270.0));
    EXPECT_EQ(rotated(450.0), rotated(90.0));
    EXPECT_EQ(rotated(360.0), unturned);
    EXPECT_EQ(rotated(-1e-20), unturned); // becomes exactly 360 when brought into range
    EXPECT_EQ(rotated(std::numeric_limits<double>::quiet_NaN()), unturned);
    EXPECT_EQ(rotated(std::numeric_limits<double>::infinity()), unturned);
    rotated(std::nextafter(360.0, 0.0));
    for (int w : {360, 540, 900, 1080, 1260, 1440}) {
        const std::vector<std::uint32_t> s = patternRow(w);
        std::vector<std::uint32_t> d(static_cast<std::size_t>(w) + 1, 7);
        RotateRow(std::nextafter(360.0, 0.0), s, std::span<std::uint32_t>(d).first(s.size()), w);
        EXPECT_EQ(d.back(), 7u) << w;
    }
}

TEST(RotateRow, RowsShorterThanTheWidthAreLeftAlone) {
    const std::vector<std::uint32_t> src = patternRow(100);
    std::vector<std::uint32_t> dst(200, 9);
    RotateRow(10.0, src, dst, 200);
    RotateRow(10.0, src, std::span<std::uint32_t>(dst).first(50), 100);
    RotateRow(10.0, src, dst, 0);
    for (std::uint32_t p : dst)
        ASSERT_EQ(p, 9u);
}

TEST(RowResampler, NearestNeighbourOverTheDisplayColumns) {
    struct Case {
        int width;
        int column;
        int source;
    };
    const Case cases[] = {
        {1440, 0, 0},    {1440, 1, 2}, {1440, 719, 1438},                  // every second pixel
        {360, 0, 0},     {360, 1, 0},  {360, 2, 1},       {360, 719, 359}, // each one twice
        {720, 5, 5},     {540, 3, 2},  {540, 4, 3},       {540, 719, 539},
        {900, 719, 898}, {1080, 1, 1}, {1080, 2, 3},      {1260, 719, 1258},
    };
    RowResampler resampler;
    for (const Case& c : cases) {
        resampler.setWidth(c.width);
        EXPECT_EQ(resampler.sourceColumn(c.column), c.source) << c.width << " column " << c.column;
    }
    const std::vector<std::uint32_t> src = patternRow(1440);
    std::vector<std::uint32_t> out(DisplayImageColumns);
    resampler.setWidth(360);
    resampler.resample(src.data(), out.data());
    for (int i = 0; i < DisplayImageColumns; ++i)
        ASSERT_EQ(out[static_cast<std::size_t>(i)], src[static_cast<std::size_t>(i / 2)]);
    // Widths beyond what a sonde sends are held to the widest row.
    resampler.setWidth(100000);
    EXPECT_EQ(resampler.width(), MaxPixelsPerRow);
    resampler.setWidth(-5);
    EXPECT_EQ(resampler.width(), 1);
    EXPECT_EQ(resampler.sourceColumn(719), 0);
}

TEST(ToGrey, WeightsTheChannelsAndKeepsAlpha) {
    struct Case {
        std::uint32_t pixel;
        std::uint32_t grey;
    };
    const Case cases[] = {
        {0xFFFFFFFF, 0xFFFFFFFF}, // the weights add up to 1024
        {0x00FF0000, 0x004C4C4C}, // red: 255 * 306 >> 10 = 76
        {0x0000FF00, 0x00959595}, // green: 255 * 601 >> 10 = 149
        {0x000000FF, 0x001D1D1D}, // blue: 255 * 117 >> 10 = 29
        {0x80102030, 0x801D1D1D}, // (32 * 601 + 16 * 306 + 48 * 117) >> 10 = 29
    };
    PixelImage picture(static_cast<int>(std::size(cases)), 2);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        picture.row(0)[i] = cases[i].pixel;
        picture.row(1)[i] = cases[i].pixel;
    }
    const PixelImage grey = ToGrey(picture.view());
    ASSERT_EQ(grey.width(), picture.width());
    ASSERT_EQ(grey.height(), 2);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(grey.at(static_cast<int>(i), 0), cases[i].grey) << std::hex << cases[i].pixel;
        EXPECT_EQ(grey.at(static_cast<int>(i), 1), cases[i].grey);
    }
    EXPECT_TRUE(ToGrey(ConstPixelView{}).empty());
}

} // namespace
} // namespace zarn
