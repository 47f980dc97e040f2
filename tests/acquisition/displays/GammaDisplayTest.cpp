#include "acquisition/displays/GammaDisplay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

namespace zarn {
namespace {

GammaSettings averaged(int filter, int mode = gamma::Manual) {
    GammaSettings s;
    s.mode = mode;
    s.maximum = 2000;
    s.average = true;
    s.filter = filter;
    return s;
}

double meanOf(const std::vector<double>& values, std::size_t from, std::size_t to) {
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += values[i];
    return sum / static_cast<double>(to - from);
}

TEST(GammaDisplay, TheFirstSampleFillsTheRingAndTheAverageFollowsTheLastSamples) {
    GammaDisplay display;
    display.setSettings(averaged(20));
    display.sample(80.4); // rounded to 80
    EXPECT_DOUBLE_EQ(display.shownValue(), 80.0);
    const GammaView first = display.tick(true, false);
    EXPECT_EQ(first.text, "80");
    EXPECT_EQ(first.barValue, 80);
    EXPECT_EQ(first.barMaximum, 2000);
    // The partial average of the ring while it fills: the mean of what it has.
    display.sample(100.0);
    EXPECT_DOUBLE_EQ(display.shownValue(), 90.0);

    // Twelve samples averaged over five: the mean of the eighth to the twelfth.
    GammaDisplay five;
    five.setSettings(averaged(5));
    std::vector<double> samples;
    for (int i = 1; i <= 12; ++i) {
        samples.push_back(10.0 * i * i);
        five.sample(samples.back());
    }
    EXPECT_DOUBLE_EQ(five.shownValue(), meanOf(samples, 7, 12));
    for (int i = 13; i <= 40; ++i) {
        samples.push_back(7.0 * i);
        five.sample(samples.back());
        EXPECT_DOUBLE_EQ(five.shownValue(), meanOf(samples, samples.size() - 5, samples.size()))
            << "after " << i << " samples";
    }
}

TEST(GammaDisplay, RoundsHalfAwayFromZeroAndShowsNothingBelowOne) {
    GammaDisplay display;
    GammaSettings s;
    s.mode = gamma::Manual;
    display.setSettings(s);
    const struct {
        double sample;
        const char* text;
    } cases[] = {{2.5, "3"},           {2.49, "2"},
                 {0.6, "1"},           {0.4, ""},
                 {-3.5, ""},           {std::numeric_limits<double>::quiet_NaN(), ""},
                 {1e300, "2147483647"}};
    for (const auto& c : cases) {
        display.sample(c.sample);
        EXPECT_EQ(display.tick(true, false).text, c.text) << c.sample;
    }
}

TEST(GammaDisplay, AFilterOfOneOrZeroShowsTheLastSampleWithoutLeavingTheRing) {
    for (int filter : {1, 0, -3, 51, 1000}) {
        GammaDisplay display;
        display.setSettings(averaged(filter));
        std::vector<double> samples;
        for (int i = 1; i <= 300; ++i) {
            samples.push_back(3.0 * i);
            display.sample(samples.back());
            const auto used =
                static_cast<std::size_t>(filter < 1 ? 1 : (filter > 50 ? 50 : filter));
            if (samples.size() > used) {
                ASSERT_DOUBLE_EQ(display.shownValue(),
                                 meanOf(samples, samples.size() - used, samples.size()))
                    << "filter " << filter << ", " << i << " samples";
            }
        }
    }
}

TEST(GammaDisplay, AnotherFilterMidStreamRestartsTheRing) {
    GammaDisplay display;
    display.setSettings(averaged(50));
    for (int i = 0; i < 73; ++i)
        display.sample(1000.0 + i);
    display.setSettings(averaged(5));
    // The ring starts afresh: the first sample after the change fills it.
    display.sample(10.0);
    EXPECT_DOUBLE_EQ(display.shownValue(), 10.0);
    std::vector<double> samples{10.0};
    for (int i = 0; i < 11; ++i) {
        samples.push_back(20.0 + i);
        display.sample(samples.back());
    }
    EXPECT_DOUBLE_EQ(display.shownValue(), meanOf(samples, samples.size() - 5, samples.size()));
    // And back to more samples: the average is again only of samples since the change.
    display.setSettings(averaged(8));
    display.sample(500.0);
    EXPECT_DOUBLE_EQ(display.shownValue(), 500.0);
}

TEST(GammaDisplay, AveragingSwitchedOffAndOnRestartsFromTheNextSample) {
    GammaDisplay display;
    display.setSettings(averaged(4));
    for (double x : {100.0, 200.0, 300.0, 400.0, 500.0})
        display.sample(x);
    GammaSettings off = averaged(4);
    off.average = false;
    display.setSettings(off);
    display.sample(40.0);
    EXPECT_EQ(display.tick(true, false).text, "40");
    display.setSettings(averaged(4));
    display.sample(60.0);
    EXPECT_DOUBLE_EQ(display.shownValue(), 60.0);
}

TEST(GammaDisplay, ManualModeClearsTheRingWhileLoggerStatusFramesArrive) {
    GammaDisplay display;
    display.setSettings(averaged(10));
    display.sample(300.0);
    const GammaView cleared = display.tick(true, true);
    EXPECT_EQ(cleared.text, "");
    EXPECT_EQ(cleared.barValue, 0);
    display.sample(50.0);
    EXPECT_EQ(display.tick(true, false).text, "50");
}

TEST(GammaDisplay, HiddenWithoutSensorOrInHideMode) {
    GammaDisplay display;
    display.setSettings(averaged(10, gamma::Auto));
    display.sample(300.0);
    EXPECT_FALSE(display.tick(false, false).shown);
    display.setSettings(averaged(10, gamma::Hide));
    EXPECT_FALSE(display.tick(true, false).shown);
    display.setSettings(averaged(10, gamma::Auto));
    EXPECT_TRUE(display.tick(true, false).shown);
}

TEST(GammaDisplay, AutomaticScaleRisesAboveTheSamplesAndFallsBack) {
    GammaDisplay display;
    GammaSettings s;
    s.mode = gamma::Auto;
    display.setSettings(s);
    EXPECT_EQ(display.automaticScale(), 100);
    display.sample(1234.0);
    EXPECT_EQ(display.automaticScale(), 1250);
    const GammaView view = display.tick(true, false);
    EXPECT_EQ(view.barMaximum, 1250);
    EXPECT_EQ(view.text, "1234");
    // A huge sample raises it to its top and no further.
    display.sample(5e6);
    EXPECT_EQ(display.automaticScale(), 100000);

    // Low samples keep coming: every 20 ticks the scale is lowered by a tenth.
    display.sample(1234.0);
    int last = display.automaticScale();
    int lowered = 0;
    for (int t = 0; t < 2000; ++t) {
        static_cast<void>(display.tick(true, false));
        display.sample(60.0);
        const int now = display.automaticScale();
        EXPECT_LE(now, last);
        if (now < last)
            ++lowered;
        last = now;
    }
    EXPECT_EQ(last, 100) << "back to the least scale";
    EXPECT_GT(lowered, 40);

    // No samples at all: after 200 ticks the scale falls back to 100 and the ring is cleared.
    display.sample(4321.0);
    EXPECT_EQ(display.automaticScale(), 4350);
    for (int t = 0; t < 200; ++t)
        EXPECT_EQ(display.tick(true, false).barMaximum, 4350);
    const GammaView back = display.tick(true, false);
    EXPECT_EQ(back.barMaximum, 100);
    EXPECT_EQ(back.text, "");
}

TEST(GammaDisplay, OtherModesHoldTheAutomaticScaleAtItsLeast) {
    GammaDisplay display;
    GammaSettings s;
    s.mode = gamma::Auto;
    display.setSettings(s);
    display.sample(900.0);
    EXPECT_EQ(display.automaticScale(), 950);
    s.mode = gamma::Manual;
    display.setSettings(s);
    display.sample(900.0);
    EXPECT_EQ(display.automaticScale(), 100);
}

// The sampling thread feeds the ring while the window thread ticks and changes the filter from 50
// to 5 and back: every shown value is one a ring of those samples can give, never one read from
// beyond the samples averaged (run under ThreadSanitizer: no race).
TEST(GammaDisplay, SamplingAndTheWindowsTickRunTogether) {
    GammaDisplay display;
    display.setSettings(averaged(50, gamma::Auto));
    std::atomic<bool> done{false};
    std::thread sampler([&] {
        for (int i = 0; i < 200000 && !done.load(); ++i)
            display.sample(100.0 + (i % 7) * 10.0); // 100 to 160
    });
    for (int t = 0; t < 3000; ++t) {
        if (t % 100 == 0)
            display.setSettings(averaged((t / 100) % 2 == 0 ? 5 : 50, gamma::Auto));
        const GammaView view = display.tick(true, false);
        if (!view.text.empty()) {
            EXPECT_GE(view.barValue, 100) << "tick " << t;
            EXPECT_LE(view.barValue, 160) << "tick " << t;
        }
        EXPECT_LE(view.barMaximum, 200) << "the scale stays just above the samples";
    }
    done = true;
    sampler.join();
    // The last filter set holds: five more samples are all the average is made of.
    display.setSettings(averaged(5, gamma::Auto));
    for (double x : {10.0, 20.0, 30.0, 40.0, 50.0, 60.0})
        display.sample(x);
    EXPECT_DOUBLE_EQ(display.shownValue(), 40.0);
}

} // namespace
} // namespace zarn
