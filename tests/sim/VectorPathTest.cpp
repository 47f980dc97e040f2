// The decoder's transforms in each vector form (one value at a time, SSE2, AVX2 where the
// processor has it) give the same pixels and colour averages, for encoded wall strips at every
// width, parameter and a few shutter factors, and for arbitrary bytes.
#include "acquisition/stream/ToolsUnCompress.h"
#include "sim/DctEncoder.h"
#include "sim/WallTexture.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace zarn::sim {
namespace {

using kernels::VectorPath;

struct Result {
    std::vector<std::uint32_t> pixels;
    double averages[6];
    bool operator==(const Result& other) const {
        for (int i = 0; i < 6; ++i)
            if (averages[i] != other.averages[i])
                return false;
        return pixels == other.pixels;
    }
};

Result decode(VectorPath path, const std::vector<std::uint8_t>& payload, int width, int parameter,
              double shutter) {
    CToolsUnCompress decoder(path);
    decoder.SetShutterFactor(shutter);
    Result r;
    r.pixels.assign(static_cast<std::size_t>(width) * 8, 0);
    decoder.InitBitReader(payload);
    EXPECT_TRUE(decoder.SelectDctParameters(parameter));
    decoder.BuildDctTables();
    EXPECT_TRUE(decoder.DecodeDctStrip(r.pixels, width));
    const auto& a = decoder.GetColourAverages();
    const double values[6] = {a.luma, a.cb, a.cr, a.redTerm, a.greenTerm, a.blueTerm};
    std::copy(values, values + 6, r.averages);
    return r;
}

void expectSameOnEveryPath(const std::vector<std::uint8_t>& payload, int width, int parameter,
                           double shutter) {
    const Result scalar = decode(VectorPath::Scalar, payload, width, parameter, shutter);
    for (VectorPath path : {VectorPath::Sse2, VectorPath::Avx2})
        EXPECT_TRUE(decode(path, payload, width, parameter, shutter) == scalar)
            << "path " << static_cast<int>(kernels::availableVectorPath(path)) << ", width "
            << width << ", parameter " << parameter << ", shutter " << shutter;
}

TEST(VectorPaths, EncodedWallStripsDecodeAlikeOnEveryPath) {
    DctEncoder encoder;
    std::vector<std::uint8_t> payload;
    for (int width : {360, 540, 720, 900, 1080, 1260, 1440, 12})
        for (int parameter = 1; parameter <= 5; ++parameter) {
            std::vector<std::uint32_t> strip(static_cast<std::size_t>(width) * 8);
            WallTexture(static_cast<std::uint32_t>(parameter)).render(strip, width, 8L * width, 8);
            ASSERT_TRUE(encoder.encode(strip, width, parameter, payload));
            for (double shutter : {1.0, 0.73, 1.41})
                expectSameOnEveryPath(payload, width, parameter, shutter);
        }
}

TEST(VectorPaths, ArbitraryBytesDecodeAlikeOnEveryPath) {
    test::RecordingUserMessages quiet;
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> payload(random() % 1500);
        for (auto& byte : payload)
            byte = static_cast<std::uint8_t>(random());
        if (round % 2)
            for (auto& byte : payload)
                byte &= 0x9F; // more short codes and small widths
        const int widths[] = {360, 540, 900, 1440, 5};
        expectSameOnEveryPath(payload, widths[round % 5], 1 + static_cast<int>(random() % 5),
                              (random() % 250) / 100.0);
    }
}

} // namespace
} // namespace zarn::sim
