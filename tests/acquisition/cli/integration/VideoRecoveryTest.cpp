// Video packets lost on the wireline and recovered end to end, through the engine as the acquire
// run drives it, at the line's pace: every lost packet is asked for again once, comes back, and
// is put back in its place, so the recorded log holds every picture in order, the link's
// counters agree with what the simulator says it dropped and sent again, and the picture drawn
// live is the picture the complete log replays to, row for row.
//
// Why not against a clean run of the same interval: the simulated sonde takes its next picture
// only after a packet it sends again has left (the wireline is busy), so in a run with losses
// every later picture is taken a little deeper than in a clean run and shows other rows of the
// wall. And in fast mode the simulator makes packets as fast as the reader asks for them, so the
// re-request, which the sender thread writes, may come after more packets than the recovery waits
// for; hence the line's pace here.
#include "acquisition/cli/StripCapture.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "platform/Format.h"
#include "platform/MessageBus.h"
#include "platform/imaging/PngFile.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <optional>
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

class VideoRecoveryTest : public SimulatedLoggerTest {
protected:
    // What the run left: the link's counters and the simulator's report at the stop depth (the
    // loss counters restart when the sonde goes off), the log and the live picture.
    TransmissionCounts counts;
    std::string simulatorReport;
    fs::path header;
    std::optional<PixelImage> live;

    // Link, power-on orders, a recording down to StopDepth with the picture drawn, power-off:
    // the steps of the acquire run, with the engine's parts in reach.
    void acquire() {
        configureSimulator({StartDepth, EndDepth,
                            format("[Faults]\nLostVideoPacketsAt = %s\n", LostPictures),
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
        recording.headerPath = logFolder() / "lossy.hed";
        recording.dataFile = logFolder() / "lossy.lox";
        recording.loggerDepth = engine.stream().snapshot().LoggerDepth;
        ASSERT_TRUE(engine.startRecording(recording));
        header = recording.headerPath;
        ASSERT_TRUE(serveUntil(
            engine, [&] { return engine.stream().snapshot().ImageDepth >= StopDepth; },
            std::chrono::seconds(120)));
        counts = engine.link().statistics().snapshot();
        simulatorReport = report();
        EXPECT_TRUE(engine.endRecording());
        panel.switchOff(Clock::now());
        ASSERT_TRUE(serveUntil(
            engine, [&] { return panel.powerState() == State::Off; }, std::chrono::seconds(15)));
        engine.stopLink();

        const fs::path png = home.file("live.png");
        int width = 0, height = 0;
        std::string problem;
        ASSERT_TRUE(capture.save(png, width, height, problem)) << problem;
        live = loadPng(png, &problem);
        ASSERT_TRUE(live) << problem;
    }

    long long reportedAtStop(std::string_view section, std::string_view key) const {
        return reportCount(simulatorReport, section, key);
    }
};

TEST_F(VideoRecoveryTest, LostPacketsAreAskedForAgainAndDrawnInTheirPlaces) {
    ASSERT_NO_FATAL_FAILURE(acquire());

    // Every scheduled loss happened on the line and nothing else went wrong there: the program
    // kept up with the line.
    ASSERT_EQ(reportedAtStop("Faults", "LostVideoPackets"), LostCount) << simulatorReport;
    ASSERT_EQ(reportedAtStop("Chip", "PacketsDropped"), 0) << simulatorReport;
    // One re-request per lost packet, each answered once and recovered.
    EXPECT_EQ(reportedAtStop("Logger", "ResentVideoPackets"), LostCount) << simulatorReport;
    EXPECT_EQ(counts.videoRequests, LostCount);
    EXPECT_EQ(counts.recoveries, LostCount);
    EXPECT_EQ(counts.videoDataErrors, 0);
    EXPECT_EQ(counts.videoChecksumErrors, 0);

    // The log holds every picture taken while the sonde moved, in order: the lost ones were put
    // back between their neighbours. (Before, the sonde waited: one picture is recorded there.)
    const CommandRun inspected = inspectLog(header);
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

    // What was drawn live, with the held packets drawn after the one asked for, is what the
    // complete log replays to.
    cli::ReplayOptions replay;
    replay.header = header;
    replay.image = home.file("replayed.png");
    replay.from = PictureTop;
    replay.to = PictureBottom;
    replay.rowsPerMetre = RowsPerMetre;
    const CommandRun replayed = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runReplay(replay, out, err); });
    ASSERT_EQ(replayed.code, ExitCode::Ok) << replayed.err;
    std::string problem;
    const std::optional<PixelImage> fromLog = loadPng(replay.image, &problem);
    ASSERT_TRUE(fromLog) << problem;
    ASSERT_EQ(fromLog->width(), live->width());
    ASSERT_EQ(fromLog->height(), live->height());
    int differing = 0;
    int first = -1;
    for (int y = 0; y < live->height(); ++y) {
        const std::uint32_t* a = live->view().row(y);
        if (!std::equal(a, a + live->width(), fromLog->view().row(y))) {
            ++differing;
            if (first < 0)
                first = y;
        }
    }
    EXPECT_EQ(differing, 0) << "first at " << PictureTop + first / RowsPerMetre << " m";
}

} // namespace
} // namespace zarn::test
