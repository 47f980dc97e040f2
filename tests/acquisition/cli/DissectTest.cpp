// dissect: a capture written by the raw capture, with good frames of each kind, a gap in the
// packet counter, a packet cut short by the next one and frames with bad checksums, comes back
// as one JSON object per frame and per fault, in the order of the stream, with the decoded
// fields; damaged captures print what came before the damage and end with one error line.
#include "acquisition/cli/Commands.h"
#include "acquisition/link/RawCapture.h"
#include "tests/acquisition/cli/CliTestSupport.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <fstream>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;
namespace ExitCode = cli::ExitCode;

// Writes the bytes as a capture whose reads are at most readSize bytes (17 always fits the room
// the framing leaves after what it carries).
void writeCapture(const fs::path& path, const Bytes& stream, std::size_t readSize = 17) {
    RawCapture capture;
    ASSERT_TRUE(capture.start(path));
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        const std::size_t n = std::min(readSize, stream.size() - at);
        ASSERT_TRUE(capture.write(std::span(stream).subspan(at, n)));
    }
    capture.stop();
}

FullFrameFields fullFields(std::int32_t depthCount, std::uint8_t packetIndex) {
    FullFrameFields f;
    f.header.depthCount = depthCount;
    f.header.speedCount = 200;
    f.header.valueA = 7;
    f.gammaCount = 321;
    f.cameraTemperature = 50;
    f.imageMode = 0x74;
    f.packetIndex = packetIndex;
    f.cameraDepthCount = depthCount + 500;
    f.pictureNumber = 4242;
    f.gx = 100;
    f.gy = -2000;
    f.gz = 300;
    f.payload = Bytes(30, 0x11);
    return f;
}

// Sets the frame sum (the last two bytes) after a change.
Bytes withFrameSum(Bytes f) {
    put16(f, f.size() - 2, sumOf(f, 0, f.size() - 2));
    return f;
}

class DissectTest : public ::testing::Test {
protected:
    CommandRun dissect(const fs::path& capture, bool decode = true) {
        cli::DissectOptions options;
        options.capture = capture;
        options.decode = decode;
        options.decoderSettings = logDecoderSettings(); // 1000 depth counts per metre
        return runCommand([&](std::ostream& out, std::ostream& err) {
            return cli::runDissect(options, out, err);
        });
    }

    TempHome home;
};

TEST_F(DissectTest, FramesAndFaultsInStreamOrder) {
    const Bytes full = fullFields(12345, 9).build();
    Bytes badPack = fullFields(22000, 10).build();
    badPack[20] ^= 0x01; // a sonde block byte: the pack checksum fails, the frame sum is fixed
    badPack = withFrameSum(badPack);
    Bytes badVideo = fullFields(23000, 11).build();
    badVideo[50] ^= 0x01; // a payload byte
    badVideo = withFrameSum(badVideo);
    // A packet announcing 60 bytes, cut after a whole 16-byte frame and its end marker.
    Bytes cutPayload = shortFrameNo(777);
    cutPayload.push_back(0x99);

    const Bytes stream = concat({
        {0x00, 0x13, 0x55}, // noise before the first packet
        packet(0, shortFrameNo(1000)),
        packet(1, statusFrameNo(2000)),
        packet(2, full),
        packet(5, shortFrameNo(3000)), // 3 and 4 missed
        rawPacket(6, 60, cutPayload),
        packet(7, badPack),
        packet(8, badVideo),
    });
    const fs::path path = home.file("run.cap");
    writeCapture(path, stream);

    const CommandRun run = dissect(path);
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_EQ(run.err, "");
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 10u) << run.out;

    EXPECT_EQ(lines[0]["Kind"], 16);
    EXPECT_EQ(lines[0]["PacketCounter"], 0);
    EXPECT_EQ(lines[0]["Length"], 16);
    EXPECT_EQ(lines[0]["FrameSum"], true);
    EXPECT_EQ(lines[0]["Decoded"], true);
    EXPECT_DOUBLE_EQ(lines[0]["LoggerDepth"].get<double>(), 1.0);
    EXPECT_EQ(lines[0]["SondeDataFlag"], -1);

    EXPECT_EQ(lines[1]["Kind"], 20);
    EXPECT_EQ(lines[1]["PacketCounter"], 1);
    EXPECT_EQ(lines[1]["Decoded"], true);
    EXPECT_DOUBLE_EQ(lines[1]["LoggerDepth"].get<double>(), 2.0);

    const nlohmann::json& f = lines[2];
    EXPECT_EQ(f["Kind"], "full");
    EXPECT_EQ(f["PacketCounter"], 2);
    EXPECT_EQ(f["Length"], full.size());
    EXPECT_EQ(f["FrameSum"], true);
    EXPECT_EQ(f["PackChecksum"], true);
    EXPECT_EQ(f["VideoChecksum"], true);
    EXPECT_EQ(f["Result"], FrameResult::Ok);
    EXPECT_EQ(f["Decoded"], true);
    EXPECT_DOUBLE_EQ(f["LoggerDepth"].get<double>(), 12.345);
    EXPECT_DOUBLE_EQ(f["ImageDepth"].get<double>(), 12.845);
    EXPECT_DOUBLE_EQ(f["Speed"].get<double>(), 2.0);
    EXPECT_EQ(f["ValueA"], 7);
    EXPECT_EQ(f["GammaCount"], 321);
    EXPECT_DOUBLE_EQ(f["CameraTemperature"].get<double>(), 25.0);
    EXPECT_EQ(f["PacketIndex"], 9);
    EXPECT_EQ(f["PictureNumber"], 4242);
    EXPECT_EQ(f["CompressionMode"], 16);
    EXPECT_EQ(f["PayloadLength"], 30);
    EXPECT_EQ(f["GY"], -2000.0);

    EXPECT_EQ(lines[3]["Kind"], "error");
    EXPECT_EQ(lines[3]["Error"], "InvalidPackets");
    EXPECT_EQ(lines[3]["Count"], 2);
    EXPECT_EQ(lines[3]["PreviousCounter"], 2);
    EXPECT_EQ(lines[3]["PacketCounter"], 5);

    EXPECT_EQ(lines[4]["Kind"], 16);
    EXPECT_EQ(lines[4]["PacketCounter"], 5);
    EXPECT_DOUBLE_EQ(lines[4]["LoggerDepth"].get<double>(), 3.0);

    // The cut packet: a frame length error, then its 16-byte frame salvaged.
    EXPECT_EQ(lines[5]["Kind"], "error");
    EXPECT_EQ(lines[5]["Error"], "FrameLengthError");
    EXPECT_EQ(lines[5]["PacketCounter"], 6);
    EXPECT_EQ(lines[6]["Kind"], "salvaged");
    EXPECT_EQ(lines[6]["PacketCounter"], 6);
    EXPECT_EQ(lines[6]["Length"], 16);
    EXPECT_EQ(lines[6]["Decoded"], true);
    EXPECT_DOUBLE_EQ(lines[6]["LoggerDepth"].get<double>(), 0.777);

    // A sonde block that fails its checksum goes to the decoder as a rebuilt 16-byte frame.
    const nlohmann::json& p = lines[7];
    EXPECT_EQ(p["Kind"], "full");
    EXPECT_EQ(p["PacketCounter"], 7);
    EXPECT_EQ(p["FrameSum"], true);
    EXPECT_EQ(p["PackChecksum"], false);
    EXPECT_EQ(p["DispatchedAs"], 16);
    EXPECT_EQ(p["Decoded"], true);
    EXPECT_DOUBLE_EQ(p["LoggerDepth"].get<double>(), 22.0);
    EXPECT_EQ(p["CommStatus"], 0x81); // the rebuilt frame's mark

    const nlohmann::json& v = lines[8];
    EXPECT_EQ(v["PackChecksum"], true);
    EXPECT_EQ(v["VideoChecksum"], false);
    EXPECT_EQ(v["Result"], FrameResult::Dropped);
    EXPECT_EQ(v["Decoded"], false);
    EXPECT_FALSE(v.contains("LoggerDepth"));

    const nlohmann::json& s = lines[9];
    EXPECT_EQ(s["Kind"], "summary");
    EXPECT_EQ(s["Bytes"], stream.size());
    EXPECT_EQ(s["Frames"], 7);
    EXPECT_EQ(s["SalvagedFrames"], 1);
    EXPECT_EQ(s["InvalidPackets"], 2);
    EXPECT_EQ(s["FrameLengthErrors"], 1);
    EXPECT_EQ(s["LostFrames"], 3);
    EXPECT_EQ(s["Unfinished"], false);

    // Each event names the read it happened in, in order.
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
        EXPECT_GE(lines[i]["Read"].get<int>(), lines[i - 1]["Read"].get<int>());
}

// Offline no winch settings frame has been built, so the configuration's depth scale is still 0:
// dissect takes the one the winch settings give (k / 256, k rounded), and the summary says so.
TEST_F(DissectTest, DepthsUseTheDepthScaleOfTheWinchSettings) {
    const fs::path path = home.file("run.cap");
    FullFrameFields full = fullFields(80000, 0);
    full.cameraDepthCount = 80800;
    writeCapture(path, concat({packet(0, shortFrameNo(80000)), packet(1, full.build())}));

    const auto configured = [](std::int32_t pulses, double wheel) {
        Configuration configuration;
        configuration.logger.pulsesPerTurn = pulses;
        configuration.program.wheelCircumferenceMm = wheel;
        SelectedSonde sonde;
        sonde.cameraOffset = 8.0;
        return std::optional(DecoderSettings::from(configuration, sonde, false));
    };
    struct Case {
        const char* name;
        std::optional<DecoderSettings> settings;
        double depthScale;
        const char* from;
        double loggerDepth; // m, of depth count 80000
        double imageDepth;  // m, of camera depth count 80800 less the 8 cm camera offset
    };
    const Case cases[] = {
        {"default configuration", configured(1000, 500.0), 80.0, "winch settings", 10.0, 10.02},
        {"no settings given", std::nullopt, 80.0, "default winch settings", 10.0, 10.02},
        {"other wheel and resolution", configured(2000, 400.0), 200.0, "winch settings", 4.0, 3.96},
        // k = round(1000 / 333 x 40 x 256) = 30751, not 1000 / 333 x 40 x 256 = 30750.75
        {"k rounded", configured(1000, 333.0), 30751 / 256.0, "winch settings", 6.659946018015674,
         6.646545478195831},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cli::DissectOptions options;
        options.capture = path;
        options.decoderSettings = c.settings;
        const CommandRun run = runCommand([&](std::ostream& out, std::ostream& err) {
            return cli::runDissect(options, out, err);
        });
        ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
        const auto lines = run.lines();
        ASSERT_EQ(lines.size(), 3u) << run.out;
        EXPECT_NEAR(lines[0]["LoggerDepth"].get<double>(), c.loggerDepth, 1e-9);
        EXPECT_NEAR(lines[1]["LoggerDepth"].get<double>(), c.loggerDepth, 1e-9);
        EXPECT_NEAR(lines[1]["ImageDepth"].get<double>(), c.imageDepth, 1e-9);
        const nlohmann::json& decoding = lines[2]["Decoding"];
        EXPECT_DOUBLE_EQ(decoding["DepthScale"].get<double>(), c.depthScale);
        EXPECT_EQ(decoding["DepthScaleFrom"], c.from);
    }

    // A depth scale already known is kept; winch settings that give none say so.
    cli::DissectOptions options;
    options.capture = path;
    options.decoderSettings = logDecoderSettings(); // 10 counts a centimetre
    CommandRun run = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runDissect(options, out, err); });
    EXPECT_DOUBLE_EQ(run.lines()[0]["LoggerDepth"].get<double>(), 80.0);
    EXPECT_EQ(run.lines()[2]["Decoding"]["DepthScaleFrom"], "given");
    options.decoderSettings = configured(1000, 0.0);
    run = runCommand(
        [&](std::ostream& out, std::ostream& err) { return cli::runDissect(options, out, err); });
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    EXPECT_EQ(run.lines()[2]["Decoding"]["DepthScale"], 0.0);
    EXPECT_EQ(run.lines()[2]["Decoding"]["DepthScaleFrom"],
              "none: the winch settings give no depth scale");
}

TEST_F(DissectTest, WithoutDecodingOnlyTheFraming) {
    const fs::path path = home.file("run.cap");
    writeCapture(path, concat({packet(0, shortFrameNo(5)), packet(1, fullFields(1, 0).build())}));
    const CommandRun run = dissect(path, false);
    ASSERT_EQ(run.code, ExitCode::Ok) << run.err;
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(lines[i].contains("Decoded"));
        EXPECT_FALSE(lines[i].contains("LoggerDepth"));
    }
    EXPECT_EQ(lines[1]["VideoChecksum"], true);
}

TEST_F(DissectTest, DamagedCapturesEndWithWhatCameBeforeAndOneErrorLine) {
    const Bytes stream = concat({packet(0, shortFrameNo(1)), packet(1, shortFrameNo(2)),
                                 packet(2, fullFields(3, 0).build())});
    const fs::path good = home.file("good.cap");
    writeCapture(good, stream);
    const std::string bytes = readWholeFile(good).value();
    // The magic and the first two reads of 17 bytes (with their count bytes): the first packet
    // (24 bytes) is whole, the second is not.
    const std::size_t afterTwoReads = 8 + 2 * 18;
    const fs::path path = home.file("damaged.cap");
    const auto write = [&](const std::string& content) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
    };

    struct Case {
        const char* name;
        std::function<void()> make;
        int code;
        std::size_t frames; // 16-byte and full frames printed
        const char* error;
    };
    const Case cases[] = {
        {"good", [&] { write(bytes); }, ExitCode::Ok, 3, ""},
        {"no file", [&] { fs::remove(path); }, ExitCode::MissingFile, 0, "no such file"},
        {"a folder",
         [&] {
             fs::remove(path);
             fs::create_directory(path);
         },
         ExitCode::MissingFile, 0, "not a file"},
        {"empty", [&] { write(""); }, ExitCode::CorruptInput, 0, "not a raw capture"},
        {"no magic", [&] { write(bytes.substr(8)); }, ExitCode::CorruptInput, 0,
         "not a raw capture"},
        {"magic only", [&] { write(bytes.substr(0, 8)); }, ExitCode::Ok, 0, ""},
        {"cut inside a read", [&] { write(bytes.substr(0, bytes.size() - 3)); },
         ExitCode::CorruptInput, 2, "capture cut short"},
        {"zero-filled tail", [&] { write(bytes + std::string(100, '\0')); }, ExitCode::CorruptInput,
         3, "damaged record"},
        {"read longer than the reader reads",
         [&] { write(bytes.substr(0, afterTwoReads) + '\x19' + std::string(25, 'x')); },
         ExitCode::CorruptInput, 1, "damaged record"},
        {"random bytes after the magic",
         [&] {
             std::string random(4000, '\0');
             unsigned x = 12345;
             for (char& c : random) {
                 x = x * 1103515245u + 12345u;
                 c = static_cast<char>(x >> 16);
             }
             write("ZRAWCAP1" + random);
         },
         ExitCode::CorruptInput, 0, "damaged record"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove_all(path, ec);
        c.make();
        const CommandRun run = dissect(path);
        EXPECT_EQ(run.code, c.code);
        std::size_t frames = 0;
        bool summary = false;
        for (const auto& line : run.lines()) {
            frames += line["Kind"] == 16 || line["Kind"] == "full";
            summary = summary || line["Kind"] == "summary";
        }
        EXPECT_EQ(frames, c.frames);
        if (c.code == ExitCode::Ok) {
            EXPECT_EQ(run.err, "");
            EXPECT_TRUE(summary);
        } else {
            EXPECT_EQ(lineCount(run.err), 1u) << run.err;
            EXPECT_EQ(run.err.rfind("zarn-cli: ", 0), 0u) << run.err;
            EXPECT_NE(run.err.find(c.error), std::string::npos) << run.err;
        }
    }
}

} // namespace
} // namespace zarn::test
