// Records written from decoded frames and read back: the bytes of the head, and the measurement
// record the replay fills from them.
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/DataLogReader.h"
#include "tests/acquisition/logfiles/LogTestSupport.h"

#include <climits>
#include <cmath>

namespace zarn::test {
namespace {

using namespace logrecord;

class LogRecordTest : public ::testing::Test {
protected:
    LogFolder folder;
    RecordingRig rig{folder};
};

// A frame with a different value in every field the record keeps.
FullFrameFields distinctFrame() {
    FullFrameFields f;
    f.header.depthCount = 15432; // 15.432 m
    f.header.speedCount = 1234;  // 12.34 m/min
    f.header.valueA = 131;
    f.header.valueB = 77;
    f.gammaCount = 0x1234;
    f.cameraTemperature = 61; // 30.5 degrees
    f.secondTemperature = 35; // round(40) x 0.5 = 20.0
    f.lightPower = 0x80 | 42;
    f.shutter = 20; // with "Shutter" 23 configured: 23 stored
    f.framePeriod = 33;
    f.baudDivisor = 10; // 62500 bauds
    f.upholeDrive = 14;
    f.imageMode = 0x74; // 720 pixels, mode 16, parameter 4
    f.packetIndex = 9;
    f.cameraDepthCount = 15300; // 15.300 m
    f.pictureNumber = 0xA1B2C3D4;
    f.byte19 = 0x19;
    f.bufferFill = 7;
    f.byte21 = 0x21;
    f.hx = 1001;
    f.gx = -1002;
    f.hy = 1003;
    f.gy = -1004;
    f.hz = 1005;
    f.gz = -1006;
    f.payload = payloadOf(5, 123);
    return f;
}

TEST_F(LogRecordTest, RecordHeadKeepsEveryFieldOfTheFrame) {
    DecoderSettings s = logDecoderSettings();
    s.shutter = 23;
    s.viewMode = 2;
    rig.stream.setSettings(s);
    ASSERT_TRUE(rig.start(true, 100, 15.0));
    const FullFrameFields fields = distinctFrame();
    const Frame frame = fields.build();
    rig.clock.advance(std::chrono::milliseconds(2500));
    ASSERT_EQ(rig.stream.DecodeFullFrame(frame, true), FrameResult::Ok);
    ASSERT_TRUE(rig.writer.StopRecording());

    const std::string file = folder.home.read("run.lox");
    ASSERT_EQ(file.size(), HeadSize + fields.payload.size());
    const std::span<const std::uint8_t> r(reinterpret_cast<const std::uint8_t*>(file.data()),
                                          file.size());
    EXPECT_EQ(frame::u16(r, Length), HeadSize + 123);
    EXPECT_EQ(frame::s32(r, LoggerDepth), 154320);
    EXPECT_EQ(frame::s16(r, Speed), 1234);
    EXPECT_EQ(frame::u32(r, ElapsedMs), 2500u);
    EXPECT_EQ(r[ValueA], 131);
    EXPECT_EQ(r[ValueB], 77);
    for (std::size_t i = 0; i < FrameCopySize; ++i) {
        const std::size_t at = FrameCopy + i;
        if (at == Shutter || (at >= ImageDepth && at < ImageDepth + 4))
            continue;
        EXPECT_EQ(r[at], frame[FrameCopyFrom + i]) << "head offset " << at;
    }
    EXPECT_EQ(r[Shutter], 23);
    EXPECT_EQ(frame::s32(r, ImageDepth), 153000);
    EXPECT_EQ(r[48], 0);
    EXPECT_EQ(r[ViewMode], 2);
    EXPECT_EQ(r[50], 0);
    EXPECT_EQ(r[51], 0);
    EXPECT_EQ(r[52], 0);
    EXPECT_TRUE(std::equal(fields.payload.begin(), fields.payload.end(), r.begin() + HeadSize));
}

TEST_F(LogRecordTest, ReplayFillsTheMeasurementRecordFromTheHead) {
    DecoderSettings s = logDecoderSettings();
    s.shutter = 23;
    s.viewMode = 3;
    rig.stream.setSettings(s);
    ASSERT_TRUE(rig.start(true, 100, 15.0));
    const FullFrameFields fields = distinctFrame();
    rig.clock.advance(std::chrono::milliseconds(3723500)); // 1 h 2 min 3.5 s
    ASSERT_EQ(rig.stream.DecodeFullFrame(fields.build(), true), FrameResult::Ok);
    ASSERT_TRUE(rig.writer.StopRecording());

    RecordingReplaySink sink;
    MessageBus bus;
    MessageRecorder messages(
        bus, {Role::CameraPanel, Role::CommunicationPage, Role::ProbePage, Role::DeviationWindow});
    CDataLogReader reader(&sink, nullptr, bus);
    ReplayHeaderValues header;
    header.gammaCoef = 0.5;
    header.orientationMode = 1;
    header.magneticDeclination = 2.0;
    header.imageOffset = 10.0;
    reader.SetHeaderValues(header);
    reader.SetDataFile(rig.dataPath());
    std::int64_t position = 0;
    ASSERT_TRUE(reader.ReadDataLineInFile(position));
    EXPECT_EQ(position, static_cast<std::int64_t>(HeadSize + 123));

    ASSERT_EQ(sink.published().size(), 1u);
    const Replayed replayed = sink.published()[0];
    const MeasurementRecord& m = replayed.record;
    EXPECT_EQ(replayed.recordLength, static_cast<int>(HeadSize + 123));
    EXPECT_DOUBLE_EQ(m.LoggerDepth, 15.432);
    EXPECT_DOUBLE_EQ(m.ImageDepth, 15.3);
    EXPECT_DOUBLE_EQ(m.Speed, 12.34);
    EXPECT_EQ(m.Direction, 1);
    EXPECT_DOUBLE_EQ(m.ElapsedTime, 3723.5);
    EXPECT_EQ(m.ElapsedTimeText, "01:02:03");
    EXPECT_DOUBLE_EQ(m.CameraTemperature, 30.5);
    EXPECT_EQ(m.CameraTemperatureText, " 30.5");
    EXPECT_DOUBLE_EQ(m.SecondTemperature, 20.0);
    EXPECT_EQ(m.SecondTemperatureText, "20.0");
    EXPECT_EQ(m.BaudText, "62500");
    EXPECT_EQ(m.UpholeDriveText, "14");
    EXPECT_EQ(m.GammaCount, 0x1234);
    EXPECT_DOUBLE_EQ(m.Gamma, 0x1234 * 0.5);
    EXPECT_EQ(m.SondeStatus.Shutter, 23);
    EXPECT_DOUBLE_EQ(m.ShutterFactor, 1.73);
    EXPECT_EQ(m.SondeStatus.LightPower, 42);
    EXPECT_EQ(m.SondeDataFlag, 1);
    EXPECT_EQ(m.SondeStatus.FramePeriod, 33);
    EXPECT_EQ(m.SondeStatus.BufferFill, 7);
    EXPECT_EQ(m.SondeStatus.Byte19, 0x19);
    EXPECT_EQ(m.SondeStatus.Byte21, 0x21);
    EXPECT_EQ(m.PixelsPerRow, 720);
    EXPECT_EQ(m.CompressionMode, 16);
    EXPECT_EQ(m.CompressionParameter, 4);
    EXPECT_EQ(m.PayloadLength, 123);
    EXPECT_EQ(m.ViewMode, 3);
    EXPECT_EQ(m.PacketIndex, 9);
    EXPECT_EQ(m.PictureNumber, 0xA1B2C3D4u);

    // The orientation computed from the recorded values with the header's settings.
    OrientationResult expected;
    OrientedFormula(-1002, -1004, -1006, 1001, 1003, 1005, expected, 1, 2.0, 10.0);
    EXPECT_DOUBLE_EQ(m.Orientation.GX, -1002);
    EXPECT_DOUBLE_EQ(m.Orientation.HZ, 1005);
    EXPECT_DOUBLE_EQ(m.Orientation.Inclination, expected.Inclination);
    EXPECT_DOUBLE_EQ(m.Orientation.Azimuth, expected.Azimuth);
    EXPECT_DOUBLE_EQ(m.Orientation.OrientedAngle, expected.OrientedAngle);

    const auto decodes = sink.decodes();
    ASSERT_EQ(decodes.size(), 1u);
    EXPECT_EQ(decodes[0].entry, "mode16");
    EXPECT_EQ(decodes[0].payload, fields.payload);
    EXPECT_EQ(decodes[0].pixels, 720);
    EXPECT_EQ(decodes[0].direction, 1);
    EXPECT_EQ(decodes[0].parameter, 4);
    EXPECT_DOUBLE_EQ(decodes[0].imageDepth, 15.3);

    using R = MessageRecorder::Received;
    EXPECT_EQ(messages.received(),
              (std::vector<R>{{Role::CameraPanel, command(Cmd::FrameShown), false},
                              {Role::CommunicationPage, command(Cmd::CommunicationRefresh), false},
                              {Role::CommunicationPage, command(Cmd::ReadBackRefresh), false},
                              {Role::CameraPanel, command(Cmd::ReadBackRefresh), false},
                              {Role::ProbePage, command(Cmd::ReadBackRefresh), false},
                              {Role::DeviationWindow, command(Cmd::ReadBackRefresh), false}}));
}

// The decoder entry a replayed record goes to, by its image mode byte.
TEST_F(LogRecordTest, ReplayDrawsModes8And16Only) {
    struct Case {
        std::uint8_t imageMode;
        std::string entry; // empty: not drawn
        int pixels, parameter;
    };
    const Case cases[] = {
        {0x74, "mode16", 720, 4}, {0x2B, "mode8", 360, 3}, {0xE9, "mode8", 1440, 1},
        {0x05, "", 0, 0},         {0x1A, "", 0, 0}, // bits 4 and 3 both set: unknown
    };
    std::string file;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Sample s{1000 + static_cast<int>(i), 1000 + static_cast<int>(i), -50};
        std::string bytes = recordBytes(static_cast<int>(i), s);
        bytes[ImageMode] = static_cast<char>(cases[i].imageMode);
        file += bytes;
    }
    folder.home.write("modes.lox", file);
    RecordingReplaySink sink;
    MessageBus bus;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(folder.file("modes.lox"));
    std::int64_t position = 0;
    for (const Case& c : cases) {
        sink.clear();
        ASSERT_TRUE(reader.ReadDataLineInFile(position));
        const auto decodes = sink.decodes();
        if (c.entry.empty()) {
            EXPECT_TRUE(decodes.empty()) << int(c.imageMode);
            continue;
        }
        ASSERT_EQ(decodes.size(), 1u) << int(c.imageMode);
        EXPECT_EQ(decodes[0].entry, c.entry);
        EXPECT_EQ(decodes[0].pixels, c.pixels);
        EXPECT_EQ(decodes[0].parameter, c.parameter);
        EXPECT_EQ(decodes[0].direction, 0); // recorded going up
    }
    EXPECT_FALSE(reader.ReadDataLineInFile(position));
}

TEST_F(LogRecordTest, RecordWithoutPayloadReads) {
    FullFrameFields f = frameFieldsOf(1, Sample{2000, 2000, 100});
    f.payload.clear();
    ASSERT_TRUE(rig.start(true, 100, 1.0));
    ASSERT_EQ(rig.stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    ASSERT_TRUE(rig.writer.StopRecording());
    EXPECT_EQ(folder.home.read("run.lox").size(), HeadSize);

    RecordingReplaySink sink;
    MessageBus bus;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(rig.dataPath());
    std::int64_t position = 0;
    ASSERT_TRUE(reader.ReadDataLineInFile(position));
    EXPECT_EQ(position, 53);
    EXPECT_EQ(sink.published().at(0).record.PayloadLength, 0);
    ASSERT_EQ(sink.decodes().size(), 1u);
    EXPECT_TRUE(sink.decodes()[0].payload.empty());
    EXPECT_FALSE(reader.ReadDataLineInFile(position));
}

TEST_F(LogRecordTest, LiveFramesKeepTheDisplayedDepthAndSpeed) {
    folder.home.write("live.lox", recordBytes(0, Sample{5000, 4900, -250}));
    RecordingReplaySink sink;
    sink.live = true;
    MessageBus bus;
    CDataLogReader reader(&sink, nullptr, bus);
    reader.SetDataFile(folder.file("live.lox"));
    std::int64_t position = 0;
    ASSERT_TRUE(reader.ReadDataLineInFile(position));
    const MeasurementRecord m = sink.published().at(0).record;
    EXPECT_DOUBLE_EQ(m.LoggerDepth, 0.0);
    EXPECT_DOUBLE_EQ(m.Speed, 0.0);
    EXPECT_DOUBLE_EQ(m.ImageDepth, 4.9);
    EXPECT_EQ(m.Direction, 0);
    EXPECT_DOUBLE_EQ(reader.LastLoggerDepth(), 5.0);
}

TEST(LogRecordFields, ConversionsTruncateAndSaturate) {
    struct DepthCase {
        double metres;
        std::int32_t units;
    };
    // Depths that are whole units but a hair below them in binary keep their unit.
    for (const DepthCase& c :
         {DepthCase{12.34567, 123456}, DepthCase{-0.00019, -1}, DepthCase{22990 / 1000.0, 229900},
          DepthCase{-87.0001, -870001}, DepthCase{1.00049999, 10004}, DepthCase{-12.34567, -123456},
          DepthCase{1e9, INT32_MAX}, DepthCase{-1e9, INT32_MIN}, DepthCase{NAN, 0}})
        EXPECT_EQ(depthUnits(c.metres), c.units) << c.metres;
    for (const DepthCase& c : {DepthCase{229900 / 10000.0, 22990}, DepthCase{1.005, 1005},
                               DepthCase{1.0049, 1004}, DepthCase{-2.0005, -2000}})
        EXPECT_EQ(headerMillimetres(c.metres), c.units) << c.metres;
    struct SpeedCase {
        double perMinute;
        std::int16_t units;
    };
    for (const SpeedCase& c : {SpeedCase{12.349, 1234}, SpeedCase{-0.019, -1},
                               SpeedCase{400.0, INT16_MAX}, SpeedCase{-400.0, INT16_MIN}})
        EXPECT_EQ(speedUnits(c.perMinute), c.units) << c.perMinute;
}

TEST(LogRecordFields, ElapsedTimeTextAndShutterFactor) {
    struct TextCase {
        std::uint64_t ms;
        const char* text;
    };
    for (const TextCase& c :
         {TextCase{0, "00:00:00"}, TextCase{59999, "00:00:59"}, TextCase{3600000, "01:00:00"},
          TextCase{3723999, "01:02:03"}, TextCase{360000000, "100:00:00"}})
        EXPECT_EQ(elapsedTimeText(c.ms), c.text) << c.ms;
    struct FactorCase {
        std::uint8_t shutter;
        double factor;
    };
    for (const FactorCase& c : {FactorCase{20, 1.0}, FactorCase{21, 1.2}, FactorCase{22, 1.44},
                                FactorCase{23, 1.73}, FactorCase{24, 2.0}, FactorCase{25, 1.0}})
        EXPECT_DOUBLE_EQ(shutterFactorOf(c.shutter), c.factor) << int(c.shutter);
}

} // namespace
} // namespace zarn::test
