// The replay player: opening a log with its checks and the repair of an interrupted recording,
// the start choices, and the playback thread moving through the data files at the slider's pace.
#include "acquisition/logfiles/ReplayPlayer.h"
#include "acquisition/logfiles/LogRepair.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <cmath>
#include <condition_variable>
#include <thread>

namespace zarn::test {
namespace {

// Records the waits the playback asked for and returns at once.
class RecordingPacer : public PlaybackPacer {
public:
    void wait(std::chrono::nanoseconds interval, const std::atomic<bool>&) override {
        std::lock_guard lock(mutex_);
        waits_.push_back(interval);
    }
    void wake() override {}
    std::vector<std::chrono::nanoseconds> waits() const {
        std::lock_guard lock(mutex_);
        return waits_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::chrono::nanoseconds> waits_;
};

// A wait that lasts until the playback is stopped.
class GatePacer : public PlaybackPacer {
public:
    void wait(std::chrono::nanoseconds, const std::atomic<bool>& playing) override {
        std::unique_lock lock(mutex_);
        ++waiting_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return woken_ || !playing; });
        woken_ = false;
    }
    void wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        changed_.notify_all();
    }
    void waitUntilWaiting(int count) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return waiting_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int waiting_ = 0;
    bool woken_ = false;
};

// Ten records a data file, 0.1 m apart, from 10.0 m down.
Sample threeFileSample(int n) {
    return Sample{10000 + 100 * n, 10000 + 100 * n, 120};
}

int mmOf(double metres) {
    return static_cast<int>(std::lround(metres * 1000));
}

class ReplayPlayerTest : public ::testing::Test {
protected:
    ReplayPlayerTest() {
        sink.fileIndex = [this] { return player.CurrentFileIndex(); };
    }

    // A log recorded in three data files: records 0 to 9, 10 to 19 and 20 to 29.
    void recordThreeFiles(bool stop = true) {
        RecordingRig rig(folder);
        ASSERT_TRUE(rig.start(true, 1, 9.999));
        for (int n = 0; n < 30; ++n)
            rig.feed(n, threeFileSample(n));
        ASSERT_EQ(rig.writer.FileIndex(), 3);
        if (stop) {
            ASSERT_TRUE(rig.writer.StopRecording());
        }
    }

    // A single-file log from 10.00 m to 20.00 m, one record every 5 cm.
    void recordTenToTwenty() {
        RecordingRig rig(folder);
        ASSERT_TRUE(rig.start(true, 100, 9.999));
        for (int n = 0; n <= 200; ++n)
            rig.feed(n, Sample{10000 + 50 * n, 10000 + 50 * n, 120});
        ASSERT_TRUE(rig.writer.StopRecording());
    }

    std::vector<int> publishedDepths() const {
        std::vector<int> depths;
        for (const Replayed& r : sink.published())
            depths.push_back(mmOf(r.record.LoggerDepth));
        return depths;
    }

    std::filesystem::path header() const { return folder.file("run.hed"); }

    LogFolder folder;
    RecordingUserMessages messages;
    MessageBus bus;
    MessageRecorder recorder{bus, {Role::MainWindow}};
    RecordingReplaySink sink;
    RecordingDisplay display;
    CHeader headerObject;
    RecorderState state;
    RecordingPacer* pacer = new RecordingPacer;
    CReplayPlayer player{headerObject, state, &sink,
                         &display,     bus,   std::unique_ptr<PlaybackPacer>(pacer)};
};

TEST_F(ReplayPlayerTest, OpenLogRefusals) {
    folder.home.write("run.lox", recordBytes(0, threeFileSample(0)));
    folder.home.write("run.txt", "[General]\r\n");
    struct Case {
        std::string header;
        std::string message; // empty: abandoned without a message
    };
    const Case cases[] = {
        {"run.txt", "Bad header file."},
        {"none.hed", "I not find Data file : " + folder.file("none.lox").string() + " !!!"},
        {"run.hed", ""}, // the data file exists, the header does not: it cannot be read
    };
    for (const Case& c : cases) {
        const std::size_t before = messages.texts().size();
        EXPECT_EQ(player.OpenLog(folder.file(c.header)), CReplayPlayer::OpenResult::Failed)
            << c.header;
        const auto texts = messages.texts();
        if (c.message.empty()) {
            EXPECT_EQ(texts.size(), before) << c.header;
        } else {
            EXPECT_EQ(texts.back(), c.message) << c.header;
        }
        EXPECT_FALSE(state.logLoaded) << c.header;
    }
}

TEST_F(ReplayPlayerTest, OpenLogRemembersTheLog) {
    recordThreeFiles();
    // The extension is compared without regard to case.
    std::filesystem::rename(header(), folder.file("run.HED"));
    AppPaths paths;
    ASSERT_EQ(player.OpenLog(folder.file("run.HED"), &paths),
              CReplayPlayer::OpenResult::ChooseFile);
    EXPECT_TRUE(state.logLoaded);
    EXPECT_EQ(paths.lastHeader, folder.file("run.HED").string());
    EXPECT_EQ(paths.dataFile, folder.file("run.lox").string());
    EXPECT_EQ(paths.fileName, "run.lox");
    EXPECT_EQ(paths.headerName, "run.hed");
    EXPECT_EQ(display.texts().back(), "Data file : run.lox");
    EXPECT_EQ(player.DataFiles(), 3);
    EXPECT_DOUBLE_EQ(player.StartDepth(), 10.0);
    EXPECT_EQ(player.NextPosition(), 0);
}

TEST_F(ReplayPlayerTest, ThreeFileLogPlayedFromFileTwo) {
    recordThreeFiles();
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    MultiFileSelectorLogic selector = player.StartFileChoice(false);
    selector.Select(1);
    ASSERT_TRUE(player.StartAtFile(selector.Accept()));
    EXPECT_EQ(player.FirstFileIndex(), 2);
    EXPECT_EQ(sink.replayStates, 1);
    EXPECT_TRUE(state.replayActive);

    player.SetSpeedSlider(50);
    player.StartPlayback();
    player.WaitForPlaybackEnd();

    // Every record of files 2 and 3, once, in order, each while its file was current.
    std::vector<int> expected;
    for (int n = 10; n < 30; ++n)
        expected.push_back(threeFileSample(n).loggerMm);
    const auto published = sink.published();
    std::vector<int> depths;
    for (const Replayed& r : published) {
        // The replay start and the end publish the current record again; skip those.
        if (!depths.empty() && mmOf(r.record.LoggerDepth) == depths.back())
            continue;
        depths.push_back(mmOf(r.record.LoggerDepth));
        const int n = (depths.back() - 10000) / 100;
        EXPECT_EQ(r.fileIndex, n / 10 + 1) << "record " << n;
    }
    EXPECT_EQ(depths, expected);
    EXPECT_TRUE(pacer->waits().empty()); // slider 50: back to back

    // The end: the first replay file is current again, path included.
    EXPECT_EQ(player.CurrentFileIndex(), 2);
    EXPECT_EQ(player.DataFilePath(), folder.file("run_2.lox"));
    EXPECT_EQ(player.DataFileName(), "run_2.lox");
    EXPECT_EQ(player.NextPosition(), 0);
    EXPECT_FALSE(state.playing);
    EXPECT_FALSE(state.replayActive);
    EXPECT_FALSE(player.ThreadRunning());
    EXPECT_EQ(sink.ends, 1);
    EXPECT_DOUBLE_EQ(sink.published().back().record.Speed, 0.0);

    // Playing again starts from the first record of file 2.
    sink.clear();
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    EXPECT_EQ(mmOf(sink.published().front().record.LoggerDepth), threeFileSample(10).loggerMm);
}

TEST_F(ReplayPlayerTest, MissingDataFileIsPassedOver) {
    recordThreeFiles();
    std::filesystem::remove(folder.file("run_2.lox"));
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    ASSERT_TRUE(player.StartAtFile(std::nullopt)); // a cancel: the first file
    EXPECT_EQ(player.FirstFileIndex(), 1);
    player.SetSpeedSlider(50);
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    const std::vector<int> depths = publishedDepths();
    EXPECT_EQ(depths.front(), threeFileSample(0).loggerMm);
    EXPECT_NE(std::find(depths.begin(), depths.end(), threeFileSample(29).loggerMm), depths.end());
    EXPECT_EQ(std::find(depths.begin(), depths.end(), threeFileSample(15).loggerMm), depths.end());
    // The missing file is reported (once when it becomes current, once more when the next read
    // finds no record either) and passed over.
    const auto texts = messages.texts();
    ASSERT_FALSE(texts.empty());
    for (const std::string& text : texts)
        EXPECT_EQ(text, "Trouble opening file.");
}

TEST(PlaybackPace, IntervalFromTheSlider) {
    using std::chrono::microseconds;
    struct Case {
        int slider;
        std::chrono::nanoseconds interval;
    };
    for (const Case& c :
         {Case{50, microseconds(0)}, Case{49, microseconds(600)}, Case{25, microseconds(101400)},
          Case{1, microseconds(375000)}, Case{0, microseconds(375000)}, Case{99, microseconds(0)}})
        EXPECT_EQ(PlaybackInterval(c.slider), c.interval) << c.slider;
}

TEST_F(ReplayPlayerTest, SlowestSliderWaitsBeforeEveryRecord) {
    recordThreeFiles();
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    ASSERT_TRUE(player.StartAtFile(3));
    EXPECT_EQ(player.SpeedSlider(), 25);
    player.SetSpeedSlider(1);
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    const auto waits = pacer->waits();
    // Nine more records of file 3, then the end of the file: one wait before each read.
    ASSERT_EQ(waits.size(), 10u);
    for (const auto w : waits)
        EXPECT_EQ(w, std::chrono::milliseconds(375));
}

TEST_F(ReplayPlayerTest, RewindShowsTheFirstRecordAndPauses) {
    recordThreeFiles();
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    ASSERT_TRUE(player.StartAtFile(2));
    player.SetSpeedSlider(50);
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    sink.clear();
    recorder.clear();
    player.Rewind();
    EXPECT_EQ(publishedDepths(), std::vector<int>{threeFileSample(10).loggerMm});
    EXPECT_EQ(player.NextPosition(), 0);
    EXPECT_EQ(player.CurrentFileIndex(), 2);
    EXPECT_TRUE(state.paused);
    EXPECT_FALSE(state.playing);
    EXPECT_EQ(recorder.received(), (std::vector<MessageRecorder::Received>{
                                       {Role::MainWindow, command(Cmd::FrameShown), false}}));
    // Pause again plays on from there.
    sink.clear();
    player.Pause();
    player.WaitForPlaybackEnd();
    EXPECT_EQ(publishedDepths().front(), threeFileSample(10).loggerMm);
    EXPECT_FALSE(state.paused);
}

// Pauses, resumes and repeated starts while the thread plays: one thread at a time, so every
// record is read once and in order.
TEST_F(ReplayPlayerTest, OnlyOnePlaybackThreadEverRuns) {
    RecordingRig rig(folder);
    ASSERT_TRUE(rig.start(true, 1000, 0.999));
    for (int n = 0; n < 600; ++n)
        rig.feed(n, Sample{1000 + n, 1000 + n, 100});
    ASSERT_TRUE(rig.writer.StopRecording());

    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseDepth);
    ASSERT_TRUE(player.StartAtDepth(std::nullopt));
    player.SetSpeedSlider(50);
    player.StartPlayback();
    for (int i = 0; i < 60; ++i) {
        if (i % 3 == 0)
            player.StartPlayback();
        else
            player.Pause();
        std::this_thread::yield();
    }
    if (!state.playing && state.paused)
        player.Pause();
    if (!state.playing)
        player.StartPlayback();
    player.WaitForPlaybackEnd();

    // One thread at a time reads the log: the records come in order, each once, and a new pass
    // from the top starts only after the end was reached (on a loaded machine the playback can
    // reach the end while the presses above still go on, and the next press plays it again).
    std::vector<int> depths;
    for (const int d : publishedDepths())
        if (depths.empty() || d != depths.back())
            depths.push_back(d);
    ASSERT_FALSE(depths.empty());
    int expected = 1000;
    int passes = 0;
    for (std::size_t i = 0; i < depths.size(); ++i) {
        ASSERT_EQ(depths[i], expected) << "record " << i;
        if (++expected == 1600) {
            expected = 1000;
            ++passes;
        }
    }
    EXPECT_EQ(expected, 1000) << "the last pass stopped before the end";
    EXPECT_GE(passes, 1);
}

TEST_F(ReplayPlayerTest, StopEndsAWaitingThreadAndReturnsToTheStart) {
    recordThreeFiles();
    CReplayPlayer steady(headerObject, state, &sink, nullptr, bus); // waits on the real clock
    ASSERT_EQ(steady.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    ASSERT_TRUE(steady.StartAtFile(2));
    steady.SetSpeedSlider(1);
    steady.StartPlayback();
    EXPECT_TRUE(steady.ThreadRunning());
    steady.StopPlayback();
    EXPECT_FALSE(steady.ThreadRunning());
    EXPECT_FALSE(state.playing);
    EXPECT_EQ(steady.NextPosition(), 0);
    EXPECT_EQ(steady.CurrentFileIndex(), 2);
    steady.CloseLog();
    EXPECT_FALSE(state.logLoaded);
    EXPECT_FALSE(state.replayActive);
}

// A pause during the wait before a record: the thread ends without reading it.
TEST_F(ReplayPlayerTest, PauseDuringTheWaitReadsNoFurtherRecord) {
    recordThreeFiles();
    auto gate = std::make_unique<GatePacer>();
    GatePacer& pacing = *gate;
    CReplayPlayer gated(headerObject, state, &sink, nullptr, bus, std::move(gate));
    ASSERT_EQ(gated.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    ASSERT_TRUE(gated.StartAtFile(1));
    const std::size_t shown = sink.published().size();
    const std::int64_t position = gated.NextPosition();
    gated.SetSpeedSlider(1);
    gated.StartPlayback();
    pacing.waitUntilWaiting(1);
    gated.Pause();
    EXPECT_TRUE(state.paused);
    EXPECT_FALSE(gated.ThreadRunning());
    EXPECT_EQ(sink.published().size(), shown);
    EXPECT_EQ(gated.NextPosition(), position);
}

TEST_F(ReplayPlayerTest, SetDepthStartOnATenToTwentyMetreLog) {
    recordTenToTwenty();
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseDepth);
    const SetDepthPlayerLogic dialog = player.DepthStartChoice(false);
    EXPECT_EQ(dialog.RangeText(), "Depth : 10.01 m to 19.99 m");
    EXPECT_EQ(dialog.InitialEntry(), "10.01");
    EXPECT_EQ(dialog.Accept("25").message, "Set at max : 19.99m");
    const SetDepthPlayerLogic::Outcome ok = dialog.Accept("15");
    ASSERT_TRUE(ok.accepted);
    ASSERT_TRUE(player.StartAtDepth(ok.startDepthMetres));
    // The record at the position is read first, then the one found.
    EXPECT_EQ(publishedDepths().front(), 10000);
    EXPECT_EQ(publishedDepths().back(), 15000);
    EXPECT_DOUBLE_EQ(player.StartDepth(), 15.0);
    // Playing on continues with the record after it.
    player.SetSpeedSlider(50);
    sink.clear();
    player.StartPlayback();
    player.WaitForPlaybackEnd();
    EXPECT_EQ(publishedDepths().front(), 15050);
}

TEST_F(ReplayPlayerTest, DepthNotFoundStartsAtTheFirstRecord) {
    recordTenToTwenty();
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseDepth);
    ASSERT_TRUE(player.StartAtDepth(30.0));
    EXPECT_EQ(publishedDepths().back(), 10000);
    EXPECT_GT(player.NextPosition(), 0);
}

struct DepthEntryCase {
    const char* entry;
    bool accepted;
    double depth;
    const char* message;
};

TEST(SetDepthPlayer, DownwardLogEntries) {
    const SetDepthPlayerLogic dialog(100000, 10000, 20000, false);
    EXPECT_EQ(dialog.StartMm(), 10010);
    EXPECT_EQ(dialog.EndMm(), 19990);
    const DepthEntryCase cases[] = {
        {"25", false, 0, "Set at max : 19.99m"},
        {"19.991", false, 0, "Set at max : 19.99m"},
        {"19.99", true, 19.99, ""},
        {"10.01", true, 10.01, ""},
        {"10.0094", false, 0, "Set at min : 10.01m"},
        {"10.0095", true, 10.01, ""}, // rounded half away from zero to 10010 mm
        {"5", false, 0, "Set at min : 10.01m"},
        {"15,5", true, 15.0, ""}, // read up to the comma
        {"1x", false, 0, "Please enter a number."},
        {"", false, 0, "Set at min : 10.01m"},
    };
    for (const DepthEntryCase& c : cases) {
        const SetDepthPlayerLogic::Outcome outcome = dialog.Accept(c.entry);
        EXPECT_EQ(outcome.accepted, c.accepted) << c.entry;
        EXPECT_EQ(outcome.message, c.message) << c.entry;
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(outcome.startDepthMetres, c.depth) << c.entry;
        }
    }
}

TEST(SetDepthPlayer, UpwardLogAndFallbacks) {
    // First record unreadable: the header's start depth; an upward log.
    const SetDepthPlayerLogic up(std::nullopt, 20000, 10000, false);
    EXPECT_EQ(up.RangeText(), "Depth : 19.99 m to 10.01 m");
    const DepthEntryCase cases[] = {
        {"25", false, 0, "Set at max : 19.99m"},
        {"5", false, 0, "Set at min : 10.01m"},
        {"12.5", true, 12.5, ""},
    };
    for (const DepthEntryCase& c : cases) {
        const SetDepthPlayerLogic::Outcome outcome = up.Accept(c.entry);
        EXPECT_EQ(outcome.accepted, c.accepted) << c.entry;
        EXPECT_EQ(outcome.message, c.message) << c.entry;
        if (c.accepted) {
            EXPECT_DOUBLE_EQ(outcome.startDepthMetres, c.depth);
        }
    }
    // The first record's depth is truncated to whole centimetres: 10.019 m gives 10.01 + 0.01.
    EXPECT_EQ(SetDepthPlayerLogic(100190, 0, 20000, false).StartMm(), 10020);
}

TEST(SetDepthPlayer, FeetEntries) {
    const SetDepthPlayerLogic dialog(100000, 10000, 20000, true);
    EXPECT_EQ(dialog.RangeText(), "Depth : 32.84 ft to 65.58 ft");
    EXPECT_EQ(dialog.InitialEntry(), "32.84");
    EXPECT_EQ(dialog.Accept("70").message, "Set at max : 65.58 ft");
    EXPECT_EQ(dialog.Accept("30").message, "Set at min : 32.84 ft");
    const SetDepthPlayerLogic::Outcome ok = dialog.Accept("50");
    ASSERT_TRUE(ok.accepted);
    EXPECT_DOUBLE_EQ(ok.startDepthMetres, 15.24); // 50 ft = 15239.975 mm, rounded
}

TEST_F(ReplayPlayerTest, MultiFileSelectorTexts) {
    recordThreeFiles();
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
    MultiFileSelectorLogic metric = player.StartFileChoice(false);
    ASSERT_EQ(metric.Entries().size(), 3u);
    EXPECT_EQ(metric.Entries()[0].text, "run.lox  --  Begining at 10.00 m");
    EXPECT_EQ(metric.Entries()[1].text, "run_2.lox  --  Begining at 11.00 m");
    EXPECT_EQ(metric.Entries()[2].text, "run_3.lox  --  Begining at 12.00 m");
    EXPECT_EQ(metric.Entries()[2].fileIndex, 3);
    EXPECT_EQ(metric.Text(),
              "3 files\n Loging start at 10.00m and end at 12.90m\nSelect the start file. ");
    EXPECT_EQ(metric.Selected(), 0);
    EXPECT_EQ(metric.Accept(), 1);
    metric.Select(2);
    EXPECT_EQ(metric.Accept(), 3);
    metric.Select(7); // not a row: the selection stays
    EXPECT_EQ(metric.Accept(), 3);

    const MultiFileSelectorLogic feet = player.StartFileChoice(true);
    EXPECT_EQ(feet.Entries()[1].text, "run_2.lox  --  Begining at 36.09 ft");
    EXPECT_EQ(feet.Text(), "3 files\n Loging start at 32.81 feet and end at 42.32 feet\nSelect "
                           "the start file. ");
}

TEST_F(ReplayPlayerTest, InterruptedRecordingTooShortCannotBeOpened) {
    {
        RecordingRig rig(folder);
        ASSERT_TRUE(rig.start(true, 100, 1.0));
        FullFrameFields f = frameFieldsOf(0, Sample{1100, 1100, 100});
        f.payload = payloadOf(0, 40); // one record: fewer than 101 bytes
        EXPECT_EQ(rig.stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    } // the program ends without a stop
    ASSERT_EQ(folder.home.read("run.lox").size(), 93u);
    ASSERT_EQ(RecordingRig(folder).key("WellInfo", "EndDepth"), "CORRUPT");

    EXPECT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::Failed);
    EXPECT_EQ(messages.texts().back(), "Files corrupted ... no Recovery Process !!");
    EXPECT_FALSE(state.logLoaded);
}

TEST_F(ReplayPlayerTest, InterruptedRecordingOfTenMegabytesIsRepaired) {
    {
        RecordingRig rig(folder);
        ASSERT_TRUE(rig.start(true, 0, 1.0));
        // The camera 8 cm above the logger's depth reference.
        for (int n = 0; n < 2600; ++n) {
            FullFrameFields f = frameFieldsOf(n, Sample{1081 + n, 1001 + n, 100});
            f.payload = payloadOf(n, 4000);
            EXPECT_EQ(rig.stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
        }
        ASSERT_EQ(rig.key("WellInfo", "EndDepth"), "CORRUPT");
    } // destroyed while recording: the data file is closed, the header is not finalised
    ASSERT_GT(folder.home.read("run.lox").size(), 10u << 20);

    // The end depth of the last record's image, as a stopped recording writes it.
    ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseDepth);
    RecordingRig reader(folder);
    EXPECT_EQ(reader.key("WellInfo", "EndDepth"), "3600");
    EXPECT_EQ(reader.key("File1", "EndDepth"), "3600");
    EXPECT_EQ(headerObject.Info().EndDepth, 3600);
    EXPECT_FALSE(headerObject.Info().EndDepthCorrupt);
    EXPECT_TRUE(headerObject.Info().Descending);
}

TEST_F(ReplayPlayerTest, RepairWalksTheLastListedDataFile) {
    struct Case {
        const char* name;
        bool emptyLastFile;
        const char* section; // where the end depth goes
        int endMm;
    };
    for (const Case c : {Case{"LastFileHasRecords", false, "File3", threeFileSample(29).loggerMm},
                         Case{"LastFileEmpty", true, "File2", threeFileSample(19).loggerMm}}) {
        SCOPED_TRACE(c.name);
        recordThreeFiles(false);
        if (c.emptyLastFile)
            std::filesystem::resize_file(folder.file("run_3.lox"), 0);
        RecordingRig keys(folder);
        ASSERT_EQ(keys.key("WellInfo", "EndDepth"), "CORRUPT");
        ASSERT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::ChooseFile);
        EXPECT_EQ(keys.key("WellInfo", "EndDepth"), std::to_string(c.endMm));
        EXPECT_EQ(keys.key(c.section, "EndDepth"), std::to_string(c.endMm));
        EXPECT_EQ(headerObject.Info().EndDepth, c.endMm);
    }
}

// A recording cut after a periodic header update: the header holds a number where "CORRUPT"
// was, but its end stops at the last update, a few seconds short of the records on disk. Opening
// the log sees the records logged after the header's end time and repairs the end as for an
// interrupted recording; a log that stopped normally is left as it is.
TEST_F(ReplayPlayerTest, RecordsPastThePeriodicUpdateAreRepairedOnOpen) {
    struct Case {
        const char* name;
        int split;       // m
        int depthUnit;   // 0 metres, 1 feet
        int records;     // one a second
        int stepMm;      // between records
        int firstInLast; // the first record of the last data file
        bool cutRecord;  // the data file ends in part of a record
        bool stop;       // the recording stopped normally
    };
    const Case cases[] = {
        // Some 25 KB of records: the last one is found from the end of the file.
        {"one data file", 100, 0, 100, 10, 0, false, false},
        {"one data file ending in part of a record", 100, 0, 100, 10, 0, true, false},
        {"one data file in feet", 100, 1, 100, 10, 0, false, false},
        {"three data files", 1, 0, 28, 100, 20, false, false},
        {"stopped normally", 100, 0, 100, 10, 0, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder.file("run.hed"));
        const auto sample = [&](int n) {
            return Sample{1000 + c.stepMm * n, 1000 + c.stepMm * n, 100};
        };
        {
            RecordingRig rig(folder);
            ASSERT_TRUE(rig.start(true, c.split, 0.999, c.depthUnit));
            for (int n = 0; n < c.records; ++n) {
                rig.clock.advance(std::chrono::seconds(1));
                rig.feed(n, sample(n));
            }
            if (c.stop) {
                ASSERT_TRUE(rig.writer.StopRecording());
            }
        } // otherwise destroyed while recording: the power cut
        const int last = c.records - 1;
        const bool split = c.firstInLast > 0; // into three data files
        const std::string lastFile = split ? "File3" : "File1";
        const std::string lastData = split ? "run_3.lox" : "run.lox";
        if (c.cutRecord) {
            const std::string part = recordBytes(c.records, sample(c.records)).substr(0, 70);
            folder.home.write(lastData, folder.home.read(lastData) + part);
        }
        const std::string endMm = std::to_string(sample(last).imageMm);
        const std::string endMs = std::to_string((last + 1) * 1000);
        const std::string count = std::to_string(c.records - c.firstInLast);

        RecordingRig keys(folder);
        const std::string before = folder.home.read("run.hed");
        if (c.stop) {
            ASSERT_EQ(keys.key("WellInfo", "EndDepth"), endMm);
        } else {
            // The header as the cut left it: updated, but short of the last records.
            ASSERT_NE(keys.key("WellInfo", "EndDepth"), "CORRUPT");
            ASSERT_NE(keys.key("WellInfo", "EndDepth"), endMm);
            ASSERT_NE(keys.key(lastFile, "SampleCount"), count);
        }

        ASSERT_NE(player.OpenLog(header()), CReplayPlayer::OpenResult::Failed);
        EXPECT_EQ(keys.key("WellInfo", "EndDepth"), endMm);
        EXPECT_EQ(keys.key(lastFile, "EndDepth"), endMm);
        EXPECT_EQ(keys.key("WellInfo", "EndTime"), endMs);
        EXPECT_EQ(keys.key(lastFile, "EndTime"), endMs);
        EXPECT_EQ(keys.key(lastFile, "SampleCount"), count);
        if (c.depthUnit != 0) {
            EXPECT_EQ(keys.key("DephtImperialInfo", "EndDepth"),
                      format("%.2f", sample(last).imageMm / 1000.0 * 3.28083));
        }
        EXPECT_EQ(headerObject.Info().EndDepth, sample(last).imageMm);
        EXPECT_FALSE(headerObject.Info().EndDepthCorrupt);
        if (c.stop) {
            EXPECT_EQ(folder.home.read("run.hed"), before); // nothing to repair
        }
    }
}

TEST_F(ReplayPlayerTest, RepairWithoutAnyWholeRecordFails) {
    recordThreeFiles(false);
    // The files hold only bytes that cannot be records.
    folder.home.write("run.lox", std::string(500, '\0'));
    for (const char* name : {"run_2.lox", "run_3.lox"})
        folder.home.write(name, "");
    EXPECT_EQ(player.OpenLog(header()), CReplayPlayer::OpenResult::Failed);
    EXPECT_EQ(messages.texts().back(), "Files corrupted ... no Recovery Process !!");
}

} // namespace
} // namespace zarn::test
