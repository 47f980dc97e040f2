#include "acquisition/displays/CounterModel.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace zarn {
namespace {

CounterModel shownCounter() {
    CounterModel model;
    model.setShown(true);
    return model;
}

TEST(CounterModel, WritersFormatTheirValue) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    CounterModel model = shownCounter();
    EXPECT_TRUE(model.WriteCounterDataInt(-42));
    EXPECT_EQ(model.text(), "-42");
    struct Case {
        double value;
        const char* format;
        const char* text;
    };
    const Case cases[] = {{12.346, "%8.2f", "   12.35"}, {-0.5, "%6.2f", " -0.50"},
                          {nan, "%8.2f", "    0.00"},    {inf, "%6.3f", " 0.000"},
                          {-inf, "%5.1f", "  0.0"},      {1e6, "%.0f", "1000000"}};
    for (const Case& c : cases) {
        EXPECT_TRUE(model.WriteCounterDataDouble(c.value, c.format));
        EXPECT_EQ(model.text(), c.text) << c.value << " with " << c.format;
    }
    EXPECT_TRUE(model.WriteCounterDataCString("SN: 1234"));
    EXPECT_EQ(model.text(), "SN: 1234");
    EXPECT_TRUE(model.WriteCounterDataCString(""));
    EXPECT_EQ(model.text(), "");
}

TEST(CounterModel, ATextIsCutAfter255CharactersWhateverTheWriter) {
    CounterModel model = shownCounter();
    const std::string long300(300, 'x');
    EXPECT_TRUE(model.WriteCounterDataCString(long300));
    EXPECT_EQ(model.text(), std::string(255, 'x'));
    EXPECT_TRUE(model.WriteCounterDataDouble(1.0, "%300.1f"));
    EXPECT_EQ(model.text().size(), 255u);
    EXPECT_EQ(model.text().back(), ' ') << "the end of the padded number is cut, not its start";
}

TEST(CounterModel, AHiddenCounterKeepsItsTextUntilTheNextWriteAfterItIsShown) {
    CounterModel model = shownCounter();
    ASSERT_TRUE(model.WriteCounterDataCString("old"));
    model.setShown(false);
    EXPECT_FALSE(model.WriteCounterDataInt(7));
    EXPECT_FALSE(model.WriteCounterDataDouble(7.0, "%.1f"));
    EXPECT_FALSE(model.WriteCounterDataCString("new"));
    EXPECT_EQ(model.text(), "old");
    model.setShown(true);
    EXPECT_EQ(model.text(), "old");
    EXPECT_TRUE(model.WriteCounterDataCString("new"));
    EXPECT_EQ(model.text(), "new");
}

TEST(CounterModel, PresetsAndAlignments) {
    struct Preset {
        int preset;
        double factor;
    };
    CounterModel model;
    for (const Preset& p : {Preset{0, counter::SmallFont}, Preset{1, 0.8}, Preset{2, 1.0},
                            Preset{3, 1.4}, Preset{4, 2.0}, Preset{5, 1.0}, Preset{-1, 1.0}}) {
        model.setWidthFactorPreset(p.preset);
        EXPECT_DOUBLE_EQ(model.widthFactor(), p.factor) << "preset " << p.preset;
    }
    EXPECT_EQ(model.alignment(), counter::AlignRight);
    struct Alignment {
        int set;
        int kept;
    };
    for (const Alignment& a : {Alignment{6, 6}, Alignment{7, 7}, Alignment{5, 5}, Alignment{7, 7},
                               Alignment{4, 5}, Alignment{0, 5}, Alignment{8, 5}}) {
        model.setAlignment(a.set);
        EXPECT_EQ(model.alignment(), a.kept) << "set " << a.set;
    }
}

TEST(CounterModel, LayoutSizesTheFontFromTheClientAndPlacesTheTextByAlignment) {
    struct Case {
        int preset;
        int alignment;
        const char* text;
        int width, height;
        CounterLayout expected;
    };
    // Client 200 x 40: font 48 high, 16 wide at factor 1, cell 4 pixels above the client.
    const Case cases[] = {
        {2, counter::AlignRight, "12.34", 200, 40, {48, 16, 700, -4, 80, 200, false}},
        {2, counter::AlignCentre, "12.34", 200, 40, {48, 16, 700, -4, 80, 140, false}},
        {2, counter::AlignLeft, "12.34", 200, 40, {48, 16, 700, -4, 80, 0, true}},
        {2, 9, "12.34", 200, 40, {48, 16, 700, -4, 80, 200, false}},
        // Factors: 48 / 3 x 1.4 = 22.4, x 0.8 = 12.8, x 2 = 32, truncated.
        {3, counter::AlignRight, "1234", 200, 40, {48, 22, 700, -4, 88, 200, false}},
        {1, counter::AlignRight, "1234", 200, 40, {48, 12, 700, -4, 48, 200, false}},
        {4, counter::AlignRight, "12", 200, 40, {48, 32, 700, -4, 64, 200, false}},
        // An odd client: 25 x 1.2 = 30, 30 / 3 = 10, (30 - 25) / 2 = 2.
        {2, counter::AlignCentre, "123", 101, 25, {30, 10, 700, -2, 30, 66, false}},
        // The small font: 14 x 5 normal weight, centred on the client.
        {0, counter::AlignRight, "abc", 100, 20, {14, 5, 400, 3, 15, 100, false}},
        {0, counter::AlignRight, "abc", 100, 9, {14, 5, 400, -2, 15, 100, false}},
        // Wider than the client with a tenth to spare: drawn from the left edge.
        {2, counter::AlignRight, "1234567890123", 200, 40, {48, 16, 700, -4, 208, 0, true}},
        {2, counter::AlignCentre, "123456789012", 200, 40, {48, 16, 700, -4, 192, 0, true}},
        // 200 < 1.1 x 176 = 193.6 is false: still right-aligned; 11 x 16 = 176.
        {2, counter::AlignRight, "12345678901", 200, 40, {48, 16, 700, -4, 176, 200, false}},
        // 200 < 1.1 x 192 = 211.2: 12 characters already go to the left edge.
        {2, counter::AlignRight, "123456789012", 200, 40, {48, 16, 700, -4, 192, 0, true}},
        {2, counter::AlignRight, "", 200, 40, {48, 16, 700, -4, 0, 200, false}},
    };
    for (const Case& c : cases) {
        CounterModel model = shownCounter();
        model.setWidthFactorPreset(c.preset);
        model.setAlignment(c.alignment);
        ASSERT_TRUE(model.WriteCounterDataCString(c.text));
        const CounterLayout l = model.layout(c.width, c.height);
        const CounterLayout& e = c.expected;
        const std::string where = std::string("\"") + c.text + "\" preset " +
                                  std::to_string(c.preset) + " alignment " +
                                  std::to_string(c.alignment) + " in " + std::to_string(c.width) +
                                  "x" + std::to_string(c.height);
        EXPECT_EQ(l.fontHeight, e.fontHeight) << where;
        EXPECT_EQ(l.charWidth, e.charWidth) << where;
        EXPECT_EQ(l.weight, e.weight) << where;
        EXPECT_EQ(l.top, e.top) << where;
        EXPECT_EQ(l.textWidth, e.textWidth) << where;
        EXPECT_EQ(l.anchorX, e.anchorX) << where;
        EXPECT_EQ(l.alignedLeft, e.alignedLeft) << where;
    }
}

TEST(CounterModel, BlinkingAlternatesTheColoursAtThePeriodOfItsSpeed) {
    CounterModel model;
    model.setBackground(pixelOf(0, 0, 0));
    model.setTextColour(pixelOf(255, 255, 0));
    model.setAlternateBackground(pixelOf(255, 0, 0));
    model.setAlternateTextColour(pixelOf(255, 255, 255));
    EXPECT_EQ(model.blinkPeriodMs(), 1000);
    struct Speed {
        int speed;
        int periodMs;
    };
    // An unknown speed keeps the period before it.
    for (const Speed& s : {Speed{0, 2000}, Speed{2, 500}, Speed{7, 500}, Speed{1, 1000},
                           Speed{-1, 1000}, Speed{0, 2000}}) {
        EXPECT_EQ(model.startBlinking(s.speed), s.periodMs) << "speed " << s.speed;
        EXPECT_EQ(model.blinkPeriodMs(), s.periodMs);
        EXPECT_TRUE(model.blinking());
    }
    EXPECT_EQ(model.colours().background, pixelOf(0, 0, 0));
    EXPECT_EQ(model.colours().text, pixelOf(255, 255, 0));
    model.toggleBlinkPhase();
    EXPECT_EQ(model.colours().background, pixelOf(255, 0, 0));
    EXPECT_EQ(model.colours().text, pixelOf(255, 255, 255));
    model.toggleBlinkPhase();
    EXPECT_EQ(model.colours().background, pixelOf(0, 0, 0));
    // Stopped in the blink phase, it shows the normal colours again.
    model.toggleBlinkPhase();
    model.stopBlinking();
    EXPECT_FALSE(model.blinking());
    EXPECT_FALSE(model.blinkPhase());
    EXPECT_EQ(model.colours().background, pixelOf(0, 0, 0));
    EXPECT_EQ(model.colours().text, pixelOf(255, 255, 0));
}

TEST(CounterModel, DefaultsAreYellowOnBlackInBothPhases) {
    CounterModel model;
    EXPECT_EQ(model.text(), "");
    EXPECT_FALSE(model.shown());
    for (int phase = 0; phase < 2; ++phase) {
        EXPECT_EQ(model.colours().background, counter::Black);
        EXPECT_EQ(model.colours().text, counter::Yellow);
        model.toggleBlinkPhase();
    }
}

} // namespace
} // namespace zarn
