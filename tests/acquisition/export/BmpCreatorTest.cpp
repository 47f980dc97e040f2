// The picture canvas: rows in fill order, the depth scale drawn into the pixels (tick lengths by
// level, ticks two rows high, labels whole and readable), saving by type and colour mode.
#include "acquisition/export/BmpCreator.h"
#include "platform/BitmapFont.h"
#include "platform/imaging/PictureCodecs.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarn::test {
namespace {

constexpr std::uint32_t Grey = 0xFF404040u;
constexpr std::uint32_t YellowRef = 0x0000FFFF;
constexpr std::uint32_t Yellow = 0xFFFFFF00u;

// The number of scale-coloured pixels from pixel 2 on in a row (the tick's length - 2).
int tickPixels(const ConstPixelView& view, int row) {
    int n = 0;
    for (int x = CBmpCreator::TickStart; x < 30 && view.at(x, row) == Yellow; ++x)
        ++n;
    return n;
}

// Fills a canvas with rows one depth step apart from first (0.1 mm units).
CBmpCreator& fill(CBmpCreator& canvas, long long first, long long step, bool down = true,
                  bool feet = false) {
    canvas.SetFeet(feet);
    canvas.SetRowInterval(static_cast<double>(step < 0 ? -step : step) / 10000.0);
    const std::vector<std::uint32_t> line(static_cast<std::size_t>(canvas.width()), Grey);
    for (long long i = 0; !canvas.full(); ++i)
        EXPECT_TRUE(canvas.AddRow(line, down, first + i * step, true, YellowRef));
    return canvas;
}

TEST(BmpCreator, MetricTicksByLevelTwoRowsHighAndAWholeLabelAtEveryMetre) {
    CBmpCreator canvas;
    ASSERT_TRUE(canvas.Create(360, 300));
    // 1 cm per row from 9.00 m: 9.00 m at row 0, 9.10 at row 10, 9.50 at row 50, 10.00 at 100.
    fill(canvas, 90000, 100);
    const ConstPixelView view = canvas.view();
    struct Case {
        int row;
        int pixels; // tick length - 2
    };
    for (const Case c : {Case{10, 6}, Case{11, 6}, Case{12, 0}, Case{50, 16}, Case{51, 16},
                         Case{100, 22}, Case{101, 22}, Case{102, 0}, Case{160, 6}, Case{155, 0},
                         Case{150, 16}, Case{200, 22}, Case{5, 0}})
        EXPECT_EQ(tickPixels(view, c.row), c.pixels) << "row " << c.row;
    EXPECT_FALSE(canvas.AddRow(std::vector<std::uint32_t>(360, Grey), true, 1, true, YellowRef));

    // The label "10" at row 100 and "11" at row 200, read back against the font at 3x.
    for (const auto& [text, row] : {std::pair<std::string, int>{"10", 100}, {"11", 200}}) {
        const int height = BitmapFont::GlyphHeight * 3;
        const int left = CBmpCreator::LabelCentre - BitmapFont::textWidth(text) * 3 / 2;
        const int top = row - (height - 1) / 2;
        int mismatches = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < BitmapFont::textWidth(text) * 3; ++x) {
                const char c = text[static_cast<std::size_t>(x / (BitmapFont::GlyphWidth * 3))];
                const bool inked =
                    BitmapFont::inked(c, (x % (BitmapFont::GlyphWidth * 3)) / 3, y / 3);
                const std::uint32_t pixel = view.at(left + x, top + y);
                mismatches += inked != (pixel == Yellow);
                if (!inked && pixel != Grey)
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0) << "label " << text;
    }
}

TEST(BmpCreator, FeetTicksEveryInchLongerAtTheHalfFootAndLabelledAtTheFoot) {
    CBmpCreator canvas;
    ASSERT_TRUE(canvas.Create(360, 400));
    // 1 mm per row from 3.00 m (9.842 ft): 10 ft = 3.048 m at row 48.
    fill(canvas, 30000, 10, true, true);
    const ConstPixelView view = canvas.view();
    // Rows where a tick starts: the first row whose depth in 0.001 ft reaches the mark.
    std::vector<std::pair<int, int>> starts; // row, pixels
    for (int row = 1; row < canvas.height(); ++row)
        if (tickPixels(view, row) > 0 && tickPixels(view, row - 1) == 0)
            starts.emplace_back(row, tickPixels(view, row));
    ASSERT_GE(starts.size(), 10u);
    // 10 ft = 3.048 m at row 48, then every inch (25.4 mm, about 25 rows); 10.5 ft = 3.2004 m
    // is first reached by row 201.
    EXPECT_EQ(starts[0].second, 6); // 9.917 ft
    bool foot = false, halfFoot = false;
    for (const auto& [row, pixels] : starts) {
        if (row == 48)
            foot = pixels == 22;
        if (row == 201)
            halfFoot = pixels == 16;
        EXPECT_TRUE(pixels == 6 || pixels == 16 || pixels == 22) << row;
    }
    EXPECT_TRUE(foot);
    EXPECT_TRUE(halfFoot);
    // Inches apart: 25 or 26 rows.
    for (std::size_t i = 1; i < starts.size(); ++i)
        EXPECT_NEAR(starts[i].first - starts[i - 1].first, 25.4, 1.0);
}

TEST(BmpCreator, AJumpGetsNoTickARepeatedDepthKeepsTheTickAndCoarseIntervalsKeepTheScale) {
    const std::vector<std::uint32_t> line(360, Grey);
    {
        CBmpCreator canvas;
        ASSERT_TRUE(canvas.Create(360, 4));
        canvas.SetRowInterval(0.001);
        ASSERT_TRUE(canvas.AddRow(line, true, 99990, true, YellowRef));
        ASSERT_TRUE(canvas.AddRow(line, true, 120000, true, YellowRef)); // a jump over 10 m, 11 m
        ASSERT_TRUE(canvas.AddRow(line, true, 120000, true, YellowRef));
        EXPECT_EQ(tickPixels(canvas.view(), 1), 0);
        EXPECT_EQ(tickPixels(canvas.view(), 2), 0);
    }
    {
        CBmpCreator canvas;
        ASSERT_TRUE(canvas.Create(360, 3));
        canvas.SetRowInterval(0.001);
        ASSERT_TRUE(canvas.AddRow(line, true, 99990, true, YellowRef));
        ASSERT_TRUE(canvas.AddRow(line, true, 100000, true, YellowRef));
        ASSERT_TRUE(canvas.AddRow(line, true, 100000, true, YellowRef)); // same depth: repeat
        EXPECT_EQ(tickPixels(canvas.view(), 1), 22);
        EXPECT_EQ(tickPixels(canvas.view(), 2), 22);
    }
    {
        // 5 cm per row: every row is more than 100 units from the one before, yet ticks stay.
        CBmpCreator canvas;
        ASSERT_TRUE(canvas.Create(360, 40));
        fill(canvas, 90000, 500);
        EXPECT_EQ(tickPixels(canvas.view(), 2), 6);   // 9.10 m
        EXPECT_EQ(tickPixels(canvas.view(), 10), 16); // 9.50 m
        EXPECT_EQ(tickPixels(canvas.view(), 20), 22); // 10.00 m
    }
}

TEST(BmpCreator, AnUpwardFillStartsAtTheBottomAndSavesOnlyItsFilledRows) {
    CBmpCreator canvas;
    ASSERT_TRUE(canvas.Create(360, 10));
    for (int i = 0; i < 4; ++i) {
        const std::vector<std::uint32_t> line(360, pixelOf(10 * i, 0, 0));
        ASSERT_TRUE(canvas.AddRow(line, false, 100000 - i * 10, false, YellowRef));
    }
    EXPECT_EQ(canvas.view().at(0, 9), pixelOf(0, 0, 0));
    EXPECT_EQ(canvas.view().at(0, 6), pixelOf(30, 0, 0));
    const ConstPixelView filled = canvas.filledView();
    ASSERT_EQ(filled.height, 4);
    EXPECT_EQ(filled.at(0, 0), pixelOf(30, 0, 0)); // the shallowest at the top

    TempHome home;
    ASSERT_TRUE(canvas.Save(home.file("up.bmp"), CBmpCreator::PictureType::Bmp,
                            CBmpCreator::TrueColourMode));
    const std::optional<PixelImage> back = loadPicture(home.file("up.bmp"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->height(), 4);
    EXPECT_EQ(back->view().at(5, 0), pixelOf(30, 0, 0));
    EXPECT_EQ(back->view().at(5, 3), pixelOf(0, 0, 0));
}

TEST(BmpCreator, SavesByTypeGreyUprightAndJpegAtItsSize) {
    TempHome home;
    struct Case {
        const char* name;
        CBmpCreator::PictureType type;
        int mode;
    };
    for (const Case c : {Case{"a.jpg", CBmpCreator::PictureType::Jpeg, 24},
                         Case{"b.tif", CBmpCreator::PictureType::Tiff, 1},
                         Case{"c.bmp", CBmpCreator::PictureType::Bmp, 1}}) {
        CBmpCreator canvas;
        ASSERT_TRUE(canvas.Create(720, 2000));
        std::vector<std::uint32_t> line(720);
        for (int i = 0; !canvas.full(); ++i) {
            // Red at the top, blue further down: upside down would show.
            const unsigned t = static_cast<unsigned>(i * 255 / 1999);
            std::fill(line.begin(), line.end(), pixelOf(255 - t, 40, t));
            ASSERT_TRUE(canvas.AddRow(line, true, 100000 + i * 10, true, YellowRef));
        }
        std::string error;
        ASSERT_TRUE(canvas.Save(home.file(c.name), c.type, c.mode, &error)) << error;
        const std::optional<PixelImage> back = loadPicture(home.file(c.name), &error);
        ASSERT_TRUE(back) << error;
        EXPECT_EQ(back->width(), 720) << c.name;
        EXPECT_EQ(back->height(), 2000) << c.name;
        const std::uint32_t top = back->view().at(400, 5);
        const std::uint32_t bottom = back->view().at(400, 1990);
        if (c.mode == CBmpCreator::GreyMode) {
            for (const std::uint32_t p : {top, bottom}) {
                EXPECT_EQ(pixelRed(p), pixelGreen(p)) << c.name;
                EXPECT_EQ(pixelGreen(p), pixelBlue(p)) << c.name;
            }
            // Grey of red (306) is brighter than grey of blue (117).
            EXPECT_GT(pixelRed(top), pixelRed(bottom) + 30) << c.name;
        } else {
            EXPECT_GT(pixelRed(top), 200u);
            EXPECT_GT(pixelBlue(bottom), 200u);
            EXPECT_GT(pixelRed(back->view().at(20, 1000)), 200u) << "the 11 m tick";
        }
    }
    CBmpCreator canvas;
    ASSERT_TRUE(canvas.Create(10, 10));
    ASSERT_TRUE(canvas.AddRow(std::vector<std::uint32_t>(10, Grey), true, 0, false, 0));
    std::string error;
    EXPECT_FALSE(canvas.Save(home.file("x.gif"), CBmpCreator::PictureType::Bmp, 24, &error));
    EXPECT_FALSE(std::filesystem::exists(home.file("x.gif")));
}

TEST(BmpCreator, ACanvasThatCannotBeMadeIsRefused) {
    CBmpCreator canvas;
    EXPECT_FALSE(canvas.Create(0, 10));
    EXPECT_FALSE(canvas.Create(1 << 20, 1 << 20));
    EXPECT_FALSE(canvas.exists());
    EXPECT_FALSE(canvas.AddRow(std::vector<std::uint32_t>(10, Grey), true, 0, false, 0));
}

} // namespace
} // namespace zarn::test
