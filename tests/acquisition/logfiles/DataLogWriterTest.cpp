// The data log writer fed by the decoder and the recording rule: which frames are written, the
// split into further data files with their names and header keys, the elapsed-time accounting,
// the header updates of a recording, and what happens when the disk or a new file fails.
#include "acquisition/logfiles/DataLogWriter.h"
#include "acquisition/logfiles/DataLogReader.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <thread>

namespace zarn::test {
namespace {

// The logger depths (mm) of the records of a data file, in order.
std::vector<int> loggerDepthsIn(const std::filesystem::path& file) {
    RecordingReplaySink sink;
    MessageBus bus;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(file);
    std::vector<int> depths;
    std::int64_t position = 0;
    while (reader.ReadDataLineInFile(position))
        depths.push_back(static_cast<int>(std::lround(reader.LastLoggerDepth() * 1000)));
    return depths;
}

// The elapsed times (ms) stored in the records of a data file.
std::vector<std::uint32_t> elapsedTimesIn(const std::string& bytes) {
    std::vector<std::uint32_t> times;
    const std::span<const std::uint8_t> all(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                            bytes.size());
    for (std::size_t at = 0; at + logrecord::HeadSize <= all.size();) {
        times.push_back(frame::u32(all, at + logrecord::ElapsedMs));
        at += frame::u16(all, at);
    }
    return times;
}

class DataLogWriterTest : public ::testing::Test {
protected:
    LogFolder folder;
    RecordingUserMessages messages;
    RecordingRig rig{folder};
};

TEST_F(DataLogWriterTest, OnlyFramesMovingInTheLoggingDirectionAreWritten) {
    struct Case {
        bool down;
        int speed;
        bool written;
    };
    for (const Case c : {Case{true, 100, true}, Case{true, 0, true}, Case{true, -1, false},
                         Case{false, -100, true}, Case{false, 0, false}, Case{false, 5, false}}) {
        SCOPED_TRACE(::testing::Message() << "down " << c.down << " speed " << c.speed);
        ASSERT_TRUE(rig.start(c.down, 100, 10.0));
        // The image depth advances in the logging direction in every case.
        const int depth = c.down ? 10500 : 9500;
        rig.feed(1, Sample{depth, depth, c.speed});
        EXPECT_EQ(rig.writer.RecordCount(), c.written ? 1 : 0);
        ASSERT_TRUE(rig.writer.StopRecording());
        EXPECT_EQ(loggerDepthsIn(rig.dataPath()).size(), c.written ? 1u : 0u);
    }
}

TEST(DepthMark, WholeUnitBehindTheFirstRecord) {
    struct Case {
        double depth;
        bool down;
        HeaderMode mode;
        double mark;
    };
    const Case cases[] = {
        {12.34, true, HeaderMode::Metric, 12.0},
        {12.34, false, HeaderMode::Metric, 13.0},
        {12.5, true, HeaderMode::Metric, 12.0},
        {12.5, false, HeaderMode::Metric, 13.0},
        {12.0, true, HeaderMode::Metric, 12.0},
        {-2.5, true, HeaderMode::Metric, -3.0},
        {-2.5, false, HeaderMode::Metric, -2.0},
        // 12.34 m is 40.49 ft: the whole foot behind is 40 ft (down) or 41 ft (up).
        {12.34, true, HeaderMode::Imperial, 40 * 0.3047995},
        {12.34, false, HeaderMode::Imperial, 41 * 0.3047995},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(depthMark(c.depth, c.down, c.mode), c.mark)
            << c.depth << (c.down ? " down" : " up");
}

struct SplitCase {
    const char* name;
    bool down;
    int split;
    int depthUnit;
    std::vector<Sample> samples;
    std::vector<int> fileOfSample;
};

class DataLogSplits : public DataLogWriterTest, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(DataLogSplits, NewDataFileEverySplitLength) {
    const SplitCase& c = GetParam();
    const Sample& first = c.samples.front();
    ASSERT_TRUE(rig.start(c.down, c.split, first.imageMm / 1000.0 + (c.down ? -0.001 : 0.001),
                          c.depthUnit));
    for (std::size_t i = 0; i < c.samples.size(); ++i)
        rig.feed(static_cast<int>(i), c.samples[i]);
    const int files = c.fileOfSample.back();
    EXPECT_EQ(rig.writer.FileIndex(), files);
    ASSERT_TRUE(rig.writer.StopRecording());

    // Each file holds the samples the split put there, in order.
    for (int f = 1; f <= files; ++f) {
        const std::filesystem::path path =
            folder.file(f == 1 ? "run.lox" : "run_" + std::to_string(f) + ".lox");
        std::vector<int> expected;
        for (std::size_t i = 0; i < c.samples.size(); ++i)
            if (c.fileOfSample[i] == f)
                expected.push_back(c.samples[i].loggerMm);
        EXPECT_EQ(loggerDepthsIn(path), expected) << path;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("run_" + std::to_string(files + 1) + ".lox")));

    // The header lists the files, each opened with the image depth of its first record and
    // closed with the depth of the record that opened the next one.
    EXPECT_EQ(rig.key("General", "DataFiles"), std::to_string(files));
    for (int f = 2; f <= files; ++f) {
        const std::string section = "File" + std::to_string(f);
        const std::string previous = "File" + std::to_string(f - 1);
        std::size_t opener = 0;
        int before = 0;
        while (c.fileOfSample[opener] != f)
            before += c.fileOfSample[opener++] == f - 1 ? 1 : 0;
        const std::string openerMm = std::to_string(c.samples[opener].imageMm);
        EXPECT_EQ(rig.key(section, "FileName"), "run_" + std::to_string(f) + ".lox");
        EXPECT_EQ(rig.key(section, "StartDepth"), openerMm);
        EXPECT_EQ(rig.key(section, "LogMode"), c.down ? "12" : "11");
        EXPECT_EQ(rig.key(previous, "EndDepth"), openerMm);
        EXPECT_EQ(rig.key(previous, "SampleCount"), std::to_string(before));
        EXPECT_EQ(rig.key(previous, "---"), "---");
        if (c.depthUnit != 0) {
            EXPECT_EQ(rig.key(section, "StartDepthInFeet"),
                      headerFeetText(c.samples[opener].imageMm / 1000.0));
        }
    }
    const auto texts = rig.display.texts();
    for (int f = 2; f <= files; ++f)
        EXPECT_NE(
            std::find(texts.begin(), texts.end(), "Data file :run_" + std::to_string(f) + ".lox"),
            texts.end());
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, DataLogSplits,
    ::testing::Values(
        // Down from 12.34 m by 100 m: mark 12 m, the second file starts at logger depth 112 m.
        SplitCase{"Down100m",
                  true,
                  100,
                  0,
                  {{12340, 12340, 100},
                   {50000, 50000, 100},
                   {111999, 111999, 100},
                   {112000, 112000, 100},
                   {150000, 150000, 100},
                   {211999, 211999, 100},
                   {212000, 212000, 100}},
                  {1, 1, 1, 2, 2, 2, 3}},
        // Up from 12.34 m: mark 13 m, the second file starts at -87 m, the third at -187 m.
        SplitCase{"Up100m",
                  false,
                  100,
                  0,
                  {{12340, 12340, -100},
                   {0, 0, -100},
                   {-86999, -86999, -100},
                   {-87000, -87000, -100},
                   {-150000, -150000, -100},
                   {-187000, -187000, -100}},
                  {1, 1, 1, 2, 2, 3}},
        // The split follows the logger depth, not the image depth.
        SplitCase{"ByLoggerDepth",
                  true,
                  1,
                  0,
                  {{5500, 5500, 100}, {5999, 6100, 100}, {6000, 6200, 100}},
                  {1, 1, 2}},
        // Feet: mark 40 ft (12.19198 m), 10 ft files: 15.239975 m, then 18.28797 m.
        SplitCase{"Feet",
                  true,
                  10,
                  1,
                  {{12340, 12340, 100},
                   {15239, 15239, 100},
                   {15240, 15240, 100},
                   {18287, 18287, 100},
                   {18288, 18288, 100}},
                  {1, 1, 2, 2, 3}},
        // A split length of 0 never splits.
        SplitCase{"NoSplit",
                  true,
                  0,
                  0,
                  {{1000, 1000, 100}, {500000, 500000, 100}, {900000, 900000, 100}},
                  {1, 1, 1}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST_F(DataLogWriterTest, ElapsedTimeCarriesTheSubMillisecondRemainder) {
    ASSERT_TRUE(rig.start(true, 100, 1.0));
    for (int i = 0; i < 1000; ++i) {
        rig.clock.advance(std::chrono::microseconds(1500));
        rig.feed(i, Sample{1001 + i, 1001 + i, 100});
    }
    ASSERT_TRUE(rig.writer.StopRecording());
    const std::vector<std::uint32_t> times = elapsedTimesIn(folder.home.read("run.lox"));
    ASSERT_EQ(times.size(), 1000u);
    for (std::size_t i = 0; i < times.size(); ++i)
        ASSERT_EQ(times[i], (i + 1) * 3 / 2) << "record " << i;
    EXPECT_EQ(rig.writer.ElapsedMs(), 1500);
}

TEST_F(DataLogWriterTest, TimeWithoutProgressIsNotCounted) {
    ASSERT_TRUE(rig.start(true, 100, 1.0));
    int n = 0;
    for (; n < 10; ++n) {
        rig.clock.advance(std::chrono::milliseconds(100));
        rig.feed(n, Sample{1100 + n, 1100 + n, 100});
    }
    // The winch stops for 5 s: these frames do not advance.
    for (int i = 0; i < 5; ++i) {
        rig.clock.advance(std::chrono::seconds(1));
        rig.feed(n, Sample{1109, 1109, 100});
    }
    rig.clock.advance(std::chrono::milliseconds(100));
    rig.feed(n, Sample{1110, 1110, 100});
    const MeasurementRecord shown = rig.stream.snapshot();
    ASSERT_TRUE(rig.writer.StopRecording());

    const std::vector<std::uint32_t> times = elapsedTimesIn(folder.home.read("run.lox"));
    ASSERT_EQ(times.size(), 11u);
    EXPECT_EQ(times.back(), 1100u);
    EXPECT_DOUBLE_EQ(shown.ElapsedTime, 1.1);
    EXPECT_EQ(shown.ElapsedTimeText, "00:00:01");
}

TEST_F(DataLogWriterTest, HeaderKeysOfARecording) {
    ASSERT_TRUE(rig.start(true, 100, 2.0));
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "CORRUPT");
    EXPECT_EQ(rig.key("WellInfo", "Startdepth"), "2000");

    // One record a second: the first at 1 s, the header updated once more than 5 s later.
    for (int i = 1; i <= 6; ++i) {
        rig.clock.advance(std::chrono::seconds(1));
        rig.feed(i, Sample{2000 + 100 * i, 2000 + 100 * i, 100});
        if (i == 1) {
            EXPECT_EQ(rig.key("WellInfo", "Startdepth"), "2100");
            EXPECT_EQ(rig.key("File1", "StartDepth"), "2100");
            EXPECT_EQ(rig.key("File1", "SampleCount"), "0");
        }
    }
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "CORRUPT");
    rig.clock.advance(std::chrono::seconds(1));
    rig.feed(7, Sample{2700, 2700, 100});
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "2700");
    EXPECT_EQ(rig.key("File1", "EndDepth"), "2700");
    EXPECT_EQ(rig.key("WellInfo", "EndTime"), "7000");
    EXPECT_EQ(rig.key("File1", "EndTime"), "7000");
    EXPECT_EQ(rig.key("File1", "SampleCount"), "7");

    rig.clock.advance(std::chrono::seconds(1));
    rig.feed(8, Sample{2800, 2800, 100});
    rig.clock.advance(std::chrono::milliseconds(500));
    ASSERT_TRUE(rig.writer.StopRecording());
    EXPECT_FALSE(rig.state.recording);
    EXPECT_EQ(rig.key("WellInfo", "Startdepth"), "2100");
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "2800");
    EXPECT_EQ(rig.key("File1", "EndDepth"), "2800");
    EXPECT_EQ(rig.key("WellInfo", "EndTime"), "8500");
    EXPECT_EQ(rig.key("File1", "SampleCount"), "8");
    EXPECT_FALSE(rig.writer.StopRecording()); // nothing left to stop
}

TEST_F(DataLogWriterTest, ImperialHeaderKeys) {
    ASSERT_TRUE(rig.start(true, 100, 3.0, 1));
    EXPECT_EQ(rig.key("DephtImperialInfo", "StartDepth"), headerFeetText(3.0));
    for (int i = 1; i <= 7; ++i) {
        rig.clock.advance(std::chrono::seconds(1));
        rig.feed(i, Sample{3000 + 10 * i, 3000 + 10 * i, 100});
    }
    EXPECT_EQ(rig.key("DephtImperialInfo", "StartDepth"), headerFeetText(3.01));
    EXPECT_EQ(rig.key("File1", "StartDepthInFeet"), headerFeetText(3.01));
    EXPECT_EQ(rig.key("DephtImperialInfo", "EndDepth"), headerFeetText(3.07));
    EXPECT_EQ(rig.key("File1", "EndDepthInFeet"), headerFeetText(3.07));
    ASSERT_TRUE(rig.writer.StopRecording());
}

TEST_F(DataLogWriterTest, StopAfterASplitKeepsTheFirstFilesStart) {
    ASSERT_TRUE(rig.start(true, 1, 4.0));
    const int loggers[] = {4200, 4600, 5000, 5400};
    for (int i = 0; i < 4; ++i)
        rig.feed(i, Sample{loggers[i], loggers[i] - 50, 100});
    ASSERT_EQ(rig.writer.FileIndex(), 2);
    ASSERT_TRUE(rig.writer.StopRecording());
    EXPECT_EQ(rig.key("WellInfo", "Startdepth"), "4150");
    EXPECT_EQ(rig.key("File1", "StartDepth"), "4150");
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "5350");
    EXPECT_EQ(rig.key("File2", "EndDepth"), "5350");
    EXPECT_EQ(rig.key("File2", "SampleCount"), "2");
    EXPECT_EQ(rig.key("File1", "SampleCount"), "2");
}

TEST_F(DataLogWriterTest, ExistingDataFileReplacedOnlyOnYes) {
    folder.home.write("run.lox", "old records");
    messages.answerNext(MessageAnswer::No);
    EXPECT_FALSE(rig.start(true, 100, 1.0));
    EXPECT_FALSE(rig.state.recording);
    EXPECT_EQ(folder.home.read("run.lox"), "old records");
    EXPECT_EQ(messages.texts().back(), "Same file name exist, do you want replace this ?");

    messages.answerNext(MessageAnswer::Yes);
    ASSERT_TRUE(rig.start(true, 100, 1.0));
    EXPECT_TRUE(rig.state.recording);
    rig.feed(0, Sample{1100, 1100, 100});
    ASSERT_TRUE(rig.writer.StopRecording());
    EXPECT_EQ(loggerDepthsIn(rig.dataPath()), std::vector<int>{1100});
}

TEST_F(DataLogWriterTest, DataFileThatCannotBeOpenedDoesNotStart) {
    RecordingSetup setup;
    setup.headerPath = folder.file("run.hed");
    setup.dataFile = folder.file("missing-folder/run.lox");
    EXPECT_FALSE(rig.writer.StartRecording(setup, logConfiguration(), SondeTable{}));
    EXPECT_FALSE(rig.state.recording);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Trouble opening file."});
}

// Limits the size of every file this process writes, and ignores the signal that would end
// the process when a write crosses the limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(DataLogWriterTest, FullDiskStopsTheRecordingWithWholeRecordsOnly) {
    auto bigFrame = [](int n) {
        FullFrameFields f = frameFieldsOf(n, Sample{6000 + n, 6000 + n, 100});
        f.payload = payloadOf(n, 4000);
        return f.build();
    };
    ASSERT_TRUE(rig.start(true, 100, 6.0));
    const std::size_t recordSize = logrecord::HeadSize + 4000;
    {
        // Room for three records and 100 bytes of the fourth.
        FileSizeLimit limit(3 * recordSize + 100);
        // What counts here is what the writer makes of the frames, not how they decode.
        for (int n = 1; n <= 6; ++n)
            static_cast<void>(rig.stream.DecodeFullFrame(bigFrame(n), true));
    }
    EXPECT_FALSE(rig.state.recording);
    EXPECT_FALSE(rig.writer.Recording());
    EXPECT_EQ(folder.home.read("run.lox").size(), 3 * recordSize);
    EXPECT_EQ(loggerDepthsIn(rig.dataPath()), (std::vector<int>{6001, 6002, 6003}));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Trouble opening file.\n Record aborded !!!"});
    EXPECT_EQ(messages.shown().back().icon, MessageIcon::Error);
    // The header is final at once: three records, ending at the last whole one.
    EXPECT_EQ(rig.key("File1", "SampleCount"), "3");
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "6003");
    EXPECT_FALSE(rig.writer.StopRecording());
}

TEST_F(DataLogWriterTest, NewDataFileThatCannotBeOpenedStopsTheRecording) {
    // A folder in the way of the second data file, not empty, so it cannot be replaced.
    std::filesystem::create_directories(folder.file("run_2.lox"));
    folder.home.write("run_2.lox/keep", "x");
    ASSERT_TRUE(rig.start(true, 1, 7.0));
    rig.feed(0, Sample{7100, 7100, 100});
    rig.feed(1, Sample{7500, 7500, 100});
    rig.feed(2, Sample{8000, 8000, 100}); // the split is due here
    rig.feed(3, Sample{8100, 8100, 100});
    EXPECT_FALSE(rig.state.recording);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"Trouble opening file.\n Record aborded !!!"});
    EXPECT_EQ(loggerDepthsIn(rig.dataPath()), (std::vector<int>{7100, 7500}));
    EXPECT_EQ(rig.key("General", "DataFiles"), "1");
    EXPECT_EQ(rig.key("File2", "FileName"), std::nullopt);
    EXPECT_EQ(rig.key("File1", "SampleCount"), "2");
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), "7500");
    EXPECT_FALSE(rig.writer.StopRecording());
}

// The decoding thread records while the thread of the windows stops the recording: the stop
// never cuts a record and the header counts exactly the records in the file.
TEST_F(DataLogWriterTest, StopWhileTheDecodingThreadWrites) {
    ASSERT_TRUE(rig.start(true, 2, 1.0));
    std::atomic<bool> stopped{false};
    std::atomic<int> fed{0};
    std::thread decoding([&] {
        for (int n = 1; n < 100000 && !stopped; ++n) {
            rig.clock.advance(std::chrono::milliseconds(400));
            rig.feed(n, Sample{1000 + 10 * n, 1000 + 10 * n, 100});
            fed = n;
        }
    });
    while (fed < 400)
        std::this_thread::yield();
    ASSERT_TRUE(rig.writer.StopRecording());
    stopped = true;
    decoding.join();

    const int files = rig.writer.FileIndex();
    ASSERT_GE(files, 2);
    const std::string last = files == 1 ? "run.lox" : "run_" + std::to_string(files) + ".lox";
    const std::vector<int> depths = loggerDepthsIn(folder.file(last));
    EXPECT_EQ(rig.key("File" + std::to_string(files), "SampleCount"),
              std::to_string(depths.size()));
    ASSERT_FALSE(depths.empty());
    EXPECT_EQ(rig.key("WellInfo", "EndDepth"), std::to_string(depths.back()));
    EXPECT_EQ(rig.key("General", "DataFiles"), std::to_string(files));
}

} // namespace
} // namespace zarn::test
