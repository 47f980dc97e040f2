// inspect: a log recorded by the writer comes back as its header and one JSON object per record
// with the values that were written; damaged logs of every kind end with their whole records
// printed, one error line and the exit code of a corrupt input.
#include "acquisition/cli/Commands.h"
#include "acquisition/cli/RecordJson.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <random>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

// Sample n of the test logs: 15 m apart from 16 m on, going down at 1 m/min.
Sample sampleOf(int n) {
    const int mm = 1000 + n * 15000;
    return Sample{mm, mm, 100};
}

constexpr int RecordCount = 8;

std::string readFile(const fs::path& path) {
    return readWholeFile(path).value_or("");
}

class InspectTest : public ::testing::Test {
protected:
    // Records samples 1 to RecordCount, a new data file every split metres (0: never).
    void record(int split) {
        ASSERT_TRUE(rig.start(true, split, 0.5));
        for (int n = 1; n <= RecordCount; ++n) {
            rig.clock.advance(std::chrono::seconds(1));
            ASSERT_EQ(rig.feed(n, sampleOf(n)), FrameResult::Ok);
        }
        ASSERT_TRUE(rig.writer.StopRecording());
    }

    CommandRun inspect(const fs::path& header, std::optional<long long> limit = std::nullopt,
                       bool headerOnly = false) {
        cli::InspectOptions options;
        options.header = header;
        options.limit = limit;
        options.headerOnly = headerOnly;
        return runCommand([&](std::ostream& out, std::ostream& err) {
            return cli::runInspect(options, out, err);
        });
    }

    LogFolder folder;
    RecordingUserMessages messages;
    RecordingRig rig{folder};
};

TEST_F(InspectTest, EveryRecordOfEveryDataFileWithTheValuesWritten) {
    record(50);
    const CommandRun run = inspect(rig.headerPath());
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 1u + RecordCount);

    const nlohmann::json& header = lines[0];
    EXPECT_EQ(header["Header"], rig.headerPath().string());
    EXPECT_EQ(header["Sections"]["General"]["DataFiles"], "3");
    EXPECT_EQ(header["Sections"]["File2"]["FileName"], "run_2.lox");
    EXPECT_EQ(header["Sections"]["WellInfo"]["LogMode"], "12");
    EXPECT_EQ(header["HeaderInfo"]["DataFiles"], 3);
    EXPECT_EQ(header["HeaderInfo"]["EndDepthCorrupt"], false);
    EXPECT_EQ(header["HeaderInfo"]["EndDepth"], 121000);
    ASSERT_EQ(header["Files"].size(), 3u);
    EXPECT_EQ(header["Files"][2]["Path"], folder.file("run_3.lox").string());

    // Samples 1 to 4 in the first file, the split at 66 m starts the second with sample 5, the
    // one at 116 m the third with sample 8.
    const int fileOf[RecordCount + 1] = {0, 1, 1, 1, 1, 2, 2, 2, 3};
    std::int64_t position = 0;
    for (int n = 1; n <= RecordCount; ++n) {
        SCOPED_TRACE(n);
        const nlohmann::json& r = lines[static_cast<std::size_t>(n)];
        if (n > 1 && fileOf[n] != fileOf[n - 1])
            position = 0;
        const int length = 53 + payloadLengthOf(n);
        const double depth = sampleOf(n).loggerMm / 1000.0;
        EXPECT_EQ(r["File"], fileOf[n]);
        EXPECT_EQ(r["Position"], position);
        EXPECT_EQ(r["Length"], length);
        EXPECT_NEAR(r["LoggerDepth"].get<double>(), depth, 1e-9);
        EXPECT_NEAR(r["ImageDepth"].get<double>(), depth, 1e-9);
        EXPECT_DOUBLE_EQ(r["Speed"].get<double>(), 1.0);
        EXPECT_EQ(r["Direction"], 1);
        EXPECT_EQ(r["ValueA"], n);
        EXPECT_EQ(r["ValueB"], 200);
        EXPECT_EQ(r["GammaCount"], 3 * n);
        EXPECT_DOUBLE_EQ(r["Gamma"].get<double>(), 3.0 * n); // the header's coefficient 1
        EXPECT_DOUBLE_EQ(r["CameraTemperature"].get<double>(), 30.5);
        EXPECT_EQ(r["ResolutionCode"], 3);
        EXPECT_EQ(r["PixelsPerRow"], 720);
        EXPECT_EQ(r["CompressionMode"], 16);
        EXPECT_EQ(r["CompressionParameter"], 4);
        EXPECT_EQ(r["PayloadLength"], payloadLengthOf(n));
        EXPECT_EQ(r["PictureNumber"], n);
        EXPECT_EQ(r["PacketIndex"], 0);
        EXPECT_DOUBLE_EQ(r["ShutterFactor"].get<double>(), 1.0);
        EXPECT_EQ(r["SondeStatus"]["Shutter"], 10);
        EXPECT_EQ(r["SondeDataFlag"], 1);
        EXPECT_EQ(r["GX"], 100.0);
        EXPECT_EQ(r["GY"], -2000.0);
        EXPECT_EQ(r["GZ"], 300.0);
        EXPECT_EQ(r["HX"], 50.0);
        EXPECT_EQ(r["HY"], 60.0);
        EXPECT_EQ(r["HZ"], 70.0);
        EXPECT_EQ(r["Validity"], OrientationStatus::Complete);
        EXPECT_TRUE(r["Inclination"].is_number());
        EXPECT_TRUE(r["Azimuth"].is_number());
        position += length;
    }
    // The elapsed logging time only grows.
    for (int n = 2; n <= RecordCount; ++n)
        EXPECT_GE(lines[static_cast<std::size_t>(n)]["ElapsedTime"].get<double>(),
                  lines[static_cast<std::size_t>(n - 1)]["ElapsedTime"].get<double>());
}

TEST_F(InspectTest, LimitAndHeaderOnly) {
    record(50);
    struct Case {
        std::optional<long long> limit;
        bool headerOnly;
        std::size_t lines;
    };
    for (const Case c : {Case{0, false, 1}, Case{3, false, 4}, Case{5, false, 6},
                         Case{100, false, 9}, Case{std::nullopt, true, 1}}) {
        SCOPED_TRACE(::testing::Message() << "limit " << c.limit.value_or(-1));
        const CommandRun run = inspect(rig.headerPath(), c.limit, c.headerOnly);
        EXPECT_EQ(run.code, ExitCode::Ok) << run.err;
        EXPECT_EQ(run.lines().size(), c.lines);
    }
}

// A damaged log: what is printed, the exit code and the error line.
TEST_F(InspectTest, DamagedLogsEndWithTheirWholeRecordsAndOneErrorLine) {
    record(0);
    const std::string header = readFile(rig.headerPath());
    const std::string data = readFile(rig.dataPath());
    const std::size_t firstThree =
        3 * 53 +
        static_cast<std::size_t>(payloadLengthOf(1) + payloadLengthOf(2) + payloadLengthOf(3));
    // A good data file outside the log's folder, which a header must not reach.
    writeFile(folder.file("outside.lox"), data);
    const fs::path log = folder.file("log");

    struct Case {
        const char* name;
        std::function<void()> damage; // on log/run.hed and log/run.lox
        int code;
        std::size_t lines; // header line included
        const char* error; // part of the error line
    };
    const fs::path hed = log / "run.hed";
    const fs::path lox = log / "run.lox";
    const auto withSecondFile = [&](const std::string& listed) {
        ProfileDocument document = ProfileDocument::parse(header);
        document.set("General", "DataFiles", "2");
        document.set("File2", "FileName", listed);
        writeFile(hed, document.serialize());
    };
    std::string lengthTooLarge = data;
    const std::size_t second = 53 + static_cast<std::size_t>(payloadLengthOf(1));
    lengthTooLarge[second] = '\xFF';
    lengthTooLarge[second + 1] = '\xFF';

    const Case cases[] = {
        {"good", [] {}, ExitCode::Ok, 1 + RecordCount, ""},
        {"no header", [&] { fs::remove(hed); }, ExitCode::MissingFile, 0, "no such file"},
        {"header is a folder",
         [&] {
             fs::remove(hed);
             fs::create_directory(hed);
         },
         ExitCode::MissingFile, 0, "not a file"},
        {"empty header", [&] { writeFile(hed, ""); }, ExitCode::CorruptInput, 0, "not a header"},
        {"header of random bytes", [&] { writeFile(hed, randomBytes(4000, 1)); },
         ExitCode::CorruptInput, 0, "not a header"},
        {"data file given as header", [&] { writeFile(hed, data); }, ExitCode::CorruptInput, 0,
         "not a header"},
        // A missing data file is a missing input, found before anything is printed.
        {"no data file", [&] { fs::remove(lox); }, ExitCode::MissingFile, 0, "no such data file"},
        {"empty data file", [&] { writeFile(lox, ""); }, ExitCode::Ok, 1, ""},
        {"cut inside the last record", [&] { writeFile(lox, data.substr(0, data.size() - 10)); },
         ExitCode::CorruptInput, RecordCount, "cut short"},
        {"cut inside a head", [&] { writeFile(lox, data.substr(0, firstThree + 20)); },
         ExitCode::CorruptInput, 1 + 3, "cut short (20 bytes left)"},
        {"zero-filled tail", [&] { writeFile(lox, data + std::string(300, '\0')); },
         ExitCode::CorruptInput, 1 + RecordCount, "impossible record length 0"},
        {"record length beyond any frame", [&] { writeFile(lox, lengthTooLarge); },
         ExitCode::CorruptInput, 1 + 1, "impossible record length 65535"},
        {"random bytes", [&] { writeFile(lox, randomBytes(3000, 2)); }, ExitCode::CorruptInput, 1,
         "at byte 0"},
        {"second data file missing", [&] { withSecondFile("gone.lox"); }, ExitCode::MissingFile, 0,
         "gone.lox"},
        {"second data file outside the folder", [&] { withSecondFile("../outside.lox"); },
         ExitCode::MissingFile, 0, "no such data file (listed as [File2])"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(log);
        fs::create_directory(log);
        writeFile(hed, header);
        writeFile(lox, data);
        c.damage();
        const CommandRun run = inspect(hed);
        EXPECT_EQ(run.code, c.code);
        EXPECT_EQ(run.lines().size(), c.lines);
        if (c.code == ExitCode::Ok) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_EQ(lineCount(run.err), 1u) << run.err;
            EXPECT_EQ(run.err.rfind("zarn-cli: ", 0), 0u) << run.err;
            EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        }
    }
    // Nothing of this was shown as a message box.
    EXPECT_TRUE(messages.texts().empty());
}

TEST_F(InspectTest, RecordedValuesTheReplayDoesNotTakeOver) {
    // One record whose payload ends with the sonde's DSP error trailer: flag 0x06 gives
    // read-back value 5 = 0x34 and value 4 = 0x12.
    FullFrameFields fields = frameFieldsOf(1, sampleOf(1));
    fields.header.valueA = 17;
    fields.header.valueB = 230;
    fields.payload = {0x01, 0x02, 0x12, 0x34, 0x06, 0x81};
    const Frame frame = fields.build();
    MeasurementRecord decoded;
    decoded.ValueA = 17;
    decoded.ValueB = 230;
    const logrecord::Head head = logrecord::buildHead(frame, fields.payload.size(), decoded, 0);
    std::string record(head.begin(), head.end());
    record.append(fields.payload.begin(), fields.payload.end());
    writeFile(folder.file("one.hed"), "[General]\r\nDataFiles=1\r\n[WellInfo]\r\nEndDepth=0\r\n");
    writeFile(folder.file("one.lox"), record);

    const CommandRun run = inspect(folder.file("one.hed"));
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1]["ValueA"], 17);
    EXPECT_EQ(lines[1]["ValueB"], 230);
    EXPECT_EQ(lines[1]["ReadBack"], nlohmann::json::array({0, 0, 0, 0, 0x12, 0x34}));
    // The logger and communication status are not recorded.
    EXPECT_FALSE(lines[1].contains("LoggerStatus"));
    EXPECT_FALSE(lines[1].contains("CommStatus"));
}

TEST(HeaderJson, SectionsAndKeysAsTheFileHasThem) {
    // A key written in two letter cases and a section repeated are one key and one section to
    // the program; the first spelling and the first value stand. Bytes that are not UTF-8 are
    // printed all the same.
    const ProfileDocument document = ProfileDocument::parse("[General]\r\n"
                                                            "Version=2000\r\n"
                                                            "DataFiles=1\r\n"
                                                            "[WellInfo]\r\n"
                                                            "StartDepth=0\r\n"
                                                            "Wellname=B\xE9ziers\r\n"
                                                            "Startdepth=1234\r\n"
                                                            "Comment1=a=b\r\n"
                                                            "[general]\r\n"
                                                            "Version=9999\r\n");
    HeaderInfo info;
    info.Startdepth = 1234;
    const cli::Json j = cli::headerJson(document, info);
    std::ostringstream out;
    cli::writeJsonLine(out, j);
    const nlohmann::ordered_json back = nlohmann::ordered_json::parse(out.str());
    const auto& sections = back["Sections"];
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections.begin().key(), "General");
    EXPECT_EQ(sections["General"]["Version"], "2000");
    const auto& well = sections["WellInfo"];
    ASSERT_EQ(well.size(), 3u);
    EXPECT_EQ(well.begin().key(), "StartDepth");
    EXPECT_EQ(well["StartDepth"], "0");
    EXPECT_EQ(well["Comment1"], "a=b");
    EXPECT_TRUE(well["Wellname"].is_string());
    EXPECT_EQ(back["HeaderInfo"]["Startdepth"], 1234);
}

TEST(RecordJson, NumbersThatAreNotFiniteAreNull) {
    MeasurementRecord record;
    record.LoggerDepth = std::numeric_limits<double>::quiet_NaN();
    record.Speed = std::numeric_limits<double>::infinity();
    record.Orientation.Azimuth = -std::numeric_limits<double>::infinity();
    record.ImageDepth = 12.5;
    record.Orientation.Inclination = NoOrientationData;
    const cli::Json j = cli::recordJson(record);
    EXPECT_TRUE(j["LoggerDepth"].is_null());
    EXPECT_TRUE(j["Speed"].is_null());
    EXPECT_TRUE(j["Azimuth"].is_null());
    EXPECT_EQ(j["ImageDepth"], 12.5);
    // The no-data mark of the orientation is a number of the record like any other.
    EXPECT_EQ(j["Inclination"], NoOrientationData);
    // The fields keep the record's order: depths first.
    EXPECT_EQ(j.begin().key(), "LoggerDepth");
}

} // namespace
} // namespace zarn::test
