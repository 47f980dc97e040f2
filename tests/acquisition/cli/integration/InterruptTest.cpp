// Ctrl-C during a recorded acquisition: the run stops the recording cleanly, powers the sonde
// off and ends as interrupted; the log it leaves is closed (its end depth is the last record's,
// not "CORRUPT"), so the replay opens it as it is, without the repair of an interrupted log.
#include "acquisition/cli/Commands.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/ReplayPlayer.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

class InterruptTest : public SimulatedLoggerTest {};

TEST_F(InterruptTest, CtrlCWhileRecordingLeavesAClosedLog) {
    // A long way down: only the interrupt ends this run.
    configureSimulator({10, 30, ""});
    const cli::AcquireOptions options = recordOptions("interrupted", true, 29);
    const cli::LoadedSettings settings = programSettings();
    AcquireOutcome outcome;
    std::thread run([&] { outcome = runAcquisition(options, settings); });

    // Some records on disk (each about 2 kB), then Ctrl-C.
    const fs::path data = logFolder() / "interrupted.lox";
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    std::error_code ec;
    while (std::chrono::steady_clock::now() < limit && !(fs::file_size(data, ec) >= 100'000 && !ec))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    cli::requestInterrupt();
    run.join();

    ASSERT_EQ(outcome.code, ExitCode::Interrupted) << outcome.err << outcome.out;
    ASSERT_EQ(outcome.result.header, logFolder() / "interrupted.hed");
    // Interrupted before the stop depth, after the records waited for.
    EXPECT_LT(outcome.result.lastDepth, 28);
    EXPECT_GE(fs::file_size(data), 100'000u);

    // The header as the recording left it: closed, with the last record's depth.
    const std::string headerText = readWholeFile(outcome.result.header).value_or("");
    const ProfileDocument document = ProfileDocument::parse(headerText);
    EXPECT_NE(document.get("WellInfo", "EndDepth").value_or("CORRUPT"), "CORRUPT");
    const CommandRun inspected = inspectLog(outcome.result.header);
    ASSERT_EQ(inspected.code, ExitCode::Ok) << inspected.err;
    const std::vector<nlohmann::json> lines = inspected.lines();
    ASSERT_GT(lines.size(), 10u);
    EXPECT_EQ(lines[0]["HeaderInfo"]["EndDepthCorrupt"], false);
    EXPECT_NEAR(lines[0]["HeaderInfo"]["EndDepth"].get<int>(),
                lines.back()["ImageDepth"].get<double>() * 1000, 1.0);
    EXPECT_EQ(document.get("File1", "SampleCount").value_or(""), std::to_string(lines.size() - 1));

    // The replay opens it as it is: the repair of an interrupted log would rewrite the header.
    RecordingUserMessages messages;
    CHeader header;
    RecorderState state;
    CReplayPlayer player(header, state);
    EXPECT_NE(player.OpenLog(outcome.result.header), CReplayPlayer::OpenResult::Failed);
    EXPECT_FALSE(header.Info().EndDepthCorrupt);
    player.CloseLog();
    EXPECT_EQ(readWholeFile(outcome.result.header).value_or(""), headerText);
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace
} // namespace zarn::test
