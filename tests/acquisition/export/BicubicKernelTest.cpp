// The bicubic resampling: its tables against the kernel's formula, the weights of a target on a
// line, the fall-backs far from the lines, a constant picture kept constant, and pictures that
// differ from the bilinear run's only in their pixels.
#include "acquisition/export/BicubicKernel.h"
#include "acquisition/export/PictureExportRun.h"
#include "platform/imaging/PictureCodecs.h"
#include "tests/acquisition/export/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

TEST(BicubicKernel, TablesFollowTheKernelsFormula) {
    const BicubicKernel k;
    const double a = -0.67;
    const int n = 136;
    for (int i = 0; i < BicubicKernel::CubicSize; ++i) {
        const double t = static_cast<double>(i) / n;
        const double v = i < n       ? ((a + 2) * t * t * t - (a + 3) * t * t + 1)
                         : i < 2 * n ? a * (t * t * t - 5 * t * t + 8 * t - 4)
                                     : 0.0;
        EXPECT_EQ(k.cubic(i), static_cast<int>(v * 16383)) << i;
    }
    for (const auto& [i, v] : {std::pair{0, 16383},
                               {64, 10200},
                               {128, 735},
                               {136, 0},
                               {192, -1563},
                               {256, -134},
                               {272, 0}})
        EXPECT_EQ(k.cubic(i), v) << i;
    EXPECT_EQ(k.linear(0), 16383);
    EXPECT_EQ(k.linear(64), 8191);
    EXPECT_EQ(k.linear(127), 127);
    EXPECT_EQ(k.linear(128), 0);
    EXPECT_EQ(k.distance(0, 0), 0);
    EXPECT_EQ(k.distance(3, 4), 5);
    EXPECT_EQ(k.distance(100, 100), 141);
    EXPECT_EQ(k.distance(256, 256), 359); // the largest index is inside the table
}

TEST(BicubicKernel, ATargetOnALineAndTargetsFarFromAllLines) {
    const BicubicKernel k;
    // On line p (dy 0), fraction 0: its columns weigh C[256], C[128], C[0], C[128].
    const BicubicKernel::Weights cubic = k.cubicWeights({255, 128, 0, 128}, {0, 0, 0, 0});
    EXPECT_EQ(cubic.weight[8], -134);
    EXPECT_EQ(cubic.weight[9], 735);
    EXPECT_EQ(cubic.weight[10], 16383);
    EXPECT_EQ(cubic.weight[11], 735);
    // Lines a quarter step apart around the target: the cubic weights are strong enough.
    const BicubicKernel::Weights close = k.weightsFor({80, 16, 16, 48}, {20, 20, 20, 20});
    EXPECT_EQ(close.weight, k.cubicWeights({80, 16, 16, 48}, {20, 20, 20, 20}).weight);
    // One step from its neighbours: the central pixels linearly, which leave line p alone.
    const BicubicKernel::Weights on = k.weightsFor({255, 128, 0, 128}, {0, 0, 0, 0});
    EXPECT_EQ(on.weight[10], 16383);
    EXPECT_EQ(on.sum, 16383);
    // Far from every line: the four central pixels linearly, then line p alone.
    const BicubicKernel::Weights far = k.weightsFor({255, 255, 255, 255}, {64, 64, 64, 64});
    EXPECT_EQ(far.weight[10], 16384);
    EXPECT_EQ(far.sum, 16384);
    const BicubicKernel::Weights near = k.weightsFor({255, 200, 60, 255}, {64, 64, 64, 64});
    for (const int outside : {0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15})
        EXPECT_EQ(near.weight[static_cast<std::size_t>(outside)], 0) << outside;
    EXPECT_GE(near.sum, 2000);

    // A constant line stays constant, the wrap at both ends included.
    const std::vector<std::uint32_t> flat(720, pixelOf(90, 120, 150));
    std::vector<std::uint32_t> out(720);
    for (const auto& w :
         {cubic, close, on, far, k.weightsFor({200, 70, 60, 190}, {10, 100, 127, 3})}) {
        BicubicKernel::apply(w, {flat.data(), flat.data(), flat.data(), flat.data()}, 720,
                             out.data());
        for (int x = 0; x < 720; ++x)
            ASSERT_EQ(out[static_cast<std::size_t>(x)], pixelOf(90, 120, 150)) << x;
    }
}

TEST(BicubicExport, SameNamesAndSizesAsBilinearAGradientInPlaceAndNoSeams) {
    TempHome home;
    TestLogShape shape;
    const auto levelOf = [](int n) { return 40 + 8 * n; };
    shape.pixel = [&](int n, int, int) {
        const auto level = static_cast<unsigned>(levelOf(n));
        return pixelOf(level, level, level);
    };
    const fs::path header = writeTestLog(home.file("log"), evenRecords(100000, 80, 26), shape);
    const ExportSourceResult read = readExportSource(header);
    ASSERT_TRUE(read.source) << read.problem;
    for (const double interval : {0.001, 0.0025, 0.0003}) {
        SCOPED_TRACE(interval);
        std::vector<PictureExportResult> runs;
        for (const bool bicubic : {false, true}) {
            PictureExportJob job;
            job.from = 10.0;
            job.to = 10.2;
            job.interval = interval;
            job.maxLines = 150;
            job.type = CBmpCreator::PictureType::Bmp;
            job.drawScale = false;
            job.bicubic = bicubic;
            job.outputFolder = home.file(format("out-%d-%.4f", bicubic, interval));
            runs.push_back(PictureExportRun(*read.source, job).run());
            ASSERT_EQ(runs.back().outcome, ExportOutcome::Done) << runs.back().message;
        }
        ASSERT_EQ(runs[0].pictures.size(), runs[1].pictures.size());
        double before = 0;
        long long row = 0;
        for (std::size_t i = 0; i < runs[0].pictures.size(); ++i) {
            const GeneratedPicture& linear = runs[0].pictures[i];
            const GeneratedPicture& cubic = runs[1].pictures[i];
            EXPECT_EQ(linear.path.filename(), cubic.path.filename());
            EXPECT_EQ(linear.height, cubic.height);
            const std::optional<PixelImage> picture = loadPicture(cubic.path);
            ASSERT_TRUE(picture);
            // The flat records' levels rise by 8 a record: the cubic picture rises with them,
            // across the picture boundaries too, and stays near the bilinear one.
            for (int y = 0; y < picture->height(); ++y, ++row) {
                const double level = pixelGreen(picture->view().at(360, y));
                const double mm = row * interval * 1000;
                // Record n's level holds from 8(n - 1) to 8(n - 1) + 7 mm and rises to the
                // next in the millimetre after: about 44.5 + mm, within half a step.
                EXPECT_NEAR(level, 44.5 + mm, 6.0) << "row " << row;
                EXPECT_GE(level, before - 3) << "row " << row;
                before = level;
            }
        }
    }
}

} // namespace
} // namespace zarn::test
