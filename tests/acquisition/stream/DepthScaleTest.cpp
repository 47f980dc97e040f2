// The depth scale beside the image: which units get ticks and labels, and where they are drawn.
#include "acquisition/stream/DepthScale.h"
#include "platform/Format.h"
#include "tests/acquisition/stream/RowBuilderFixture.h"

#include <cmath>
#include <limits>
#include <string>

namespace zarn::test {
namespace {

using Mark = DepthScale::Mark;

constexpr std::uint32_t Background = 0xFFF0F0F0;
constexpr std::uint32_t Ink = 0xFF000000;
constexpr std::uint32_t Red = 0xFFFF0000;
constexpr int StripStart = 721;
constexpr int LabelCentre = 746; // 53 / 2 + 720

// The rule as the scale states it, on the printed depth: "%10.4f" of the depth in metres (whole
// centimetre: short tick; hundredths 5: long; hundredths 0: long and label) or in feet (first
// three decimals an inch: short tick; 000 or 500: long and label).
Mark printedMark(long long unit, bool feet) {
    const std::string text = format("%10.4f", feet ? unit / 1000.0 : unit / 10000.0);
    const std::string decimals = text.substr(text.find('.') + 1);
    if (feet) {
        const std::string inch = decimals.substr(0, 3);
        if (inch == "000" || inch == "500")
            return Mark::Label;
        for (const char* i : {"083", "167", "250", "333", "417", "583", "667", "750", "833", "917"})
            if (inch == i)
                return Mark::ShortTick;
        return Mark::None;
    }
    if (decimals.substr(2, 2) != "00")
        return Mark::None;
    if (decimals[1] == '0')
        return Mark::Label;
    return decimals[1] == '5' ? Mark::LongTick : Mark::ShortTick;
}

TEST(DepthScaleMarks, FollowThePrintedDepth) {
    for (const bool feet : {false, true}) {
        for (long long unit = -30000; unit <= 30000; ++unit)
            ASSERT_EQ(DepthScale::markOf(unit, feet), printedMark(unit, feet))
                << unit << (feet ? " ft/1000" : " m/10000");
        for (long long unit : {123456789LL, -987654321LL, 999999999LL})
            EXPECT_EQ(DepthScale::markOf(unit, feet), printedMark(unit, feet)) << unit;
    }
}

TEST(DepthScaleMarks, LabelsReadAsTheDepthPrintedWithOneDecimal) {
    for (long long unit = -250000; unit <= 250000; unit += 500) {
        if (unit % 1000 == 0) {
            ASSERT_EQ(DepthScale::labelOf(unit, false).view(), format("%.1f", unit / 10000.0))
                << unit;
        }
        ASSERT_EQ(DepthScale::labelOf(unit, true).view(), format("%.1f", unit / 1000.0)) << unit;
    }
    EXPECT_EQ(DepthScale::labelOf(-1000, false).view(), "-0.1");
    EXPECT_EQ(DepthScale::labelOf(0, true).view(), "0.0");
    EXPECT_EQ(DepthScale::labelOf(999999000, false).view(), "99999.9");
}

TEST(DepthScaleMarks, DepthsBecomeUnitsOrNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double tenths;
        bool feet;
        std::optional<long long> units;
    };
    const Case cases[] = {
        {99999.99999, false, 100000}, // 9.999999999 m is the 10 m mark
        {-12345.4, false, -12345},
        {100584.0, true, 33000}, // 10.0584 m = 33.000 ft
        {0.0, true, 0},
        {nan, false, std::nullopt},
        {inf, true, std::nullopt},
        {-inf, false, std::nullopt},
        {1e12, false, std::nullopt},
        {-1e30, true, std::nullopt},
        {-9e8, true, -295274700}, // 90 km up, in feet
        {1.0000001e9, true, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DepthScale::unitsOf(c.tenths, c.feet), c.units) << c.tenths;
}

// The pixels of the tick columns of the strip (the 11 columns left of the labels).
void expectTick(const PixelImage& memory, int row, Mark mark) {
    const int end = mark == Mark::None ? 0 : mark == Mark::ShortTick ? 4 : 6;
    for (int c = 0; c < 11; ++c) {
        const bool inked = c >= 2 && c < end;
        ASSERT_EQ(memory.at(StripStart + c, row), inked ? Ink : Background)
            << "strip column " << c << " of row " << row;
    }
}

// The label box centred on the row: the glyphs of the text on the background.
void expectLabel(const PixelImage& memory, int row, const std::string& text, std::uint32_t colour) {
    const TextBox box = BitmapFont::boxCentredOn(LabelCentre, row, text);
    for (int y = box.top; y < box.bottom(); ++y)
        for (int x = box.left; x < box.right(); ++x) {
            const int offset = x - box.left;
            const bool ink = BitmapFont::inked(text[static_cast<std::size_t>(offset / 7)],
                                               offset % 7, y - box.top);
            ASSERT_EQ(memory.at(x, y), ink ? colour : Background)
                << text << " at " << x << "," << y;
        }
}

// Nothing but background where a label would stand.
void expectNoLabel(const PixelImage& memory, int row) {
    for (int x = LabelCentre - 20; x < LabelCentre + 20; ++x)
        ASSERT_EQ(memory.at(x, row), Background) << x << "," << row;
}

class DepthScaleRows : public RowBuilderTest {
protected:
    // Payloads whose rows descend (or climb) by step metres per row from start; returns the
    // rows drawn.
    std::vector<DrawnRow> descend(double start, double step, int payloads, int direction = 1) {
        host.forget();
        bmp.ResetDepth();
        bmp.DrawBlankPayload(720, direction, frameRecord(start));
        for (int k = 1; k < payloads; ++k)
            bmp.DrawBlankPayload(720, direction, frameRecord(start + 8 * k * step));
        return host.rows();
    }

    static long long unitsOf(double metres, bool feet) {
        const long long tenths = std::llround(metres * 10000.0);
        return feet ? std::llround(tenths / 10000.0 * 3.28083 * 1000.0) : tenths;
    }

    // The strongest printed mark among the units passed since the row before, per row.
    static std::vector<std::pair<Mark, long long>> expectedMarks(const std::vector<DrawnRow>& rows,
                                                                 bool feet) {
        std::vector<std::pair<Mark, long long>> out;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const long long u = unitsOf(rows[i].depth, feet);
            long long from = u, to = u;
            if (i > 0) {
                const long long p = unitsOf(rows[i - 1].depth, feet);
                from = std::min(p, u) + (u > p);
                to = std::max(p, u) - (u < p);
                if (u == p)
                    from = to + 1;
            }
            Mark best = Mark::None;
            long long label = 0;
            for (long long k = from; k <= to; ++k)
                if (printedMark(k, feet) > best) {
                    best = printedMark(k, feet);
                    label = k;
                }
            out.emplace_back(best, label);
        }
        return out;
    }

    // Checks every row's tick and every label; returns the labels found, in order.
    std::vector<std::string> checkScale(const std::vector<DrawnRow>& rows, bool feet) {
        const PixelImage memory = bmp.CopyImageMemory();
        const auto marks = expectedMarks(rows, feet);
        std::vector<std::string> labels;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i) + " at " + format("%.5f", rows[i].depth));
            expectTick(memory, rows[i].position, marks[i].first);
            if (marks[i].first == Mark::Label) {
                const std::string text(DepthScale::labelOf(marks[i].second, feet).view());
                expectLabel(memory, rows[i].position, text, marks[i].second < 0 ? Red : Ink);
                labels.push_back(text);
            }
        }
        return labels;
    }
};

TEST_F(DepthScaleRows, MetresTickEveryCentimetreAndLabelEveryTenAcrossTenMetres) {
    // 2 mm a row from 9.92 m to 10.14 m.
    const std::vector<DrawnRow> rows = descend(9.92, 0.002, 15);
    const auto marks = expectedMarks(rows, false);
    int shortTicks = 0, longTicks = 0;
    for (const auto& [mark, unit] : marks) {
        shortTicks += mark == Mark::ShortTick;
        longTicks += mark == Mark::LongTick;
    }
    EXPECT_EQ(longTicks, 2); // 9.95 and 10.05
    EXPECT_GT(shortTicks, 15);
    EXPECT_EQ(checkScale(rows, false), (std::vector<std::string>{"10.0", "10.1"}));
}

TEST_F(DepthScaleRows, FeetTickEveryInchAndLabelEveryHalfFoot) {
    ImageRowSettings s;
    s.feet = true;
    bmp.setSettings(s);
    // 2 mm a row from 10.0 m (32.808 ft) past 33.0 ft and 33.5 ft.
    const std::vector<DrawnRow> rows = descend(10.0, 0.002, 15);
    EXPECT_EQ(checkScale(rows, true), (std::vector<std::string>{"33.0", "33.5"}));
    int inches = 0;
    for (const auto& [mark, unit] : expectedMarks(rows, true))
        inches += mark != Mark::None;
    EXPECT_GE(inches, 8);
}

TEST_F(DepthScaleRows, ClimbingMarksTheSameUnitsAndNegativeLabelsAreRed) {
    host.recording = true; // keep the picture when turning round
    EXPECT_EQ(checkScale(descend(0.07, -0.002, 14, 0), false),
              (std::vector<std::string>{"0.0", "-0.1"}));
    bmp.ClearImage();
    EXPECT_EQ(checkScale(descend(-0.15, 0.002, 14), false),
              (std::vector<std::string>{"-0.1", "0.0"}));
}

// A jump of more than 100 units between rows marks nothing, not even the units jumped over.
TEST_F(DepthScaleRows, JumpsAreNotMarked) {
    descend(10.0, 0.0, 1); // first row: the 10.0 label of its own unit
    const std::vector<DrawnRow> rows = descend(10.0, 0.05, 2); // 5 cm a row
    const PixelImage memory = bmp.CopyImageMemory();
    ASSERT_EQ(rows.size(), 16u);
    for (std::size_t i = 8; i < rows.size(); ++i) { // the first eight are still at 10.0
        expectTick(memory, rows[i].position, Mark::None);
        expectNoLabel(memory, rows[i].position);
    }
}

// A label whose box does not fit in the memory waits and is drawn on a later row (here the first
// after the rows wrapped to the top).
TEST_F(DepthScaleRows, ALabelThatDoesNotFitIsDrawnOnALaterRow) {
    // Row i (from 8 on) is at 9.706 + (i - 8) * 0.002 m: 10.0 m falls on row 155, memory row
    // 188, too close to the end for a 14-row label.
    const std::vector<DrawnRow> rows = descend(9.706, 0.002, 22);
    std::size_t crossing = 0;
    const auto marks = expectedMarks(rows, false);
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (marks[i].first == Mark::Label && marks[i].second == 100000)
            crossing = i;
    ASSERT_EQ(rows[crossing].position, 188);
    std::size_t wrapped = crossing;
    while (rows[wrapped].position != TestVisibleHeight + CToolsBmp::ScrollMargin)
        ++wrapped;
    ASSERT_EQ(wrapped, crossing + 4); // 189, 190, 191, then the top
    const PixelImage memory = bmp.CopyImageMemory();
    expectTick(memory, rows[crossing].position, Mark::Label);
    expectLabel(memory, rows[wrapped].position, "10.0", Ink);
}

TEST(DepthScaleStrip, DepthsThatAreNotNumbersDrawNoMark) {
    PixelImage memory(773, 40, 0x11111111);
    DepthScale scale;
    const DepthScale::Geometry geometry{721, 746};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    int row = 10;
    for (double depth : {nan, inf, -inf, 1e300, nan}) {
        scale.drawRow(memory.view(), row, depth, false, geometry);
        for (int x = 721; x < 773; ++x)
            ASSERT_EQ(memory.at(x, row), Background) << depth;
        EXPECT_EQ(memory.at(720, row), 0x11111111u); // the image is not the scale's
        ++row;
    }
    // After them a depth is examined on its own.
    scale.drawRow(memory.view(), 20, 100000.0, false, geometry);
    EXPECT_EQ(memory.at(723, 20), Ink);
    EXPECT_EQ(memory.at(726, 20), Ink);
    // The label of a row too near the top waits for a row where it fits.
    DepthScale early;
    PixelImage top(773, 40, Background);
    early.drawRow(top.view(), 2, 200000.0, false, geometry);
    EXPECT_EQ(top.at(723, 2), Ink);
    for (int y = 0; y < 10; ++y)
        for (int x = 730; x < 773; ++x)
            ASSERT_EQ(top.at(x, y), Background);
    early.drawRow(top.view(), 20, 200001.0, false, geometry);
    expectLabel(top, 20, "20.0", Ink);
}

} // namespace
} // namespace zarn::test
