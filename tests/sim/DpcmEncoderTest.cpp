// The mode-8 encoder: exactness where the quantiser step is 1, the choice of code set, colours
// through the red and blue offset, and refused inputs.
#include "sim/DpcmEncoder.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "sim/ColourSpace.h"
#include "sim/WallTexture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace zarn::sim {
namespace {

std::vector<std::uint32_t> decode(const std::vector<std::uint8_t>& payload, int width,
                                  int parameter) {
    CToolsUnCompress decoder;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * 2);
    EXPECT_TRUE(decoder.SelectDpcmParameters(parameter));
    decoder.InitBitReader(payload);
    EXPECT_TRUE(decoder.DecodeDpcmPair(out, width));
    return out;
}

std::vector<std::uint32_t> greyRamp(int width, int step) {
    std::vector<std::uint32_t> pixels;
    for (int r = 0; r < 2; ++r)
        for (int x = 0; x < width; ++x) {
            const int v = step * x + r;
            pixels.push_back(makePixel(v, v, v));
        }
    return pixels;
}

std::vector<std::uint32_t> solid(int width, std::uint32_t colour) {
    return std::vector<std::uint32_t>(static_cast<std::size_t>(width) * 2, colour);
}

std::vector<std::uint32_t> textureRows(int width, long row) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * 2);
    WallTexture(3).render(pixels, width, row, 2);
    return pixels;
}

TEST(DpcmEncoder, GreyWithinTheLiteralRangeIsLosslessWithEitherCodeSet) {
    // Parameter 5: 7-bit literals, so values 0..126 need no step; grey has no chroma.
    const int width = 42;
    const auto source = greyRamp(width, 3);
    for (auto set :
         {DpcmEncoder::CodeSet::Short, DpcmEncoder::CodeSet::Long, DpcmEncoder::CodeSet::Shorter}) {
        DpcmEncoder encoder;
        std::vector<std::uint8_t> payload;
        ASSERT_TRUE(encoder.encode(source, width, 5, payload, set));
        EXPECT_EQ(decode(payload, width, 5), source) << static_cast<int>(set);
    }
}

TEST(DpcmEncoder, ChoosesTheCodeSetThatGivesTheShorterPayload) {
    struct Case {
        std::string name;
        std::vector<std::uint32_t> pixels;
        int width;
        int parameter;
        int expectLong; // 1 long, 0 short, -1 whichever is shorter
    };
    // Steps of +3 are one codeword of the long set but codeword and field in the short one;
    // a flat picture is all "0" in both, and the short table is shorter.
    const std::vector<Case> cases{
        {"ramp", greyRamp(42, 3), 42, 5, 1},
        {"flat", solid(360, makePixel(90, 90, 90)), 360, 1, 0},
        {"texture 1440", textureRows(1440, 500), 1440, 3, -1},
        {"texture 720", textureRows(720, 900), 720, 5, -1},
    };
    for (const Case& c : cases) {
        DpcmEncoder encoder;
        std::vector<std::uint8_t> automatic, shortSet, longSet;
        ASSERT_TRUE(
            encoder.encode(c.pixels, c.width, c.parameter, shortSet, DpcmEncoder::CodeSet::Short));
        EXPECT_FALSE(encoder.usedLongCodeSet());
        ASSERT_TRUE(
            encoder.encode(c.pixels, c.width, c.parameter, longSet, DpcmEncoder::CodeSet::Long));
        EXPECT_TRUE(encoder.usedLongCodeSet());
        ASSERT_TRUE(encoder.encode(c.pixels, c.width, c.parameter, automatic));
        // The control byte's top bit tells the decoder which set follows.
        EXPECT_EQ((automatic[3] & 0x80) != 0, encoder.usedLongCodeSet()) << c.name;
        EXPECT_EQ(automatic.size(), std::min(shortSet.size(), longSet.size())) << c.name;
        if (c.expectLong >= 0) {
            EXPECT_EQ(encoder.usedLongCodeSet(), c.expectLong == 1) << c.name;
        }
        // Both sets carry the same quantised picture.
        const auto picture = decode(shortSet, c.width, c.parameter);
        EXPECT_EQ(decode(longSet, c.width, c.parameter), picture) << c.name;
        EXPECT_EQ(decode(automatic, c.width, c.parameter), picture) << c.name;
    }
}

TEST(DpcmEncoder, SolidColoursSurviveTheRedAndBlueOffsetOfEveryParameter) {
    const std::vector<std::uint32_t> colours{makePixel(200, 60, 40), makePixel(30, 140, 220),
                                             makePixel(128, 128, 128), makePixel(90, 70, 50)};
    for (int parameter = 1; parameter <= 5; ++parameter)
        for (std::uint32_t colour : colours) {
            DpcmEncoder encoder;
            std::vector<std::uint8_t> payload;
            ASSERT_TRUE(encoder.encode(solid(16, colour), 16, parameter, payload));
            for (std::uint32_t got : decode(payload, 16, parameter)) {
                EXPECT_NEAR(redOf(got), redOf(colour), 2) << parameter << " " << std::hex << colour;
                EXPECT_NEAR(greenOf(got), greenOf(colour), 2) << parameter;
                EXPECT_NEAR(blueOf(got), blueOf(colour), 2) << parameter;
            }
        }
}

TEST(DpcmEncoder, RefusesInvalidInputs) {
    struct Case {
        int parameter;
        int width;
        std::size_t pixels;
    };
    for (const Case& c : std::vector<Case>{{0, 8, 16}, {6, 8, 16}, {3, 0, 16}, {3, 9, 17}}) {
        DpcmEncoder encoder;
        std::vector<std::uint8_t> payload{1, 2, 3};
        const std::vector<std::uint32_t> pixels(c.pixels, 0x808080);
        EXPECT_FALSE(encoder.encode(pixels, c.width, c.parameter, payload));
        EXPECT_TRUE(payload.empty());
    }
}

} // namespace
} // namespace zarn::sim
