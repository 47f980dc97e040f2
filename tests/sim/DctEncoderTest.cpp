// The mode-16 encoder: empty blocks for flat grey, solid colours at every parameter, the padding of
// a half block column, and refused inputs.
#include "sim/DctEncoder.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "sim/ColourSpace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace zarn::sim {
namespace {

std::vector<std::uint32_t> decode(const std::vector<std::uint8_t>& payload, int width,
                                  int parameter) {
    CToolsUnCompress decoder;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(width) * 8);
    decoder.InitBitReader(payload);
    EXPECT_TRUE(decoder.SelectDctParameters(parameter));
    decoder.BuildDctTables();
    EXPECT_TRUE(decoder.DecodeDctStrip(out, width));
    return out;
}

TEST(DctEncoder, FlatMidGreyIsAllEmptyBlocks) {
    for (int width : {360, 540, 1440}) {
        const std::vector<std::uint32_t> grey(static_cast<std::size_t>(width) * 8, 0x808080);
        DctEncoder encoder;
        std::vector<std::uint8_t> payload;
        ASSERT_TRUE(encoder.encode(grey, width, 3, payload));
        // Three 4-bit zero widths per block column.
        EXPECT_EQ(payload.size(), static_cast<std::size_t>(((width + 7) / 8 * 12 + 7) / 8));
        EXPECT_EQ(decode(payload, width, 3), grey);
    }
}

TEST(DctEncoder, SolidColoursAtEveryParameter) {
    const std::vector<std::uint32_t> colours{makePixel(200, 60, 40), makePixel(30, 140, 220),
                                             makePixel(90, 70, 50), makePixel(20, 22, 18),
                                             makePixel(235, 230, 225)};
    for (int parameter = 1; parameter <= 5; ++parameter)
        for (std::uint32_t colour : colours) {
            const std::vector<std::uint32_t> pixels(16 * 8, colour);
            DctEncoder encoder;
            std::vector<std::uint8_t> payload;
            ASSERT_TRUE(encoder.encode(pixels, 16, parameter, payload));
            for (std::uint32_t got : decode(payload, 16, parameter)) {
                EXPECT_NEAR(redOf(got), redOf(colour), 3) << parameter << " " << std::hex << colour;
                EXPECT_NEAR(greenOf(got), greenOf(colour), 3) << parameter;
                EXPECT_NEAR(blueOf(got), blueOf(colour), 3) << parameter;
            }
        }
}

// A grey block holding one cosine pattern comes back with the pattern's amplitude, within half a
// quantiser step of that frequency: the encoder divides by the step the decoder multiplies by.
// Parameters 1 and 2 announce at most 31 values after the first: a frequency later in the scan
// (6,4 is value 48) is dropped.
TEST(DctEncoder, EachFrequencyComesBackWithinHalfItsStep) {
    struct Case {
        int parameter;
        int u, v; // vertical, horizontal frequency
        bool carried;
    };
    const std::vector<Case> cases{{5, 1, 3, true}, {5, 3, 1, true},  {5, 0, 7, true},
                                  {5, 7, 0, true}, {3, 2, 5, true},  {3, 5, 2, true},
                                  {1, 1, 1, true}, {2, 2, 2, true},  {4, 0, 1, true},
                                  {3, 6, 4, true}, {2, 6, 4, false}, {1, 7, 7, false}};
    const double pi = std::acos(-1.0);
    auto basis = [&](int u, int v, int y, int x) {
        const double cu = u == 0 ? std::sqrt(0.125) : 0.5;
        const double cv = v == 0 ? std::sqrt(0.125) : 0.5;
        return cu * cv * std::cos((2 * y + 1) * u * pi / 16) * std::cos((2 * x + 1) * v * pi / 16);
    };
    for (const Case& c : cases) {
        const double amplitude = 200.0; // of the orthonormal coefficient
        std::vector<std::uint32_t> pixels(64);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int g =
                    static_cast<int>(std::lround(128 + amplitude * basis(c.u, c.v, y, x)));
                pixels[y * 8 + x] = makePixel(g, g, g);
            }
        DctEncoder encoder;
        std::vector<std::uint8_t> payload;
        ASSERT_TRUE(encoder.encode(pixels, 8, c.parameter, payload));
        const auto out = decode(payload, 8, c.parameter);
        double coefficient = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                coefficient += (lumaOf(out[y * 8 + x]) - 128) * basis(c.u, c.v, y, x);
        const double step =
            compression::lumaStep(compression::kDctParameters[c.parameter - 1], c.u, c.v);
        // Half a step, plus what rounding the pixels to whole levels may move the projection.
        EXPECT_NEAR(coefficient, c.carried ? amplitude : 0.0, step / 2 + 2.0)
            << "parameter " << c.parameter << ", frequency " << c.u << "," << c.v;
    }
}

TEST(DctEncoder, HalfBlockColumnIsPaddedWithItsOwnPixels) {
    // Width 540: the last block column holds 4 pixel columns; they are red, the rest grey. Padding
    // with the last column keeps that block uniform, so it decodes to red without ringing.
    const int width = 540;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * 8, 0x606060);
    for (int r = 0; r < 8; ++r)
        for (int x = 536; x < width; ++x)
            pixels[r * width + x] = makePixel(180, 40, 40);
    DctEncoder encoder;
    std::vector<std::uint8_t> payload;
    ASSERT_TRUE(encoder.encode(pixels, width, 4, payload));
    const auto out = decode(payload, width, 4);
    for (int r = 0; r < 8; ++r)
        for (int x = 528; x < width; ++x) {
            const std::uint32_t want = pixels[r * width + x];
            const std::uint32_t got = out[r * width + x];
            EXPECT_NEAR(redOf(got), redOf(want), 3) << r << "," << x;
            EXPECT_NEAR(greenOf(got), greenOf(want), 3) << r << "," << x;
            EXPECT_NEAR(blueOf(got), blueOf(want), 3) << r << "," << x;
        }
}

TEST(DctEncoder, RefusesInvalidInputs) {
    struct Case {
        int parameter;
        int width;
        std::size_t pixels;
    };
    for (const Case& c : std::vector<Case>{{0, 8, 64}, {6, 8, 64}, {3, 0, 64}, {3, 9, 71}}) {
        DctEncoder encoder;
        std::vector<std::uint8_t> payload{1, 2, 3};
        const std::vector<std::uint32_t> pixels(c.pixels, 0x808080);
        EXPECT_FALSE(encoder.encode(pixels, c.width, c.parameter, payload));
        EXPECT_TRUE(payload.empty());
    }
}

} // namespace
} // namespace zarn::sim
