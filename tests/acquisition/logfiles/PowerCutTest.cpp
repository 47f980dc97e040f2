// A recording cut by the power: a child process records a log split into several data files and
// is killed with SIGKILL in the middle. The log then opens, is repaired, and replays every whole
// record that was written, in order, and nothing more.
#include "acquisition/logfiles/ReplayPlayer.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace zarn::test {
namespace {

// 10 mm a record from 20 m down; a data file per metre.
Sample powerCutSample(int n) {
    return Sample{20000 + 10 * n, 20000 + 10 * n, 90};
}

[[noreturn]] void recordUntilKilled(const LogFolder& folder) {
    RecordingRig rig(folder);
    if (!rig.start(true, 1, 19.999))
        ::_exit(3);
    for (int n = 0; n < 1000000; ++n)
        rig.feed(n, powerCutSample(n));
    ::_exit(4); // never reached within the test's patience
}

// What a data file holds: how many whole records of the expected sequence it has from record
// `first` on, and how many bytes follow them.
struct FileContent {
    int records = 0;
    std::size_t tail = 0;
    bool matches = true; // every whole record is the expected one
};

FileContent wholeRecordsOf(const std::string& bytes, int first) {
    FileContent content;
    std::size_t at = 0;
    for (int n = first;; ++n) {
        const std::size_t length =
            logrecord::HeadSize + static_cast<std::size_t>(payloadLengthOf(n));
        if (at + length > bytes.size())
            break;
        const std::string expected = recordBytes(n, powerCutSample(n));
        // The elapsed time (offset 8) is the writer's own; everything else is known.
        if (bytes.compare(at, 8, expected, 0, 8) != 0 ||
            bytes.compare(at + 12, length - 12, expected, 12, length - 12) != 0) {
            content.matches = false;
            break;
        }
        ++content.records;
        at += length;
    }
    content.tail = bytes.size() - at;
    return content;
}

class PowerCutTest : public ::testing::TestWithParam<bool> {
protected:
    std::filesystem::path dataFile(int index) const {
        return folder.file(index == 1 ? "run.lox" : "run_" + std::to_string(index) + ".lox");
    }

    LogFolder folder;
    RecordingUserMessages messages;
};

TEST_P(PowerCutTest, LogReplaysEveryWholeRecordAfterTheCut) {
    const bool zeroFilledTail = GetParam();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        recordUntilKilled(folder);

    // Let it record into a third data file, then cut.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::error_code ec;
    while (std::filesystem::file_size(dataFile(3), ec) < 3000 || ec) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the recording did not progress";
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, WNOHANG), 0) << "the recording ended by itself";
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    RecordingRig keys(folder);
    ASSERT_EQ(keys.key("WellInfo", "EndDepth"), "CORRUPT");
    const int listed = std::stoi(keys.key("General", "DataFiles").value_or("0"));
    ASSERT_GE(listed, 3);

    // The whole records the files hold: every listed file but the last ends with its last
    // record; the last one may end in part of a record.
    std::vector<int> expected;
    int next = 0;
    for (int f = 1; f <= listed; ++f) {
        const std::string bytes = folder.home.read(dataFile(f).filename().string());
        const FileContent content = wholeRecordsOf(bytes, next);
        ASSERT_TRUE(content.matches) << "file " << f;
        if (f < listed) {
            ASSERT_EQ(content.tail, 0u) << "file " << f;
        }
        for (int n = next; n < next + content.records; ++n)
            expected.push_back(powerCutSample(n).loggerMm);
        next += content.records;
        if (f == listed && zeroFilledTail) {
            // The file system gave the cut file zeros beyond what was written.
            std::filesystem::resize_file(dataFile(f), bytes.size() - content.tail + 8192);
        }
    }
    ASSERT_GT(expected.size(), 200u);

    MessageBus bus;
    RecordingReplaySink sink;
    CHeader header;
    RecorderState state;
    CReplayPlayer player(header, state, &sink, nullptr, bus);
    ASSERT_EQ(player.OpenLog(folder.file("run.hed")), CReplayPlayer::OpenResult::ChooseFile);
    EXPECT_EQ(keys.key("WellInfo", "EndDepth"), std::to_string(expected.back()));
    EXPECT_EQ(header.Info().EndDepth, expected.back());

    ASSERT_TRUE(player.StartAtFile(1));
    player.SetSpeedSlider(50);
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    std::vector<int> replayed;
    for (const Replayed& r : sink.published()) {
        const int mm = static_cast<int>(std::lround(r.record.LoggerDepth * 1000));
        if (replayed.empty() || mm != replayed.back())
            replayed.push_back(mm);
    }
    EXPECT_EQ(replayed, expected);
}

INSTANTIATE_TEST_SUITE_P(Cut, PowerCutTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "ZeroFilledTail" : "AsLeft");
                         });

} // namespace
} // namespace zarn::test
