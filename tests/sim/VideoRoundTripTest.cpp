// Round trips through the encoders of the simulated sonde and the video decoder, on a synthetic
// wall texture: every width, every parameter, and the luma fidelity each mode must keep.
#include "acquisition/stream/ToolsUnCompress.h"
#include "sim/ColourSpace.h"
#include "sim/DctEncoder.h"
#include "sim/DpcmEncoder.h"
#include "sim/WallTexture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace zarn::sim {
namespace {

constexpr int kWidths[] = {360, 540, 720, 900, 1080, 1260, 1440};
constexpr int kRows = 64; // eight mode-16 strips, 32 mode-8 pairs

struct Fidelity {
    double psnr = 0;       // luma, dB
    std::size_t bytes = 0; // payload bytes over all strips
};

double psnr(double squaredError, std::size_t samples) {
    const double mse = squaredError / static_cast<double>(samples);
    return mse == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / mse);
}

// Encodes the texture strip by strip with `rows` rows per payload, decodes each payload and
// compares the luma of every pixel.
template <typename Encode, typename Decode>
Fidelity roundTrip(int width, int rows, Encode encode, Decode decode) {
    const WallTexture wall(7);
    std::vector<std::uint32_t> source(static_cast<std::size_t>(width) * kRows);
    wall.render(source, width, 1000, kRows);
    std::vector<std::uint32_t> decoded(static_cast<std::size_t>(width) * rows);
    std::vector<std::uint8_t> payload;
    Fidelity f;
    double squaredError = 0;
    for (int strip = 0; strip < kRows / rows; ++strip) {
        const std::span<const std::uint32_t> in(source.data() + strip * rows * width,
                                                static_cast<std::size_t>(width) * rows);
        EXPECT_TRUE(encode(in, payload));
        f.bytes += payload.size();
        EXPECT_TRUE(decode(payload, decoded));
        for (std::size_t i = 0; i < in.size(); ++i) {
            const double e = lumaOf(in[i]) - lumaOf(decoded[i]);
            squaredError += e * e;
        }
    }
    f.psnr = psnr(squaredError, source.size());
    return f;
}

Fidelity dctRoundTrip(int width, int parameter) {
    DctEncoder encoder;
    CToolsUnCompress decoder;
    return roundTrip(
        width, CToolsUnCompress::kDctRows,
        [&](auto in, auto& payload) { return encoder.encode(in, width, parameter, payload); },
        [&](const auto& payload, auto& out) {
            decoder.InitBitReader(payload);
            EXPECT_TRUE(decoder.SelectDctParameters(parameter));
            decoder.BuildDctTables();
            return decoder.DecodeDctStrip(out, width);
        });
}

Fidelity dpcmRoundTrip(int width, int parameter) {
    DpcmEncoder encoder;
    CToolsUnCompress decoder;
    return roundTrip(
        width, CToolsUnCompress::kDpcmRows,
        [&](auto in, auto& payload) { return encoder.encode(in, width, parameter, payload); },
        [&](const auto& payload, auto& out) {
            EXPECT_TRUE(decoder.SelectDpcmParameters(parameter));
            decoder.InitBitReader(payload);
            return decoder.DecodeDpcmPair(out, width);
        });
}

TEST(VideoRoundTrip, TransformModeParameterThreeKeeps32DbAtEveryWidth) {
    for (int width : kWidths) {
        const Fidelity f = dctRoundTrip(width, 3);
        std::printf("mode 16, parameter 3, width %4d: luma PSNR %.2f dB, %.2f bits/pixel\n", width,
                    f.psnr, 8.0 * f.bytes / (width * kRows));
        EXPECT_GE(f.psnr, 32.0) << width;
    }
}

TEST(VideoRoundTrip, DpcmModeParameterFiveKeeps40DbAtEveryWidth) {
    for (int width : kWidths) {
        const Fidelity f = dpcmRoundTrip(width, 5);
        std::printf("mode 8, parameter 5, width %4d: luma PSNR %.2f dB, %.2f bits/pixel\n", width,
                    f.psnr, 8.0 * f.bytes / (width * kRows));
        EXPECT_GE(f.psnr, 40.0) << width;
    }
}

// A higher parameter spends more bits and does not lose fidelity (beyond about 50 dB what remains
// is the decoder's truncation to whole levels, which moves by fractions of a dB either way); every
// parameter stays a usable picture.
TEST(VideoRoundTrip, FidelityGrowsWithTheParameter) {
    struct Mode {
        const char* name;
        Fidelity (*run)(int, int);
        double floor; // dB any parameter keeps on this texture
    };
    for (const Mode& mode :
         {Mode{"mode 16", dctRoundTrip, 30.0}, Mode{"mode 8", dpcmRoundTrip, 35.0}}) {
        double previous = 0;
        std::size_t previousBytes = 0;
        for (int parameter = 1; parameter <= 5; ++parameter) {
            const Fidelity f = mode.run(1440, parameter);
            std::printf("%s, parameter %d, width 1440: luma PSNR %.2f dB, %.2f bits/pixel\n",
                        mode.name, parameter, f.psnr, 8.0 * f.bytes / (1440 * kRows));
            EXPECT_GE(f.psnr, previous - 1.0) << mode.name << " parameter " << parameter;
            EXPECT_GE(f.psnr, mode.floor) << mode.name << " parameter " << parameter;
            EXPECT_GE(f.bytes, previousBytes * 95 / 100) << mode.name << " parameter " << parameter;
            previous = f.psnr;
            previousBytes = f.bytes;
        }
    }
}

} // namespace
} // namespace zarn::sim
