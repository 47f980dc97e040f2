#include "acquisition/settings/DepthResetLogic.h"

#include "acquisition/link/CommandFrames.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace zarn {
namespace {

constexpr double MetresPerFoot = 0.3047995;
constexpr double TwentyCountsPerCm = 20.0;

TEST(DepthResetLogic, TheEntryIsTheTopOfTheSondeInTheUnitShown) {
    struct Case {
        const char* entry;
        bool feet;
        int sondeLengthCm;
        double metres;
    };
    const Case cases[] = {
        {"10.00", false, 163, 11.63},
        {"10.00", true, 163, 10.0 * MetresPerFoot + 1.63},
        {"10", false, 0, 10.0},
        {" 10 ", false, 162, 11.62},
        {"\t25.5\n", true, 0, 25.5 * MetresPerFoot},
        {"0.00", false, 162, 1.62},
        {"-1.62", false, 162, 0.0},
        {"+3.5", false, 100, 4.5},
        {".5", false, 0, 0.5},
        {"1234.56", false, 163, 1236.19},
    };
    for (const Case& c : cases) {
        const DepthResetLogic logic(c.feet, c.sondeLengthCm, TwentyCountsPerCm);
        const DepthResetLogic::Outcome out = logic.Accept(c.entry);
        EXPECT_TRUE(out.accepted) << '"' << c.entry << '"';
        EXPECT_NEAR(out.depthMetres, c.metres, 1e-9) << '"' << c.entry << '"';
        EXPECT_EQ(out.message, "") << '"' << c.entry << '"';
    }
}

TEST(DepthResetLogic, AnEntryThatIsNotOneNumberIsRefused) {
    const DepthResetLogic logic(false, 163, TwentyCountsPerCm);
    for (const char* entry : {"10,25", "1-2", "1 0", "", "   ", "-", ".", "abc", "10m", "1e3",
                              "inf", "nan", "0x10", "--1", "1..2", "12.5.1"}) {
        const DepthResetLogic::Outcome out = logic.Accept(entry);
        EXPECT_FALSE(out.accepted) << '"' << entry << '"';
        EXPECT_EQ(out.message, "Bad entry format") << '"' << entry << '"';
    }
}

TEST(DepthResetLogic, ADepthIsTakenOnlyWhenTheDepthCounterCanHoldIt) {
    // 20 counts per cm: 2000 per metre, so the counter holds 1073741.8235 m upwards.
    struct Case {
        const char* entry;
        bool feet;
        double depthScale;
        bool accepted;
    };
    const std::string manyNines(400, '9');
    const Case cases[] = {
        {"1073741.82", false, TwentyCountsPerCm, true},
        {"1073741.83", false, TwentyCountsPerCm, false},
        {"-1073741.82", false, TwentyCountsPerCm, true},
        {"-1073741.83", false, TwentyCountsPerCm, false},
        // 1073741.82 m is 3522780.78 ft.
        {"3522780.78", true, TwentyCountsPerCm, true},
        {"3522780.80", true, TwentyCountsPerCm, false},
        {"99999999999", false, TwentyCountsPerCm, false},
        // Digits beyond any double, and a logger without a scale yet.
        {manyNines.c_str(), false, TwentyCountsPerCm, false},
        {"99999999999", false, 0.0, true},
    };
    for (const Case& c : cases) {
        const DepthResetLogic logic(c.feet, 0, c.depthScale);
        const DepthResetLogic::Outcome out = logic.Accept(c.entry);
        EXPECT_EQ(out.accepted, c.accepted) << c.entry;
        if (!out.accepted) {
            EXPECT_EQ(out.message, "Bad entry format") << c.entry;
        }
    }
}

TEST(DepthResetLogic, AnAcceptedDepthGoesIntoTheDepthSetFrameUnclipped) {
    // Up to the largest accepted depths the frame carries the count itself, never the end of
    // the range it would be held at (2000 counts per metre, truncated by the frame).
    struct Case {
        const char* entry;
        int sondeLengthCm;
        double counts;
    };
    for (const Case& c : {Case{"10.00", 163, 23260.0}, Case{"1073741.82", 0, 2147483640.0},
                          Case{"-1073741.82", 0, -2147483640.0}}) {
        const DepthResetLogic logic(false, c.sondeLengthCm, TwentyCountsPerCm);
        const DepthResetLogic::Outcome out = logic.Accept(c.entry);
        ASSERT_TRUE(out.accepted) << c.entry;
        LoggerParameters logger;
        logger.depthScale = TwentyCountsPerCm;
        logger.presetDepthMetres = out.depthMetres;
        const CommandFrame frame = CommandFrames::F2(logger);
        ASSERT_EQ(frame.length, 6u);
        std::uint32_t sent = 0;
        for (size_t i = 0; i < 4; ++i)
            sent |= std::uint32_t{frame.bytes[1 + i]} << (8 * i);
        EXPECT_NEAR(static_cast<std::int32_t>(sent), c.counts, 1.0) << c.entry;
    }
}

} // namespace
} // namespace zarn
