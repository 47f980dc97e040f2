// A log recorded live from the simulated logger, logged down and logged up: its records advance
// in the logging direction and its header is closed, and its replayed picture shows the
// simulated borehole's fracture planes as sinusoids, deepest at their dip direction (the image
// oriented to magnetic north) and centred on their depths.
#include "acquisition/cli/Commands.h"
#include "platform/Format.h"
#include "platform/imaging/PictureCodecs.h"
#include "platform/imaging/PictureFileName.h"
#include "sim/Borehole.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace zarn::test {
namespace {

namespace ExitCode = cli::ExitCode;

struct Fracture {
    double depth;        // m, where the plane crosses the hole's axis
    double dip;          // degrees
    double dipDirection; // degrees from (magnetic) north
};

// Two planes inside the logged interval, their traces well apart, dipping to either side.
constexpr std::array<Fracture, 2> Fractures{{{11.0, 60.0, 120.0}, {12.2, 45.0, 250.0}}};
// A nearly vertical hole (the sonde measures its roll from the small tilt), heading north-east;
// the sonde turns slowly as it goes and its sensors are noisy, as by default.
constexpr double Inclination = 2;
constexpr double HoleAzimuth = 35; // magnetic

// The image: 720 columns once around the hole after the border column; column 1 + 2 x a looks
// towards azimuth a (the row builder's resampling of 720 pixels is one to one, and the
// orientation turns the sonde's rows so that their first pixel looks north).
constexpr int ImageColumns = 720;
constexpr int FirstImageColumn = 1;
constexpr double RowsPerMetre = 400;

std::string fractureSections() {
    std::string text = format("[Sonde]\nInclination = %.1f\nAzimuth = %.1f\n[Fractures]\n",
                              Inclination, HoleAzimuth);
    for (std::size_t i = 0; i < Fractures.size(); ++i) {
        const Fracture& f = Fractures[i];
        text += format("F%zu = %.3f, %.1f, %.1f\n", i + 1, f.depth, f.dip, f.dipDirection);
    }
    return text;
}

struct Direction {
    const char* name;
    bool down;
    double startDepth; // the simulator's winch
    double endDepth;
    double stopDepth; // image depth at which the acquire run stops
};

void PrintTo(const Direction& d, std::ostream* os) {
    *os << d.name;
}

const Direction Directions[] = {
    {"Down", true, 10.0, 13.3, 12.9},
    {"Up", false, 13.0, 9.8, 10.4},
};

// Where the simulated borehole puts a fracture's trace: the azimuth of its deepest point (its
// wall angle from the high side plus the hole's azimuth, the reference of an image oriented to
// magnetic north) and its half height along the hole. In this nearly vertical hole the deepest
// point lies within a degree or two of the plane's dip direction.
struct ExpectedTrace {
    double deepestAzimuth = 0; // degrees
    double amplitude = 0;      // m
};

ExpectedTrace expectedTrace(const Fracture& f) {
    const sim::Borehole hole(sim::BoreholeSettings{}, Inclination, HoleAzimuth);
    const sim::FracturePlane plane{f.depth, f.dip, f.dipDirection};
    double deepest = -1e9, shallowest = 1e9, deepestAngle = 0;
    for (int i = 0; i < 36000; ++i) {
        const double beta = i * 0.01;
        const double t = hole.traceDepth(plane, beta);
        if (t > deepest) {
            deepest = t;
            deepestAngle = beta;
        }
        shallowest = std::min(shallowest, t);
    }
    return {std::fmod(deepestAngle + HoleAzimuth, 360.0), (deepest - shallowest) / 2};
}

double luminance(std::uint32_t pixel) {
    return 0.299 * pixelRed(pixel) + 0.587 * pixelGreen(pixel) + 0.114 * pixelBlue(pixel);
}

// A fracture's trace fitted as row = middle + a cos(azimuth) + b sin(azimuth) to the darkest row
// of each image column between two picture rows; columns far off the fit (darker rock) are left
// out and the fit is made again.
struct TraceFit {
    double middleRow = 0;
    double amplitudeRows = 0;
    double deepestAzimuth = 0; // degrees, where the trace is lowest in the picture
    int columnsUsed = 0;
    double rmsRows = 0;
};

// firstColumn: where the image columns start (the replay's picture has a border column, the
// exported pictures none).
std::optional<TraceFit> fitTrace(const PixelImage& picture, int firstRow, int lastRow,
                                 int firstColumn = FirstImageColumn) {
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, picture.height() - 1);
    if (firstRow >= lastRow)
        return std::nullopt;
    struct Point {
        double azimuth; // radians
        double row;
    };
    std::vector<Point> points;
    for (int c = 0; c < ImageColumns; ++c) {
        int darkest = firstRow;
        for (int y = firstRow; y <= lastRow; ++y)
            if (luminance(picture.view().at(firstColumn + c, y)) <
                luminance(picture.view().at(firstColumn + c, darkest)))
                darkest = y;
        points.push_back({c * 2 * std::numbers::pi / ImageColumns, double(darkest)});
    }
    std::vector<bool> used(points.size(), true);
    TraceFit fit;
    for (int pass = 0; pass < 4; ++pass) {
        // Normal equations of the three-term least squares fit.
        double m[3][4] = {};
        for (std::size_t i = 0; i < points.size(); ++i) {
            if (!used[i])
                continue;
            const double f[3] = {1, std::cos(points[i].azimuth), std::sin(points[i].azimuth)};
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c)
                    m[r][c] += f[r] * f[c];
                m[r][3] += f[r] * points[i].row;
            }
        }
        for (int k = 0; k < 3; ++k) { // Gauss-Jordan; the matrix is well conditioned
            if (std::abs(m[k][k]) < 1e-9)
                return std::nullopt;
            for (int r = 0; r < 3; ++r) {
                if (r == k)
                    continue;
                const double q = m[r][k] / m[k][k];
                for (int c = k; c < 4; ++c)
                    m[r][c] -= q * m[k][c];
            }
        }
        const double mid = m[0][3] / m[0][0], a = m[1][3] / m[1][1], b = m[2][3] / m[2][2];
        fit.middleRow = mid;
        fit.amplitudeRows = std::hypot(a, b);
        double deepest = std::atan2(b, a) * 180 / std::numbers::pi;
        fit.deepestAzimuth = deepest < 0 ? deepest + 360 : deepest;
        double squares = 0;
        fit.columnsUsed = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double model =
                mid + a * std::cos(points[i].azimuth) + b * std::sin(points[i].azimuth);
            const double residual = points[i].row - model;
            used[i] = std::abs(residual) <= 4;
            if (used[i]) {
                squares += residual * residual;
                ++fit.columnsUsed;
            }
        }
        fit.rmsRows = fit.columnsUsed ? std::sqrt(squares / fit.columnsUsed) : 1e9;
    }
    return fit;
}

double angleBetween(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

class RecordedLogTest : public SimulatedLoggerTest,
                        public ::testing::WithParamInterface<Direction> {};

TEST_P(RecordedLogTest, AdvancesInItsDirectionAndReplaysTheFracturesWhereTheyAre) {
    const Direction d = GetParam();
    configureSimulator({d.startDepth, d.endDepth, fractureSections()});
    const AcquireOutcome run = runAcquisition(recordOptions("run", d.down, d.stopDepth),
                                              programSettings(/*magnetic north*/ 1));
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err << run.out;
    EXPECT_EQ(run.err, "");
    ASSERT_FALSE(run.result.header.empty());

    // ---- The log as inspect reads it ----
    const CommandRun inspected = inspectLog(run.result.header);
    ASSERT_EQ(inspected.code, ExitCode::Ok) << inspected.err;
    const std::vector<nlohmann::json> lines = inspected.lines();
    ASSERT_GT(lines.size(), 100u);
    const nlohmann::json& header = lines.front();
    EXPECT_EQ(header["HeaderInfo"]["EndDepthCorrupt"], false);
    EXPECT_NE(header["Sections"]["WellInfo"]["EndDepth"], "CORRUPT");
    EXPECT_EQ(header["HeaderInfo"]["OrientationMode"], 1);
    EXPECT_EQ(header["HeaderInfo"]["Descending"], d.down);
    // Every record whole on disk is counted in the header and in the run's result.
    ASSERT_EQ(header["HeaderInfo"]["DataFiles"], 1);
    EXPECT_EQ(header["Sections"]["File1"]["SampleCount"], std::to_string(lines.size() - 1));
    EXPECT_EQ(run.result.records, static_cast<int>(lines.size() - 1));
    EXPECT_EQ(run.result.dataFiles, 1);

    const double sign = d.down ? 1 : -1;
    const double top = d.startDepth - CameraOffsetMetres; // where the winch waited
    double last = lines[1]["ImageDepth"].get<double>();
    EXPECT_NEAR(last, top, 0.05) << "the recording starts where the sonde waited";
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const double depth = lines[i]["ImageDepth"].get<double>();
        ASSERT_GT(sign * (depth - last), 0)
            << "record " << i << " at " << depth << " after " << last;
        // The winch moves 8.3 mm per picture at 20 pictures a second.
        ASSERT_LT(std::abs(depth - last), 0.02) << "record " << i;
        last = depth;
    }
    // The run ends at its stop depth: the frame that got there may still be on its way to the
    // log when the recording stops, the one before it is in.
    EXPECT_GE(sign * (last - d.stopDepth), -0.01) << "the run ends at its stop depth";
    // The header's interval is the records' (millimetres).
    EXPECT_NEAR(header["HeaderInfo"]["Startdepth"].get<int>(),
                lines[1]["ImageDepth"].get<double>() * 1000, 1.0);
    EXPECT_NEAR(header["HeaderInfo"]["EndDepth"].get<int>(), last * 1000, 1.0);

    // ---- The replayed picture ----
    cli::ReplayOptions replay;
    replay.header = run.result.header;
    replay.image = home.file("replay.png");
    replay.rowsPerMetre = RowsPerMetre;
    const ReplayedLog replayed = replayLog(replay);
    ASSERT_EQ(replayed.run.code, ExitCode::Ok) << replayed.run.err;
    ASSERT_TRUE(replayed.picture) << replayed.problem;
    const PixelImage& picture = *replayed.picture;
    // The picture runs from the log's shallow end down, one row per 2.5 mm.
    const double shallow = std::min(header["HeaderInfo"]["Startdepth"].get<int>(),
                                    header["HeaderInfo"]["EndDepth"].get<int>()) /
                           1000.0;
    const double deep = std::max(header["HeaderInfo"]["Startdepth"].get<int>(),
                                 header["HeaderInfo"]["EndDepth"].get<int>()) /
                        1000.0;
    EXPECT_EQ(picture.height(), static_cast<int>(std::floor((deep - shallow) * RowsPerMetre)) + 1);
    const auto rowOf = [&](double depth) {
        return static_cast<int>(std::floor((depth - shallow) * RowsPerMetre));
    };

    for (const Fracture& f : Fractures) {
        SCOPED_TRACE(::testing::Message() << "fracture at " << f.depth << " m");
        const ExpectedTrace expected = expectedTrace(f);
        ASSERT_LT(angleBetween(expected.deepestAzimuth, f.dipDirection), 2.0);
        const std::optional<TraceFit> fit =
            fitTrace(picture, rowOf(f.depth - expected.amplitude - 0.03),
                     rowOf(f.depth + expected.amplitude + 0.03));
        ASSERT_TRUE(fit);
        // A clean sinusoid through nearly every column.
        EXPECT_GT(fit->columnsUsed, ImageColumns * 9 / 10);
        EXPECT_LT(fit->rmsRows, 1.5);
        // Within one of the picture's half-degree columns.
        EXPECT_LT(angleBetween(fit->deepestAzimuth, expected.deepestAzimuth), 0.5)
            << "deepest at " << fit->deepestAzimuth << " degrees, expected "
            << expected.deepestAzimuth;
        // Centred on the plane's depth within two rows (5 mm).
        const double middle = shallow + (fit->middleRow + 0.5) / RowsPerMetre;
        EXPECT_NEAR(middle, f.depth, 0.005);
        EXPECT_NEAR(fit->amplitudeRows / RowsPerMetre, expected.amplitude, 0.002);
    }
}

// The same log exported as pictures (lossless BMP, one line every 2.5 mm, oriented to magnetic
// north like the replay): the pictures meet end to end and show each fracture's trace where the
// replay does.
TEST_P(RecordedLogTest, ExportedPicturesShowTheFracturesWhereTheyAre) {
    const Direction d = GetParam();
    configureSimulator({d.startDepth, d.endDepth, fractureSections()});
    const AcquireOutcome run = runAcquisition(recordOptions("run", d.down, d.stopDepth),
                                              programSettings(/*magnetic north*/ 1));
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err << run.out;

    cli::ExportPicturesOptions options;
    options.header = run.result.header;
    options.output = home.file("pictures");
    options.type = "bmp";
    options.interval = 1000 / RowsPerMetre;
    options.maxLines = 500;
    options.decimals = 4;
    options.deviation = 1;
    options.noScale = true;
    const CommandRun exported = runCommand([&](std::ostream& out, std::ostream& err) {
        return cli::runExportPictures(options, out, err);
    });
    ASSERT_EQ(exported.code, ExitCode::Ok) << exported.err;

    // The pictures in the order written, end to end.
    namespace fs = std::filesystem;
    std::vector<fs::path> paths;
    for (const fs::directory_entry& e : fs::directory_iterator(home.file("pictures")))
        paths.push_back(e.path());
    std::sort(paths.begin(), paths.end(), [&](const fs::path& a, const fs::path& b) {
        return (parsePictureFileName(a)->start < parsePictureFileName(b)->start) == d.down;
    });
    ASSERT_GE(paths.size(), 2u);
    std::vector<PixelImage> pictures;
    for (const fs::path& path : paths) {
        std::optional<PixelImage> picture = loadPicture(path);
        ASSERT_TRUE(picture) << path;
        pictures.push_back(std::move(*picture));
    }
    const double step = (d.down ? 1 : -1) / RowsPerMetre;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const PictureNameParts parts = *parsePictureFileName(paths[i]);
        if (i > 0) {
            EXPECT_EQ(parts.start, parsePictureFileName(paths[i - 1])->end) << paths[i];
        }
        EXPECT_NEAR((parts.end - parts.start) / step, pictures[i].height(), 0.01) << paths[i];
    }

    for (const Fracture& f : Fractures) {
        SCOPED_TRACE(::testing::Message() << "fracture at " << f.depth << " m");
        const ExpectedTrace expected = expectedTrace(f);
        // The picture that holds the fracture, and the row of a depth in it (an upward picture
        // is filled from its bottom row).
        bool seen = false;
        for (std::size_t i = 0; i < paths.size() && !seen; ++i) {
            const PictureNameParts parts = *parsePictureFileName(paths[i]);
            const double shallow = std::min(parts.start, parts.end);
            const double deep = std::max(parts.start, parts.end);
            if (f.depth - expected.amplitude - 0.03 < shallow ||
                f.depth + expected.amplitude + 0.03 > deep)
                continue;
            seen = true;
            // Rows from the top: the shallow end is always at the top.
            const auto rowOf = [&](double depth) {
                return static_cast<int>(std::floor((depth - shallow) * RowsPerMetre));
            };
            const std::optional<TraceFit> fit =
                fitTrace(pictures[i], rowOf(f.depth - expected.amplitude - 0.03),
                         rowOf(f.depth + expected.amplitude + 0.03), 0);
            ASSERT_TRUE(fit);
            EXPECT_GT(fit->columnsUsed, ImageColumns * 9 / 10);
            EXPECT_LT(fit->rmsRows, 1.5);
            EXPECT_LT(angleBetween(fit->deepestAzimuth, expected.deepestAzimuth), 1.0)
                << "deepest at " << fit->deepestAzimuth << " degrees, expected "
                << expected.deepestAzimuth;
            const double middle = shallow + (fit->middleRow + 0.5) / RowsPerMetre;
            EXPECT_NEAR(middle, f.depth, 0.005);
            EXPECT_NEAR(fit->amplitudeRows / RowsPerMetre, expected.amplitude, 0.003);
        }
        EXPECT_TRUE(seen) << "no picture holds the whole trace";
    }
}

INSTANTIATE_TEST_SUITE_P(LoggingDirections, RecordedLogTest, ::testing::ValuesIn(Directions),
                         [](const ::testing::TestParamInfo<Direction>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
} // namespace zarn::test
