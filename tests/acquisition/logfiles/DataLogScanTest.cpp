// The readers of a data file on a log of several megabytes: the first record, the last depth,
// the depth search with its status texts, and files that end in a cut record, a zero-filled
// tail or a length that cannot be a record.
#include "acquisition/logfiles/DataLogReader.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <cmath>

namespace zarn::test {
namespace {

constexpr int LargeLogRecords = 16000;

// Logging down from 100 m, 2 mm a record, the image 30 mm above the logger depth.
Sample downSample(int n) {
    return Sample{100000 + 2 * n, 100000 + 2 * n - 30, 150};
}
// Logging up from 100 m.
Sample upSample(int n) {
    return Sample{100000 - 2 * n, 100000 - 2 * n - 30, -150};
}

std::string logOf(int records, Sample (*sample)(int)) {
    std::string bytes;
    for (int n = 0; n < records; ++n)
        bytes += recordBytes(n, sample(n));
    return bytes;
}

class DataLogScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        largeLog = logOf(LargeLogRecords, downSample);
        folder.home.write("large.lox", largeLog);
    }

    // Reads every record of a file with the replay reader; the logger depths in mm.
    std::vector<int> replayDepths(const std::filesystem::path& file) {
        RecordingReplaySink sink;
        CDataLogReader reader(&sink, nullptr, bus);
        reader.SetDataFile(file);
        std::vector<int> depths;
        std::int64_t position = 0;
        while (reader.ReadDataLineInFile(position))
            depths.push_back(static_cast<int>(std::lround(reader.LastLoggerDepth() * 1000)));
        return depths;
    }

    LogFolder folder;
    RecordingUserMessages messages;
    MessageBus bus;
    std::string largeLog;
};

TEST_F(DataLogScanTest, FirstRecordAndLastDepthOfALargeLog) {
    ASSERT_GT(largeLog.size(), 3u << 20);
    const std::optional<FirstRecord> first = ReadFirstRecord(folder.file("large.lox"));
    ASSERT_TRUE(first);
    EXPECT_DOUBLE_EQ(first->loggerDepth, 100.0);
    EXPECT_DOUBLE_EQ(first->imageDepth, 99.97);
    EXPECT_EQ(first->imageDepthUnits, 999700);
    EXPECT_EQ(first->length, static_cast<int>(logrecord::HeadSize) + payloadLengthOf(0));

    const std::optional<double> last = ScanLastDepth(folder.file("large.lox"));
    ASSERT_TRUE(last);
    EXPECT_DOUBLE_EQ(*last, downSample(LargeLogRecords - 1).loggerMm / 1000.0);
    EXPECT_TRUE(messages.texts().empty());
}

struct SearchCase {
    const char* name;
    bool down;
    double target;
    bool found;
    int record;           // the record found and read (-1: none)
    bool positionIsStart; // the first record's depth is the target: position 0
};

class DepthSearch : public DataLogScanTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(DepthSearch, FindsTheFirstRecordAtOrBeyondTheTarget) {
    const SearchCase& c = GetParam();
    Sample (*sample)(int) = c.down ? downSample : upSample;
    const std::string log = c.down ? largeLog : logOf(LargeLogRecords, upSample);
    folder.home.write("search.lox", log);
    RecordingReplaySink sink;
    RecordingDisplay display;
    CDataLogReader reader(&sink, &display, bus);
    reader.SetDataFile(folder.file("search.lox"));

    std::int64_t position = 0;
    EXPECT_EQ(reader.SearchDepth(position, c.target), c.found);
    if (!c.found)
        return;
    const int expectedMm = sample(c.record).loggerMm;
    EXPECT_EQ(std::lround(reader.LastLoggerDepth() * 1000), expectedMm);
    EXPECT_EQ(std::lround(sink.published().back().record.LoggerDepth * 1000), expectedMm);
    std::int64_t after = 0;
    for (int n = 0; n <= c.record; ++n)
        after += static_cast<std::int64_t>(logrecord::HeadSize) + payloadLengthOf(n);
    EXPECT_EQ(position, c.positionIsStart ? 0 : after);
}

INSTANTIATE_TEST_SUITE_P(
    LargeLog, DepthSearch,
    ::testing::Values(SearchCase{"FirstRecordDepth", true, 100.0, true, 0, true},
                      SearchCase{"Middle", true, 110.001, true, 5001, false},
                      SearchCase{"FarEnd", true, (100000 + 2 * (LargeLogRecords - 1)) / 1000.0,
                                 true, LargeLogRecords - 1, false},
                      SearchCase{"AboveTheLog", true, 50.0, true, 0, false},
                      SearchCase{"BeyondTheEnd", true, 200.0, false, -1, false},
                      SearchCase{"UpMiddle", false, 95.5, true, 2250, false},
                      SearchCase{"UpBeyondTheEnd", false, 10.0, false, -1, false}),
    [](const ::testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

TEST_F(DataLogScanTest, DepthSearchShowsItsProgress) {
    RecordingReplaySink sink;
    RecordingDisplay display;
    CDataLogReader reader(&sink, &display, bus);
    reader.SetDataFile(folder.file("large.lox"));
    std::int64_t position = 0;
    ASSERT_TRUE(reader.SearchDepth(position, 100.5)); // record 250
    EXPECT_EQ(display.texts(),
              (std::vector<std::string>{"Search Depht Position 100.50 .wait... File at :100.20",
                                        "Search Depht Position 100.50 .wait... File at :100.40",
                                        "File Position Find ..."}));
    EXPECT_EQ(display.cursor(), (std::vector<bool>{true, false}));
}

struct TailCase {
    const char* name;
    int wholeRecords; // records before the tail that read
    std::string tail; // bytes appended after them
};

std::string headWithLength(std::uint16_t length) {
    std::string head = recordBytes(99, Sample{1, 1, 100}).substr(0, logrecord::HeadSize);
    head[0] = static_cast<char>(length & 0xFF);
    head[1] = static_cast<char>(length >> 8);
    // Enough bytes after it that the claimed length would fit in the file.
    return head + std::string(length + 100u, '\x11');
}

class DataFileTails : public DataLogScanTest, public ::testing::WithParamInterface<TailCase> {};

TEST_P(DataFileTails, EndTheDataAtTheLastWholeRecord) {
    const TailCase& c = GetParam();
    const int records = 3000;
    std::string log = logOf(records, downSample);
    log += c.tail;
    folder.home.write("tail.lox", log);
    const std::filesystem::path file = folder.file("tail.lox");

    const std::vector<int> depths = replayDepths(file);
    ASSERT_EQ(depths.size(), static_cast<std::size_t>(c.wholeRecords));
    EXPECT_EQ(depths.back(), downSample(c.wholeRecords - 1).loggerMm);

    const std::optional<double> last = ScanLastDepth(file);
    ASSERT_TRUE(last);
    EXPECT_DOUBLE_EQ(*last, downSample(c.wholeRecords - 1).loggerMm / 1000.0);
    const std::optional<LastRecord> lastRecord = ScanLastRecord(file);
    ASSERT_TRUE(lastRecord);
    EXPECT_DOUBLE_EQ(lastRecord->loggerDepth, *last);
    EXPECT_DOUBLE_EQ(lastRecord->imageDepth, downSample(c.wholeRecords - 1).imageMm / 1000.0);
    EXPECT_EQ(lastRecord->records, c.wholeRecords);
    // Record n was logged n seconds in; the last one's time is found from the end of the file
    // (or, where the tail does not tell, by the walk) alike.
    const auto lastMs = static_cast<std::uint32_t>((c.wholeRecords - 1) * 1000);
    EXPECT_EQ(lastRecord->elapsedMs, lastMs);
    EXPECT_EQ(LastRecordElapsedMs(file), lastMs);
    // The same for a file too small to need the end alone.
    folder.home.write("small.lox", logOf(5, downSample) + c.tail.substr(0, 100));
    EXPECT_EQ(LastRecordElapsedMs(folder.file("small.lox")), 4000u);

    // The search ends at the tail: the last whole record is found, nothing beyond it.
    RecordingReplaySink sink;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(file);
    std::int64_t position = 0;
    EXPECT_TRUE(reader.SearchDepth(position, *last));
    position = 0;
    EXPECT_FALSE(reader.SearchDepth(position, *last + 0.001));
}

INSTANTIATE_TEST_SUITE_P(
    Tails, DataFileTails,
    ::testing::Values(
        TailCase{"None", 3000, ""},
        TailCase{"RecordCutShort", 3000, recordBytes(3000, downSample(3000)).substr(0, 70)},
        TailCase{"HeadCutShort", 3000, recordBytes(3000, downSample(3000)).substr(0, 20)},
        TailCase{"ZeroFilled", 3000, std::string(65536, '\0')},
        TailCase{"LengthBelowAHead", 3000, headWithLength(52)},
        TailCase{"OneStrayByte", 3000, std::string(1, '\x01')},
        TailCase{"LengthBeyondAnyFrame", 3000, headWithLength(9000)},
        TailCase{"LengthAllOnes", 3000, headWithLength(0xFFFF)}),
    [](const ::testing::TestParamInfo<TailCase>& info) { return std::string(info.param.name); });

TEST_F(DataLogScanTest, FileThatCannotBeOpened) {
    const std::filesystem::path missing = folder.file("missing.lox");
    EXPECT_FALSE(ReadFirstRecord(missing));
    EXPECT_FALSE(ScanLastDepth(missing));
    EXPECT_FALSE(LastRecordElapsedMs(missing));
    RecordingReplaySink sink;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(missing);
    std::int64_t position = 0;
    EXPECT_FALSE(reader.ReadDataLineInFile(position));
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"Trouble opening file.", "Trouble opening file."}));
    EXPECT_TRUE(sink.published().empty());
}

TEST_F(DataLogScanTest, BadPositionIsTraced) {
    RecordingReplaySink sink;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(folder.file("large.lox"));
    std::int64_t position = 0;
    ASSERT_TRUE(reader.ReadDataLineInFile(position));
    position = -5;
    EXPECT_FALSE(reader.ReadDataLineInFile(position));
    EXPECT_EQ(position, -5);
    EXPECT_NE(folder.trace().find("file set pos error ... EOF?"), std::string::npos);
    // A position inside a record reads whatever length it finds there: never beyond the file.
    position = 7;
    for (int i = 0; i < 100 && reader.ReadDataLineInFile(position); ++i)
        ASSERT_LE(position, static_cast<std::int64_t>(largeLog.size()));
}

TEST_F(DataLogScanTest, ReplacedFileIsReadAgainFromItsStart) {
    folder.home.write("again.lox", logOf(3, downSample));
    RecordingReplaySink sink;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(folder.file("again.lox"));
    std::int64_t position = 0;
    ASSERT_TRUE(reader.ReadDataLineInFile(position));
    folder.home.write("again.lox", logOf(3, upSample));
    position = 0;
    ASSERT_TRUE(reader.ReadDataLineInFile(position));
    EXPECT_EQ(reader.Record().Direction, 0);
}

} // namespace
} // namespace zarn::test
