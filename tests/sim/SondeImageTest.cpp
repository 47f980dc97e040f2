// What the sonde films: its strips decode back to the wall within the codec's quality figures,
// and once the rows are turned by the oriented angle the program computes from the same
// frames, a fracture's trace is a sinusoid deepest where the plane dips: at the high side in
// high-side mode, at the plane's dip direction in magnetic-north mode.
#include "acquisition/stream/FrameFields.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "sim/ColourSpace.h"
#include "tests/sim/LoggerRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zarn::sim {
namespace {

using test::LoggerRun;
using test::Received;

std::span<const std::uint8_t> payloadOf(const Received& r) {
    return std::span(r.frame).subspan(frame::full::Payload, r.frame.size() - frame::full::Overhead);
}

// Decodes the payload of a full frame into rows of W pixels.
std::vector<std::uint32_t> decodeRows(CToolsUnCompress& decoder, const Received& r) {
    const std::uint8_t mode = r.frame[frame::full::SondeBlock + frame::sonde::ImageMode];
    const int width = pixelsPerRowOf(mode >> 5);
    const int parameter = mode & 7;
    std::vector<std::uint32_t> rows;
    if (mode & 0x10) {
        rows.resize(static_cast<std::size_t>(width) * CToolsUnCompress::kDctRows);
        decoder.InitBitReader(payloadOf(r));
        EXPECT_TRUE(decoder.SelectDctParameters(parameter));
        decoder.BuildDctTables();
        EXPECT_TRUE(decoder.DecodeDctStrip(rows, width));
    } else {
        rows.resize(static_cast<std::size_t>(width) * CToolsUnCompress::kDpcmRows);
        EXPECT_TRUE(decoder.SelectDpcmParameters(parameter));
        decoder.InitBitReader(payloadOf(r));
        EXPECT_TRUE(decoder.DecodeDpcmPair(rows, width));
    }
    return rows;
}

TEST(SondeImage, DecodedStripsGiveBackTheWallWithinTheCodecsQuality) {
    struct Case {
        int resolution; // image mode byte: resolution code, compression, parameter
        double psnr;    // luma, dB
    };
    // Mode 16 parameter 3 keeps 32 dB and mode 8 parameter 5 keeps 40 dB; any parameter keeps
    // 30 dB (mode 16) and 35 dB (mode 8).
    for (const Case c : {Case{0x73, 32}, Case{0x74, 32}, Case{0xF3, 32}, Case{0x31, 30},
                         Case{0x6D, 40}, Case{0x29, 35}, Case{0xED, 40}}) {
        LoggerRun run(
            test::ini({"[Sonde]", "Powered = yes", "Resolution = " + std::to_string(c.resolution),
                       "[Winch]", "StartDelay = 0", "StartDepth = 14.1", "Speed = 4"}));
        CToolsUnCompress decoder;
        double squared = 0;
        std::size_t samples = 0;
        for (int i = 0; i < 25; ++i) {
            const Received r = run.next();
            ASSERT_EQ(run.decode(r), FrameResult::Ok);
            const std::vector<std::uint32_t> rows = decodeRows(decoder, r);
            const auto source = run.logger.sonde().lastRows();
            ASSERT_EQ(rows.size(), source.size());
            for (std::size_t k = 0; k < rows.size(); ++k) {
                const double e = lumaOf(rows[k]) - lumaOf(source[k]);
                squared += e * e;
            }
            samples += rows.size();
        }
        const double psnr = 10 * std::log10(255.0 * 255.0 * samples / squared);
        std::printf("image mode 0x%02X: luma PSNR %.2f dB\n", c.resolution, psnr);
        EXPECT_GE(psnr, c.psnr) << std::hex << c.resolution;
    }
}

// The rows of a picture are the wall at the depths where the program's row builder puts them:
// from the previous picture's depth, in equal steps towards this one's, each seen at the
// sonde's roll of that moment.
TEST(SondeImage, RowsAreTheWallWhereTheProgramPlacesThem) {
    for (const char* resolution : {"Resolution = 116", "Resolution = 45"}) { // mode 16, mode 8
        SCOPED_TRACE(resolution);
        LoggerRun run(test::ini({"[Sonde]", "Powered = yes", resolution, "RotationSpeed = 30",
                                 "[Winch]", "StartDelay = 0", "Speed = 12"}));
        const Borehole& hole = run.logger.borehole();
        const Sonde& sonde = run.logger.sonde();
        double lastDepth = 0, lastRoll = 0;
        for (int i = 0; i < 6; ++i) {
            const Received r = run.next();
            const double depth = run.logger.winch().depthAt(r.time) - 0.08;
            const double roll = sonde.rollAt(r.time);
            if (i == 0) {
                lastDepth = depth;
                lastRoll = roll;
            }
            const auto rows = sonde.lastRows();
            const int width = sonde.lastWidth();
            const int count = static_cast<int>(rows.size()) / width;
            std::vector<std::uint32_t> expected(rows.size());
            for (int k = 0; k < count; ++k)
                hole.filmRow(
                    lastDepth + (depth - lastDepth) * k / count,
                    lastRoll + (roll - lastRoll) * k / count,
                    std::span(expected).subspan(static_cast<std::size_t>(k) * width, width));
            EXPECT_TRUE(std::equal(rows.begin(), rows.end(), expected.begin())) << i;
            lastDepth = depth;
            lastRoll = roll;
        }
    }
}

// The unrolled image the program builds: rows turned by the oriented angle, spread in depth
// between the image depths of successive frames, as its row builder places them.
class UnrolledImage {
public:
    void add(const MeasurementRecord& m, const std::vector<std::uint32_t>& rows) {
        const int width = m.PixelsPerRow;
        const int count = static_cast<int>(rows.size()) / width;
        double target = m.Orientation.OrientedAngle;
        if (first_) {
            angle_ = target;
            depth_ = m.ImageDepth;
            first_ = false;
        }
        target = angle_ + std::remainder(target - angle_, 360.0);
        const double angleStep = (target - angle_) / count;
        const double depthStep = (m.ImageDepth - depth_) / count;
        for (int i = 0; i < count; ++i) {
            angle_ += angleStep;
            const int shift = static_cast<int>(std::lround(angle_ * width / 360.0));
            std::vector<double> luma(width);
            for (int j = 0; j < width; ++j)
                luma[((j + shift) % width + width) % width] = lumaOf(rows[i * width + j]);
            rows_.push_back({depth_, std::move(luma)});
            depth_ += depthStep;
        }
        width_ = width;
    }

    // The column (as an angle in degrees) where the darkest trace is deepest, from a sinusoid
    // fitted to the darkest row of every column (refitted without the columns where something
    // else was darker); and the fit's amplitude in metres.
    std::pair<double, double> deepestTrace() const {
        const int n = width_;
        std::vector<double> depths(n);
        for (int j = 0; j < n; ++j) {
            double darkest = 1e9;
            for (const auto& row : rows_)
                if (row.luma[j] < darkest) {
                    darkest = row.luma[j];
                    depths[j] = row.depth;
                }
        }
        std::vector<bool> use(n, true);
        double a = 0, b = 0, d = 0;
        for (int pass = 0; pass < 3; ++pass) {
            // Least squares for depth = a + b cos t + d sin t over the columns in use.
            double m[3][4] = {};
            for (int j = 0; j < n; ++j) {
                if (!use[j])
                    continue;
                const double t = 2 * std::numbers::pi * j / n;
                const double f[3] = {1, std::cos(t), std::sin(t)};
                for (int r = 0; r < 3; ++r) {
                    for (int c = 0; c < 3; ++c)
                        m[r][c] += f[r] * f[c];
                    m[r][3] += f[r] * depths[j];
                }
            }
            for (int p = 0; p < 3; ++p)
                for (int r = p + 1; r < 3; ++r) {
                    const double k = m[r][p] / m[p][p];
                    for (int c = p; c < 4; ++c)
                        m[r][c] -= k * m[p][c];
                }
            d = m[2][3] / m[2][2];
            b = (m[1][3] - m[1][2] * d) / m[1][1];
            a = (m[0][3] - m[0][1] * b - m[0][2] * d) / m[0][0];
            for (int j = 0; j < n; ++j) {
                const double t = 2 * std::numbers::pi * j / n;
                use[j] = std::abs(depths[j] - (a + b * std::cos(t) + d * std::sin(t))) < 0.004;
            }
        }
        used_ = static_cast<double>(std::count(use.begin(), use.end(), true)) / n;
        double column = std::atan2(d, b) * 180 / std::numbers::pi;
        if (column < 0)
            column += 360;
        return {column, std::hypot(b, d)};
    }
    // The share of columns whose darkest row lies on the fitted trace.
    double onTrace() const { return used_; }

private:
    struct Row {
        double depth;
        std::vector<double> luma;
    };
    std::vector<Row> rows_;
    bool first_ = true;
    double angle_ = 0, depth_ = 0;
    int width_ = 0;
    mutable double used_ = 0;
};

TEST(SondeImage, OrientedRowsPutTheFractureWhereItDips) {
    struct Case {
        const char* what;
        double inclination, azimuth, dip, dipDirection;
        int mode;
        double deepestAt; // degrees along the oriented row
    };
    const Case cases[] = {
        // A plane dipping the way the hole heads is deepest at the high side.
        {"high side", 20, 200, 40, 200, OrientationModes::HighSide, 0},
        // In magnetic-north mode the high side lands at the hole's heading.
        {"north, inclined", 20, 200, 40, 200, OrientationModes::MagneticNorth, 200},
        // In a nearly vertical hole the trace is deepest at its dip direction from north.
        {"north, vertical", 1, 300, 50, 70, OrientationModes::MagneticNorth, 70},
        {"north, vertical, other side", 1, 30, 35, 250, OrientationModes::MagneticNorth, 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoggerRun run(
            test::ini({"[Sonde]", "Powered = yes", "RotationSpeed = 25",
                       "Inclination = " + std::to_string(c.inclination),
                       "Azimuth = " + std::to_string(c.azimuth), "[Winch]", "StartDelay = 0",
                       "StartDepth = 19.95", "EndDepth = 20.3", "Speed = 12", "[Fractures]",
                       "F = 20.1, " + std::to_string(c.dip) + ", " +
                           std::to_string(c.dipDirection) + ", 5"}));
        DecoderSettings settings = run.program.decoderSettings();
        settings.orientationMode = c.mode;
        run.stream.setSettings(settings);
        CToolsUnCompress decoder;
        UnrolledImage image;
        while (run.time < 2.0) {
            const Received r = run.next();
            ASSERT_EQ(run.decode(r), FrameResult::Ok);
            image.add(run.stream.snapshot(), decodeRows(decoder, r));
        }
        const auto [column, amplitude] = image.deepestTrace();
        EXPECT_LT(std::abs(std::remainder(column - c.deepestAt, 360.0)), 3.0) << column;
        EXPECT_GT(image.onTrace(), 0.8);
        const double expected =
            0.048 * std::tan((c.dip + (c.dipDirection == c.azimuth ? c.inclination : 0)) *
                             std::numbers::pi / 180);
        EXPECT_NEAR(amplitude, expected, 0.1 * expected);
    }
}

} // namespace
} // namespace zarn::sim
