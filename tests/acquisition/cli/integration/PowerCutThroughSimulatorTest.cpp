// A live recording cut by the power: a child process runs zarn-cli's acquire --record against the
// simulated logger and is killed with SIGKILL while it records. The log it leaves is still
// marked "CORRUPT" (the cut comes within the first seconds of recording, before the writer's
// periodic header update); the replay player opens it, rebuilds its end depth from the last
// whole record, and replays exactly the whole records of the data file, in order, and nothing
// more. (The cut of a log split into several data files is the logfiles tests' case.)
#include "acquisition/app/SondeFile.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/ReplayPlayer.h"
#include "acquisition/logfiles/ReplaySink.h"
#include "platform/FileIo.h"
#include "platform/MessageBus.h"
#include "platform/ProfileDocument.h"
#include "tests/acquisition/cli/integration/SimulatedAcquisition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <mutex>
#include <optional>
#include <span>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

// Bytes of records the parent waits for before it cuts: about 150 records of the simulator's
// default pictures (some 2 KB each), reached well within the writer's first 5 s.
constexpr std::uintmax_t CutAfterBytes = 300'000;

// The threads of this process: a fork copies only the calling one, so a child forked while
// another thread held a lock would inherit that lock held for ever.
std::size_t threadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const fs::directory_entry& task :
         fs::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

// One record of the data file, as stored.
struct StoredRecord {
    std::int32_t imageUnits = 0;  // 0.1 mm
    std::int32_t loggerUnits = 0; // 0.1 mm
    int length = 0;
    bool operator==(const StoredRecord&) const = default;
};

void PrintTo(const StoredRecord& r, std::ostream* os) {
    *os << "{image " << r.imageUnits << ", logger " << r.loggerUnits << ", length " << r.length
        << "}";
}

// The data file as the bytes on disk show it, walked by the records' lengths.
struct WalkedFile {
    std::vector<StoredRecord> records; // the whole ones
    std::size_t tail = 0;              // bytes after the last whole record
    std::uint32_t lastElapsedMs = 0;   // elapsed logging time of the last whole record
};

WalkedFile walk(const std::string& bytes) {
    WalkedFile file;
    const std::span<const std::uint8_t> all(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                            bytes.size());
    std::size_t at = 0;
    while (at + logrecord::HeadSize <= all.size()) {
        const std::span<const std::uint8_t> head = all.subspan(at, logrecord::HeadSize);
        const std::uint16_t length = logrecord::lengthOf(head);
        if (!logrecord::soundLength(length) || at + length > all.size())
            break;
        file.records.push_back({frame::s32(head, logrecord::ImageDepth),
                                frame::s32(head, logrecord::LoggerDepth), length});
        file.lastElapsedMs = frame::u32(head, logrecord::ElapsedMs);
        at += length;
    }
    file.tail = all.size() - at;
    return file;
}

// What the replay hands to the decoding path. Each record read is published and then its
// payload handed on (the simulator's pictures are mode 16); a publication without a payload
// republishes the record shown (the displays' reset as the replay starts and ends), so it must
// repeat the last record. Counts whatever breaks these rules, and image depths that do not go
// down the hole.
class ReplayedRecords final : public ReplaySink {
public:
    void publishRecord(const MeasurementRecord& record, int recordLength) override {
        std::lock_guard lock(mutex_);
        ++publications_;
        settleRepublication();
        pending_ = StoredRecord{static_cast<std::int32_t>(std::llround(record.ImageDepth * 1e4)),
                                static_cast<std::int32_t>(std::llround(record.LoggerDepth * 1e4)),
                                recordLength};
    }
    void decodeMode16(std::span<const std::uint8_t> payload, int, int, int,
                      const MeasurementRecord&) override {
        payloadHandedOn(payload);
    }
    void decodeMode8(std::span<const std::uint8_t> payload, int, int, int,
                     const MeasurementRecord&) override {
        payloadHandedOn(payload);
    }

    // After the playback: the records read, in order.
    std::vector<StoredRecord> records() {
        std::lock_guard lock(mutex_);
        settleRepublication();
        return records_;
    }
    int publications() const {
        std::lock_guard lock(mutex_);
        return publications_;
    }
    int faults() const {
        std::lock_guard lock(mutex_);
        return faults_;
    }

private:
    void payloadHandedOn(std::span<const std::uint8_t> payload) {
        std::lock_guard lock(mutex_);
        if (!pending_ ||
            payload.size() + logrecord::HeadSize != static_cast<std::size_t>(pending_->length)) {
            ++faults_;
            return;
        }
        if (!records_.empty() && pending_->imageUnits <= records_.back().imageUnits)
            ++faults_;
        records_.push_back(*pending_);
        pending_.reset();
    }
    void settleRepublication() {
        if (pending_ && (records_.empty() || *pending_ != records_.back()))
            ++faults_;
        pending_.reset();
    }

    mutable std::mutex mutex_;
    std::optional<StoredRecord> pending_; // published, payload not yet handed on
    std::vector<StoredRecord> records_;
    int publications_ = 0;
    int faults_ = 0;
};

class PowerCutThroughSimulatorTest : public SimulatedLoggerTest {
protected:
    // The program's files in the home: the sonde file with the sonde the run selects (slot 0,
    // the configuration's default choice), the camera offset of the simulator.
    void selectSonde() {
        SondeSlot slot;
        slot.serialNumber = 417;
        slot.cameraOffset = CameraOffsetMetres * 100;
        ASSERT_TRUE(SondeFile::WriteSlot(SondeFile::DefaultPath(), 0, slot,
                                         SondeFile::CoefForm::TwoDecimals));
    }

    // The child: the recorded acquisition until it is killed. Its output goes to files of the
    // home, written as it comes, for the parent to show when something went wrong.
    [[noreturn]] void recordUntilKilled(const cli::AcquireOptions& options) {
        std::ofstream out(home.file("acquire.out"));
        std::ofstream err(home.file("acquire.err"));
        out << std::unitbuf;
        err << std::unitbuf;
        const int code = cli::runAcquire(options, out, err);
        out.close();
        err.close();
        ::_exit(code == 0 ? 100 : code); // never reached within the parent's patience
    }

    std::string childOutput() const {
        return "child's output:\n" + home.read("acquire.out") + home.read("acquire.err");
    }
};

TEST_F(PowerCutThroughSimulatorTest, CutLogIsRepairedAndReplaysEveryWholeRecord) {
    // A long way down, fast: only the kill ends this run.
    configureSimulator({10, 100, ""});
    selectSonde();
    cli::AcquireOptions options = recordOptions("cut", true, 99);
    options.powerTimeout = 120;
    const fs::path headerPath = logFolder() / "cut.hed";
    const fs::path dataFile = logFolder() / "cut.lox";

    ASSERT_EQ(threadCount(), 1u) << "a thread runs before the fork";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        recordUntilKilled(options);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(180);
    std::error_code ec;
    while (fs::file_size(dataFile, ec) < CutAfterBytes || ec) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            FAIL() << "the acquisition ended by itself\n" << childOutput();
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the recording did not get going\n" << childOutput();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << childOutput();

    // The whole records on disk, read from the bytes themselves.
    const WalkedFile cut = walk(readWholeFile(dataFile).value_or(""));
    const std::vector<StoredRecord>& stored = cut.records;
    ASSERT_GE(stored.size(), 100u) << childOutput();
    EXPECT_LT(cut.tail, logrecord::MaxLength);
    for (std::size_t i = 1; i < stored.size(); ++i)
        ASSERT_GT(stored[i].imageUnits, stored[i - 1].imageUnits) << "record " << i;
    // The logger's depth is the camera's, 8 cm lower down.
    EXPECT_NEAR(stored.back().loggerUnits - stored.back().imageUnits, CameraOffsetMetres * 1e4, 2);
    const std::optional<LastRecord> scanned = ScanLastRecord(dataFile);
    ASSERT_TRUE(scanned);
    EXPECT_EQ(std::llround(scanned->imageDepth * 1e4), stored.back().imageUnits);
    EXPECT_EQ(std::llround(scanned->loggerDepth * 1e4), stored.back().loggerUnits);

    // The header as the cut left it: still marked (the writer replaces the mark after 5 s of
    // logging time), one data file.
    const ProfileDocument cutHeader =
        ProfileDocument::parse(readWholeFile(headerPath).value_or(""));
    ASSERT_EQ(cutHeader.get("WellInfo", "EndDepth"), "CORRUPT")
        << "cut after " << cut.lastElapsedMs << " ms of logging time";
    ASSERT_EQ(cutHeader.get("General", "DataFiles"), "1");

    // The player opens the log and rebuilds its end depth: that of the last whole record's
    // image, as a recording that stops writes it.
    RecordingUserMessages messages;
    MessageBus bus;
    ReplayedRecords sink;
    CHeader header;
    RecorderState state;
    CReplayPlayer player(header, state, &sink, nullptr, bus);
    ASSERT_EQ(player.OpenLog(headerPath), CReplayPlayer::OpenResult::ChooseDepth);
    const int endMillimetres = stored.back().imageUnits / 10;
    EXPECT_FALSE(header.Info().EndDepthCorrupt);
    EXPECT_EQ(header.Info().EndDepth, endMillimetres);
    const ProfileDocument repaired = ProfileDocument::parse(readWholeFile(headerPath).value_or(""));
    EXPECT_EQ(repaired.get("WellInfo", "EndDepth"), std::to_string(endMillimetres));
    EXPECT_EQ(repaired.get("File1", "EndDepth"), std::to_string(endMillimetres));

    // Played from the first record to the end: every whole record once, in order, nothing of
    // the cut one.
    ASSERT_TRUE(player.StartAtDepth(std::nullopt));
    player.SetSpeedSlider(50);
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    player.CloseLog();
    EXPECT_EQ(sink.records(), stored);
    EXPECT_EQ(sink.faults(), 0);
    EXPECT_GE(sink.publications(), static_cast<int>(stored.size()));
    EXPECT_TRUE(messages.texts().empty());
}

} // namespace
} // namespace zarn::test
