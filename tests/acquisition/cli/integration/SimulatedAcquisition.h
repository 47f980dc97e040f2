// What the end-to-end tests share: the simulated logger configured for one run, the program's
// settings with a selected sonde, one live acquisition through zarn-cli's acquire run, the
// commands that read its log, and the simulator's own report of what it did.
#pragma once

#include "acquisition/cli/AcquireRun.h"
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "platform/PixelImage.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn::test {

// The winch's interval of one simulated run and what else the simulator is told. The winch
// runs at 10 m/min. In fast mode it waits two and a half minutes of model time before it moves: the
// simulator's clock runs ahead of ours while the power-on sequence waits, so the wait lets the
// recording start at the top of the interval. At the line's pace a second is enough.
struct SimulatedInterval {
    double startDepth = 10; // m
    double endDepth = 14;   // m; above the start depth the sonde is logged up
    std::string sections;   // more sections of the simulator's INI ([Sonde], [Fractures], ...)
    bool fastMode = true;   // false: frames at the line's pace, in real time
};

// The winch's speed of every run, m/min.
inline constexpr double WinchSpeed = 10;
// Where the camera window sits above the depth reference, in the simulator and in the sonde
// the program selects: the image depth is the counter depth less this.
inline constexpr double CameraOffsetMetres = 0.08;

// What one acquire run made.
struct AcquireOutcome {
    int code = -1;
    cli::AcquireResult result;
    std::string out;
    std::string err;
};

// A test against the simulated logger: a temporary home, the simulator library held loaded for
// the test (so its report outlives the link), and ZARN_SIM_CONFIG naming the test's own file.
class SimulatedLoggerTest : public ::testing::Test {
protected:
    SimulatedLoggerTest();
    ~SimulatedLoggerTest() override;

    // Writes the simulator's configuration for the next run. Each call gives a configuration
    // text of its own, so the next open of the device makes a fresh simulator.
    void configureSimulator(const SimulatedInterval& interval);
    // The program's settings as it loads them from the home, with a sonde selected (the
    // program's default sonde values: no image offset, the camera offset of the simulator).
    cli::LoadedSettings programSettings(int orientationMode = 0) const;
    // acquire --record LOGS/name until the image depth reaches stopDepth, without status line.
    cli::AcquireOptions recordOptions(const std::string& name, bool loggingDown,
                                      double stopDepth) const;
    std::filesystem::path logFolder() const { return home.file("logs"); }

    // The simulator's report of what it did so far (an INI text).
    std::string report() const;

    TempHome home;

private:
    void* library_ = nullptr;
};

// One live acquisition through zarn-cli's acquire run, in-process; the program's message boxes
// become lines on err. Any thread.
AcquireOutcome runAcquisition(const cli::AcquireOptions& options,
                              const cli::LoadedSettings& settings);

// A count of a simulator's report ([Logger] ResentVideoPackets, [Faults] LostVideoPackets, ...);
// -1 when the report does not have it.
long long reportCount(const std::string& report, std::string_view section, std::string_view key);

// inspect LOG.hed, every line parsed.
CommandRun inspectLog(const std::filesystem::path& header);

// replay with these options, and the picture it wrote (nothing when it could not be read: why in
// `problem`).
struct ReplayedLog {
    CommandRun run;
    std::optional<PixelImage> picture;
    std::string problem;
};
ReplayedLog replayLog(const cli::ReplayOptions& options);

} // namespace zarn::test
