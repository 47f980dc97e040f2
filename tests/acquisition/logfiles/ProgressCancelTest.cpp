// The long walks over a data file report their progress and stop when cancelled: the depth
// search, the scan for the last record, the repair of an interrupted recording (which then
// writes nothing and shows nothing) and the playback waited for to its end.
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/LogRepair.h"
#include "acquisition/logfiles/ReplayPlayer.h"
#include "platform/FileIo.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <chrono>

namespace zarn::test {
namespace {

constexpr int Records = 4000;

Sample downSample(int n) {
    return Sample{100000 + 2 * n, 100000 + 2 * n - 30, 150};
}

// Cancelled once it has been told a fraction of at least `at`; remembers what it was told.
class CancelAtFraction : public Progress {
public:
    explicit CancelAtFraction(double at) : at_(at) {}
    void stage(std::string_view text) override { stages.emplace_back(text); }
    void fraction(double done) override {
        ++reports;
        last = done;
        if (done >= at_)
            cancelled_ = true;
    }
    bool cancelled() const override { return cancelled_; }

    std::vector<std::string> stages;
    int reports = 0;
    double last = -1;

private:
    double at_;
    std::atomic<bool> cancelled_{false};
};

class ProgressCancelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string bytes;
        for (int n = 0; n < Records; ++n)
            bytes += recordBytes(n, downSample(n));
        folder.home.write("run.lox", bytes);
    }

    LogFolder folder;
    RecordingUserMessages messages;
    MessageBus bus;
};

TEST_F(ProgressCancelTest, DepthSearchAndLastRecordScanStopWhenCancelled) {
    CDataLogReader reader(nullptr, nullptr, bus);
    reader.SetDataFile(folder.file("run.lox"));
    // The last record is at 107.998 m: a search for it walks the whole file.
    CancelFlagProgress never;
    std::int64_t position = 0;
    ASSERT_TRUE(reader.SearchDepth(position, 107.998, never));

    CancelAtFraction half(0.5);
    position = 0;
    EXPECT_FALSE(reader.SearchDepth(position, 107.998, half));
    EXPECT_GE(half.last, 0.5);
    EXPECT_LT(half.last, 0.6);

    CancelAtFraction scanHalf(0.5);
    EXPECT_TRUE(ScanLastRecord(folder.file("run.lox")));
    EXPECT_FALSE(ScanLastRecord(folder.file("run.lox"), scanHalf));
    EXPECT_LT(scanHalf.last, 0.6);
}

TEST_F(ProgressCancelTest, ACancelledRepairWritesNothingAndShowsNothing) {
    folder.home.write("run.hed", "[General]\r\nDataFiles=1\r\n[WellInfo]\r\nStartdepth=100000\r\n"
                                 "EndDepth=CORRUPT\r\n[File1]\r\nFileName=run.lox\r\n");
    const std::string before = folder.home.read("run.hed");
    CHeader header;
    RecorderState state;
    CReplayPlayer player(header, state, nullptr, nullptr, bus);
    CancelAtFraction quarter(0.25);
    EXPECT_EQ(player.OpenLog(folder.file("run.hed"), nullptr, quarter),
              CReplayPlayer::OpenResult::Cancelled);
    EXPECT_EQ(folder.home.read("run.hed"), before);
    EXPECT_FALSE(state.logLoaded);
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_GT(quarter.reports, 1);

    // Not cancelled, the same log is repaired to its last record.
    CancelAtFraction never(2.0);
    EXPECT_EQ(player.OpenLog(folder.file("run.hed"), nullptr, never),
              CReplayPlayer::OpenResult::ChooseDepth);
    EXPECT_EQ(header.Info().EndDepth, downSample(Records - 1).imageMm);
}

TEST_F(ProgressCancelTest, APacedPlaybackStopsSoonAfterTheCancel) {
    folder.home.write("run.hed", "[General]\r\nDataFiles=1\r\n[WellInfo]\r\nStartdepth=100000\r\n"
                                 "EndDepth=107998\r\n[File1]\r\nFileName=run.lox\r\n");
    RecordingReplaySink sink;
    CHeader header;
    RecorderState state;
    CReplayPlayer player(header, state, &sink, nullptr, bus);
    ASSERT_EQ(player.OpenLog(folder.file("run.hed")), CReplayPlayer::OpenResult::ChooseDepth);
    ASSERT_TRUE(player.StartAtDepth(std::nullopt));
    // The slowest pace: the whole log would take 25 minutes.
    player.SetSpeedSlider(SpeedSliderMin);
    player.StartPlayback();
    CancelAtFraction first(0.0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(player.WaitForPlaybackEnd(first));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(player.ThreadRunning());
    EXPECT_FALSE(state.playing);
    EXPECT_LT(sink.published().size(), 10u);
}

} // namespace
} // namespace zarn::test
