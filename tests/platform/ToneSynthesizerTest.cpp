#include "platform/ToneSynthesizer.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zarn {
namespace {

int risingZeroCrossings(const std::vector<std::int16_t>& s) {
    int n = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if (s[i - 1] < 0 && s[i] >= 0)
            ++n;
    return n;
}

TEST(ToneSynthesizer, ToneHasItsFrequencyAndDurationAndStartsAndEndsSilent) {
    struct Case {
        Tone tone;
        int cycles; // rising zero crossings, one per period
    };
    for (const Case& c : {Case{{3000, 100}, 300}, Case{{1200, 100}, 120}, Case{{300, 200}, 60}}) {
        std::vector<std::int16_t> samples;
        ToneSynthesizer::synthesize(c.tone, samples);
        EXPECT_EQ(samples.size(),
                  static_cast<std::size_t>(c.tone.durationMs * ToneSynthesizer::SampleRate / 1000));
        EXPECT_NEAR(risingZeroCrossings(samples), c.cycles, 1) << c.tone.frequencyHz << " Hz";
        EXPECT_EQ(samples.front(), 0);
        EXPECT_LE(std::abs(samples.back()), 1) << "faded out: no click";
        int peak = 0;
        for (std::int16_t v : samples)
            peak = std::max(peak, std::abs(int{v}));
        EXPECT_GT(peak, ToneSynthesizer::Peak * 9 / 10);
        EXPECT_LE(peak, ToneSynthesizer::Peak);
    }
}

TEST(ToneSynthesizer, NothingForAToneOfNoLengthOrFrequency) {
    std::vector<std::int16_t> samples(10, 1);
    for (const Tone& t : {Tone{0, 100}, Tone{-5, 100}, Tone{1000, 0}, Tone{1000, -3}}) {
        ToneSynthesizer::synthesize(t, samples);
        EXPECT_TRUE(samples.empty());
    }
}

} // namespace
} // namespace zarn
