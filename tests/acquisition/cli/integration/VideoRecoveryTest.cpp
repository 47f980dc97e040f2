// Video packets lost on the wireline and recovered end to end, through the engine as the acquire
// run drives it, at the line's pace: every lost packet is asked for again once, comes back, and
// is put back in its place, so the recorded log holds every picture in order, the link's
// counters agree with what the simulator says it dropped and sent again, and the picture drawn
// live equals, row for row, both the picture the complete log replays to and the picture drawn
// from the same simulated run without losses.
//
// The same run twice: the simulated sonde films at its own frame rate whatever the line carries
// and the winch starts a fixed time after the first data frame, so two runs of one configuration
// film the same wall at the same depths. The sonde does not turn here: its roll follows the
// simulator's clock, which starts with the device, a little differently in each run. The line's
// pace, not fast mode: in fast mode the stream races on while the test reads the link's counters
// and then the simulator's report, so the two would not tell of the same moment.
#include "acquisition/cli/StripCapture.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "platform/Format.h"
#include "platform/MessageBus.h"
#include "platform/ProfileDocument.h"
#include "platform/imaging/PngFile.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
#include <sstream>
#include <thread>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;
using Clock = std::chrono::steady_clock;

// The pictures lost on the line, counted from the sonde's first: after recovery is enabled
// (twenty good frames) and while the sonde moves (from picture 21, a second after the first),
// one at a time, two in a row, and a second one while the first is still awaited.
constexpr const char* LostPictures = "30, 37, 38, 46, 50, 58, 66";
constexpr int LostCount = 7;

// The interval logged (picture 90 is taken at about 10.5 m), and the picture compared: it
// starts a little below where the winch waits, so that it holds only rows drawn while the
// sonde moves.
constexpr double StartDepth = 10.0;
constexpr double EndDepth = 11.0;
constexpr double PictureTop = 9.95;
constexpr double PictureBottom = 10.45;
constexpr double StopDepth = 10.5;
constexpr double RowsPerMetre = 400;

// Serves the engine as its owner does (posted messages, panel deadlines) until done or the
// limit.
bool serveUntil(AcquisitionEngine& engine, const std::function<bool()>& done,
                std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (true) {
        MessageBus::instance().deliverPosted();
        engine.tick(Clock::now());
        if (done())
            return true;
        if (Clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// What one run left: the link's counters and the simulator's report at the stop depth (the loss
// counters restart when the sonde goes off), the log and the live picture.
struct LoggedRun {
    TransmissionCounts counts;
    std::string simulatorReport;
    fs::path header;
    std::optional<PixelImage> live;

    long long reported(std::string_view section, std::string_view key) const {
        return reportCount(simulatorReport, section, key);
    }
};

// Rows of two pictures of one size that differ: how many, and the depth of the first.
std::string rowDifferences(const PixelImage& a, const PixelImage& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return format("sizes differ: %dx%d and %dx%d", a.width(), a.height(), b.width(),
                      b.height());
    int differing = 0;
    int first = -1;
    for (int y = 0; y < a.height(); ++y) {
        const std::uint32_t* row = a.view().row(y);
        if (!std::equal(row, row + a.width(), b.view().row(y))) {
            ++differing;
            if (first < 0)
                first = y;
        }
    }
    if (differing == 0)
        return {};
    return format("%d rows differ, the first at %.4f m", differing,
                  PictureTop + first / RowsPerMetre);
}

class VideoRecoveryTest : public SimulatedLoggerTest {
protected:
    // Link, power-on orders, a recording down to StopDepth with the picture drawn, power-off:
    // the steps of the acquire run, with the engine's parts in reach. `faults`: the simulator's
    // [Faults] keys of this run.
    void acquire(const std::string& name, const std::string& faults, LoggedRun& run) {
        configureSimulator({StartDepth, EndDepth,
                            "[Sonde]\nRotationSpeed = 0\n[Faults]\n" + faults + "\n",
                            /*fastMode*/ false});
        cli::LoadedSettings settings = programSettings(/*magnetic north*/ 1);
        // A measuring wheel of 400 mm: one encoder count is 0.1 mm, the depth step the log
        // stores, so the replay draws its rows at the depths the live run drew them.
        settings.configuration.program.wheelCircumferenceMm = 400;
        setenv("ZARN_FTD2XX", ZARN_FTD2XX_SIM, 1);
        EngineSetup setup;
        setup.configuration = settings.configuration;
        setup.sondes = settings.sondes;
        AcquisitionEngine engine(setup);
        PowerPanelLogic& panel = engine.panel();
        using State = PowerPanelLogic::PowerState;

        ASSERT_TRUE(engine.startLink());
        ASSERT_TRUE(serveUntil(
            engine, [&] { return engine.link().linkState() >= LinkState::LoggerOnly; },
            std::chrono::seconds(20)));
        ASSERT_EQ(panel.pressPower(Clock::now()), PowerPanelLogic::PressResult::SwitchingOn);
        ASSERT_TRUE(serveUntil(
            engine,
            [&] {
                return panel.powerState() == State::On &&
                       panel.orderStep() == PowerPanelLogic::IdleStep;
            },
            std::chrono::seconds(60)));
        ASSERT_LT(engine.stream().snapshot().ImageDepth, PictureTop)
            << "the sonde moved before it was on";

        cli::StripCapture capture(engine, PictureTop, PictureBottom, RowsPerMetre);
        ASSERT_TRUE(capture.valid()) << capture.error();
        fs::create_directories(logFolder());
        RecordingSetup recording;
        recording.headerPath = logFolder() / (name + ".hed");
        recording.dataFile = logFolder() / (name + ".lox");
        recording.loggerDepth = engine.stream().snapshot().LoggerDepth;
        ASSERT_TRUE(engine.startRecording(recording));
        run.header = recording.headerPath;
        ASSERT_TRUE(serveUntil(
            engine, [&] { return engine.stream().snapshot().ImageDepth >= StopDepth; },
            std::chrono::seconds(120)));
        run.counts = engine.link().statistics().snapshot();
        run.simulatorReport = report();
        EXPECT_TRUE(engine.endRecording());
        panel.switchOff(Clock::now());
        ASSERT_TRUE(serveUntil(
            engine, [&] { return panel.powerState() == State::Off; }, std::chrono::seconds(15)));
        static_cast<void>(engine.stopLink()); // a late link thread is joined with the engine

        const fs::path png = home.file(name + ".png");
        int width = 0, height = 0;
        std::string problem;
        ASSERT_TRUE(capture.save(png, width, height, problem)) << problem;
        run.live = loadPng(png, &problem);
        ASSERT_TRUE(run.live) << problem;
    }

    // The picture of the run without losses, made once for the tests of this process; null
    // when that run failed (its failures are the caller's).
    const PixelImage* cleanPicture() {
        static std::optional<PixelImage> picture;
        if (!picture) {
            LoggedRun clean;
            acquire("clean", "", clean);
            if (clean.live) {
                EXPECT_EQ(clean.reported("Faults", "LostVideoPackets"), 0);
            }
            picture = clean.live;
        }
        return picture ? &*picture : nullptr;
    }

    // The counters of a run with losses agree with the simulator: nothing but the losses went
    // wrong on the line (the program kept up with it), and each of the `lost` pictures was asked
    // for again once, answered once and recovered.
    static void expectEveryLossRecovered(const LoggedRun& run, long long lost) {
        ASSERT_EQ(run.reported("Chip", "PacketsDropped"), 0) << run.simulatorReport;
        EXPECT_EQ(run.reported("Logger", "ResentVideoPackets"), lost) << run.simulatorReport;
        EXPECT_EQ(run.counts.videoRequests, lost) << run.simulatorReport;
        EXPECT_EQ(run.counts.recoveries, lost) << run.simulatorReport;
        EXPECT_EQ(run.counts.videoDataErrors, 0);
        EXPECT_EQ(run.counts.videoChecksumErrors, 0);
    }
};

TEST_F(VideoRecoveryTest, LostPacketsAreAskedForAgainAndDrawnInTheirPlaces) {
    LoggedRun lossy;
    ASSERT_NO_FATAL_FAILURE(
        acquire("lossy", format("LostVideoPacketsAt = %s", LostPictures), lossy));
    ASSERT_EQ(lossy.reported("Faults", "LostVideoPackets"), LostCount) << lossy.simulatorReport;
    ASSERT_NO_FATAL_FAILURE(expectEveryLossRecovered(lossy, LostCount));

    // The log holds every picture taken while the sonde moved, in order: the lost ones were put
    // back between their neighbours. (Before, the sonde waited: one picture is recorded there.)
    const CommandRun inspected = inspectLog(lossy.header);
    ASSERT_EQ(inspected.code, ExitCode::Ok) << inspected.err;
    const std::vector<nlohmann::json> lines = inspected.lines();
    ASSERT_GT(lines.size(), 60u);
    const double waiting = StartDepth - CameraOffsetMetres;
    std::size_t moving = 1;
    while (moving < lines.size() && lines[moving]["ImageDepth"].get<double>() < waiting + 0.001)
        ++moving;
    ASSERT_LT(moving, 3u);
    const long long firstPicture = lines[moving]["PictureNumber"].get<long long>();
    ASSERT_LT(firstPicture, 30) << "the sonde moved only after the first loss";
    for (std::size_t i = moving; i < lines.size(); ++i) {
        const long long picture = lines[i]["PictureNumber"].get<long long>();
        ASSERT_EQ(picture, firstPicture + static_cast<long long>(i - moving)) << "record " << i;
        ASSERT_EQ(lines[i]["PacketIndex"].get<int>(), static_cast<int>((picture - 1) & 0xFF))
            << "record " << i;
    }
    EXPECT_GT(lines.back()["PictureNumber"].get<long long>(), 66) << "the last loss is in the log";

    // What was drawn live, with the held packets drawn after the one asked for, is what the run
    // without losses drew, and what the complete log replays to.
    const PixelImage* clean = cleanPicture();
    ASSERT_NE(clean, nullptr) << "the run without losses failed";
    EXPECT_EQ(rowDifferences(*lossy.live, *clean), "");
    cli::ReplayOptions replay;
    replay.header = lossy.header;
    replay.image = home.file("replayed.png");
    replay.from = PictureTop;
    replay.to = PictureBottom;
    replay.rowsPerMetre = RowsPerMetre;
    const ReplayedLog replayed = replayLog(replay);
    ASSERT_EQ(replayed.run.code, ExitCode::Ok) << replayed.run.err;
    ASSERT_TRUE(replayed.picture) << replayed.problem;
    EXPECT_EQ(rowDifferences(*lossy.live, *replayed.picture), "");
}

// Losses drawn at random from the simulator's seed, one picture in twenty-five on average: the
// recovery keeps up and the picture is the clean run's. The recovery runs once twenty good
// pictures came in after the sonde started sending them; a loss before is not asked for (the
// sonde still waits at the start depth then, so it costs no rows).
TEST_F(VideoRecoveryTest, LossesAtARateAreRecovered) {
    constexpr long long RecoveryRunsFrom = 20;
    constexpr long long SureFrom = 25;
    LoggedRun lossy;
    ASSERT_NO_FATAL_FAILURE(acquire("lossy", "LostVideoPacketsRate = 0.04", lossy));

    std::vector<long long> numbers;
    std::stringstream list(ProfileDocument::parse(lossy.simulatorReport)
                               .get("Faults", "LostVideoPacketNumbers")
                               .value_or(""));
    for (std::string item; std::getline(list, item, ',');)
        numbers.push_back(parseInt(item));
    ASSERT_EQ(static_cast<long long>(numbers.size()), lossy.reported("Faults", "LostVideoPackets"))
        << lossy.simulatorReport;
    const auto after = [&](long long from) {
        return std::count_if(numbers.begin(), numbers.end(), [&](long long n) { return n > from; });
    };
    // The seed's draws leave the pictures around the recovery's start alone.
    ASSERT_EQ(after(RecoveryRunsFrom), after(SureFrom)) << lossy.simulatorReport;
    ASSERT_GE(after(SureFrom), 2) << lossy.simulatorReport;
    ASSERT_NO_FATAL_FAILURE(expectEveryLossRecovered(lossy, after(SureFrom)));
    const PixelImage* clean = cleanPicture();
    ASSERT_NE(clean, nullptr) << "the run without losses failed";
    EXPECT_EQ(rowDifferences(*lossy.live, *clean), "");
}

} // namespace
} // namespace zarn::test
