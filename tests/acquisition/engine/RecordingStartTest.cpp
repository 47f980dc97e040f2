// The engine's recording start as the probe control panel runs it: the statistics are reset
// (the loss and re-request counters of the run before it, and the good-frame count), and the
// fresh header is dated today.
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/logfiles/HeaderInfo.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>

namespace zarn::test {
namespace {

TEST(RecordingStartTest, ResetsTheStatisticsAndDatesTheHeader) {
    TempHome home;
    RecordingUserMessages messages;
    EngineSetup setup;
    setup.sondes.slots[0].serialNumber = 417;
    setup.sondes.copySelectedToWorking();
    AcquisitionEngine engine(setup);
    TransmissionStatistics& statistics = engine.link().statistics();
    statistics.videoRequests = 7;
    statistics.recoveries = 3;
    statistics.lostFrames = 5;
    statistics.receivedFrames = 900;

    RecordingSetup recording;
    recording.headerPath = home.file("run.hed");
    recording.dataFile = home.file("run.lox");
    ASSERT_TRUE(engine.startRecording(recording));
    EXPECT_EQ(statistics.videoRequests, 0);
    EXPECT_EQ(statistics.recoveries, 0);
    EXPECT_EQ(statistics.lostFrames, 0);
    EXPECT_EQ(statistics.receivedFrames, 0);
    EXPECT_EQ(engine.stream().snapshot().Counters.GoodFrames, 0u);
    ASSERT_TRUE(engine.endRecording());

    const std::time_t now = std::time(nullptr);
    std::tm today{};
    localtime_r(&now, &today);
    const ProfileDocument header =
        ProfileDocument::parse(readWholeFile(recording.headerPath).value_or(""));
    EXPECT_EQ(header.get("WellInfo", "Date"), headerDate(today));
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace
} // namespace zarn::test
