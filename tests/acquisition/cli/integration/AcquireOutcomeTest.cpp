// What a recorded acquisition tells and leaves: a recording against the winch's direction
// writes no record, warns with the panel's reverse-motion text and ends as a failure; a
// recording's header is dated today and the new log's path keys are saved in the configuration.
#include "acquisition/app/Preferences.h"
#include "acquisition/logfiles/HeaderInfo.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <ctime>

namespace zarn::test {
namespace {

namespace ExitCode = cli::ExitCode;

class AcquireOutcomeTest : public SimulatedLoggerTest {};

TEST_F(AcquireOutcomeTest, ARecordingAgainstTheWinchWritesNothingAndFails) {
    // The winch goes down all the run; the recording is made going up, until a few seconds
    // have passed. The winch's interval outlasts any run: on a loaded machine the simulator's
    // clock may run minutes ahead before the recording starts, and a winch that has already
    // stopped at the bottom would never move against the recording.
    configureSimulator({10, 10000, ""});
    cli::AcquireOptions options = recordOptions("wrongway", false, 2);
    // Long enough for the sonde to come on and the winch to move on a loaded machine: the run
    // records nothing, so it lasts the whole duration.
    options.duration = 20;
    const AcquireOutcome outcome = runAcquisition(options, programSettings());

    EXPECT_EQ(outcome.code, ExitCode::Failure) << outcome.err << outcome.out;
    EXPECT_NE(outcome.err.find("zarn-cli: warning: Bad Winch Direction !!!"), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find("zarn-cli: the recording wrote no record (last warning: "),
              std::string::npos)
        << outcome.err;
    const std::string header = (logFolder() / "wrongway.hed").string();
    EXPECT_NE(outcome.out.find("Log: " + header + " (0 records in 1 data file(s))"),
              std::string::npos)
        << outcome.out;
    EXPECT_NE(outcome.out.find("  data file " + (logFolder() / "wrongway.lox").string()),
              std::string::npos)
        << outcome.out;

    // Dated today, and the new log remembered as the last one.
    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const ProfileDocument written = ProfileDocument::parse(readWholeFile(header).value_or(""));
    EXPECT_EQ(written.get("WellInfo", "Date"), headerDate(today));
    const ProfileDocument configuration =
        ProfileDocument::parse(readWholeFile(home.file("LvZARN.cfg")).value_or(""));
    EXPECT_EQ(configuration.get(CPreferences::MainSection, "LastFile"), header);
    EXPECT_EQ(configuration.get(CPreferences::MainSection, "DataFile"),
              (logFolder() / "wrongway.lox").string());
    EXPECT_EQ(configuration.get(CPreferences::MainSection, "FileName"), "wrongway.lox");
}

} // namespace
} // namespace zarn::test
