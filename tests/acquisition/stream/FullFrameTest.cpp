// The full data frame: record fields, checksums and results, counters, notifications.
#include "platform/Format.h"
#include "tests/acquisition/stream/StreamFixture.h"

namespace zarn::test {
namespace {

using Received = MessageRecorder::Received;

const std::vector<Received> readBackRefresh = {
    {Role::CommunicationPage, command(Cmd::CommunicationRefresh), false},
    {Role::CommunicationPage, command(Cmd::ReadBackRefresh), false},
    {Role::CameraPanel, command(Cmd::ReadBackRefresh), false},
    {Role::ProbePage, command(Cmd::ReadBackRefresh), false},
    {Role::DeviationWindow, command(Cmd::ReadBackRefresh), false},
};

FullFrameFields richFrame() {
    FullFrameFields f;
    f.header.flags = 0x05;
    f.header.byte1 = 0x11;
    f.header.byte2 = 0x22;
    f.header.depthCount = 12345;
    f.header.speedCount = 250;
    f.header.valueA = 3;
    f.header.valueB = 255;
    f.gammaCount = 1000;
    f.cameraTemperature = 61; // 30.5 °C
    f.secondTemperature = 70; // round(80) = 80 → 40.0 °C
    f.lightPower = 0x80 | 0x33;
    f.shutter = 12;
    f.framePeriod = 40;
    f.baudDivisor = 0x80 | 0x0A;
    f.upholeDrive = 25;
    f.imageMode = 0x74;
    f.packetIndex = 7;
    f.cameraDepthCount = 20000; // 20 m, minus the camera offset of 8 cm
    f.pictureNumber = 0xDEADBEEF;
    f.byte19 = 0x19;
    f.bufferFill = 12;
    f.byte21 = 0x21;
    f.hx = -100;
    f.gx = -9000;
    f.hy = 200;
    f.gy = 300;
    f.hz = -400;
    f.gz = 500;
    f.payload = {1, 2, 3, 4, 5};
    f.commStatus = 0x01;
    return f;
}

TEST_F(StreamTest, FullFrameFillsTheRecord) {
    const Frame frame = richFrame().build();
    ASSERT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Ok);
    const MeasurementRecord r = stream.snapshot();
    EXPECT_DOUBLE_EQ(r.LoggerDepth, 12.345);
    EXPECT_DOUBLE_EQ(r.Speed, 2.5);
    EXPECT_EQ(r.Direction, 1);
    EXPECT_EQ(r.ValueAText, "3");
    EXPECT_EQ(r.ValueB, 255);
    EXPECT_EQ(r.ValueBText, "255");
    EXPECT_EQ(r.LoggerStatus.Byte0, 0x05);
    EXPECT_EQ(r.LoggerStatus.Flags, 0x05);
    EXPECT_EQ(r.LoggerStatus.Byte1, 0x11);
    EXPECT_EQ(r.LoggerStatus.Byte2, 0x22);
    EXPECT_EQ(r.LoggerStatus.StatusReceived, 1);
    EXPECT_EQ(r.CommStatus, 0x01);
    EXPECT_EQ(r.GammaCount, 1000);
    EXPECT_DOUBLE_EQ(r.Gamma, 1500.0);
    EXPECT_DOUBLE_EQ(r.CameraTemperature, 30.5);
    EXPECT_EQ(r.CameraTemperatureText, "30");
    EXPECT_DOUBLE_EQ(r.SecondTemperature, 40.0);
    EXPECT_EQ(r.SecondTemperatureText, "40.0");
    EXPECT_EQ(r.UpholeDriveText, "25");
    EXPECT_EQ(r.SondeDataFlag, 1);
    EXPECT_EQ(r.SondeStatus.LightPower, 0x33);
    EXPECT_EQ(r.SondeStatus.Shutter, 12);
    EXPECT_EQ(r.SondeStatus.FramePeriod, 40);
    EXPECT_EQ(r.SondeStatus.BaudDivisor, 0x0A);
    EXPECT_EQ(r.SondeStatus.Byte19, 0x19);
    EXPECT_EQ(r.SondeStatus.BufferFill, 12);
    EXPECT_EQ(r.SondeStatus.Byte21, 0x21);
    EXPECT_DOUBLE_EQ(r.ShutterFactor, 1.0);
    // Image mode 0x74: resolution code 3, compression 16, parameter 4.
    EXPECT_EQ(r.ResolutionCode, 3);
    EXPECT_EQ(r.PixelsPerRow, 720);
    EXPECT_EQ(r.CompressionMode, 16);
    EXPECT_EQ(r.CompressionParameter, 4);
    EXPECT_EQ(r.Orientation.GX, -9000);
    EXPECT_EQ(r.Orientation.GY, 300);
    EXPECT_EQ(r.Orientation.GZ, 500);
    EXPECT_EQ(r.Orientation.HX, -100);
    EXPECT_EQ(r.Orientation.HY, 200);
    EXPECT_EQ(r.Orientation.HZ, -400);
    EXPECT_EQ(r.Orientation.Validity, OrientationStatus::Complete);
    EXPECT_DOUBLE_EQ(r.ImageDepth, 20.0 - 0.08);
    EXPECT_EQ(r.PayloadLength, 5);
    EXPECT_EQ(r.PacketIndex, 7);
    EXPECT_EQ(r.PictureNumber, 0xDEADBEEFu);
    EXPECT_EQ(r.Counters.GoodFrames, 1u);
    EXPECT_EQ(r.Counters.RecentGoodFrames, 1u);

    EXPECT_EQ(sink.names(),
              (std::vector<std::string>{"refreshMainWindow", "recordingRule", "decodeMode16"}));
    EXPECT_EQ(sink.callsOf("recordingRule")[0].args[0], 20.0 - 0.08); // image depth is set
    EXPECT_EQ(messages(), readBackRefresh);
    EXPECT_TRUE(traceTexts().empty());
}

// The decoder orients with the configured mode and declination and the selected sonde's image
// offset; the result is the record's orientation group, also handed to the image entries.
TEST_F(StreamTest, OrientationUsesTheSettingsOfTheFrame) {
    struct Case {
        int mode;
        double declination;
        double imageOffset;
    };
    const Case cases[] = {
        {OrientationModes::None, 0.0, 30.0},
        {OrientationModes::MagneticNorth, 2.5, 30.0},
        {OrientationModes::MagneticNorth, -12.0, 0.0},
        {OrientationModes::HighSide, 7.0, 45.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        DecoderSettings s = testSettings();
        s.orientationMode = c.mode;
        s.magneticOffset = c.declination;
        s.imageOffset = c.imageOffset;
        stream.setSettings(s);
        ASSERT_EQ(stream.DecodeFullFrame(richFrame().build(), true), FrameResult::Ok);

        OrientationResult expected;
        ASSERT_EQ(OrientedFormula(-9000, 300, 500, -100, 200, -400, expected, c.mode, c.declination,
                                  c.imageOffset),
                  OrientationStatus::Complete);
        const OrientationValues o = stream.snapshot().Orientation;
        EXPECT_DOUBLE_EQ(o.Roll, expected.Roll);
        EXPECT_DOUBLE_EQ(o.MagneticRoll, expected.MagneticRoll);
        EXPECT_DOUBLE_EQ(o.Inclination, expected.Inclination);
        EXPECT_DOUBLE_EQ(o.Azimuth, expected.Azimuth);
        EXPECT_DOUBLE_EQ(o.OrientedAngle, expected.OrientedAngle);
        EXPECT_EQ(o.AzimuthText, expected.AzimuthText);
        EXPECT_EQ(o.InclinationText, expected.InclinationText);
        EXPECT_EQ(o.Validity, OrientationStatus::Complete);
        EXPECT_DOUBLE_EQ(sink.decodedRecord().Orientation.OrientedAngle, expected.OrientedAngle);
    }
    // Without a reference the rows are shifted by the image offset alone.
    DecoderSettings none = testSettings();
    none.orientationMode = OrientationModes::None;
    none.imageOffset = 30.0;
    stream.setSettings(none);
    ASSERT_EQ(stream.DecodeFullFrame(richFrame().build(), true), FrameResult::Ok);
    EXPECT_DOUBLE_EQ(stream.snapshot().Orientation.OrientedAngle, 30.0);
}

// A frame whose computation stops early (the sonde exactly along the vertical: no roll) keeps
// what the frames before computed.
TEST_F(StreamTest, OrientationKeepsItsStateAcrossFrames) {
    ASSERT_EQ(stream.DecodeFullFrame(richFrame().build(), true), FrameResult::Ok);
    const OrientationValues before = stream.snapshot().Orientation;

    FullFrameFields vertical = richFrame();
    vertical.gx = -10000;
    vertical.gy = 0;
    vertical.gz = 0;
    ASSERT_EQ(stream.DecodeFullFrame(vertical.build(), true), FrameResult::Ok);
    const OrientationValues o = stream.snapshot().Orientation;
    EXPECT_EQ(o.GX, -10000); // the raw values are the frame's
    EXPECT_EQ(o.GY, 0);
    EXPECT_EQ(o.Validity, OrientationStatus::StoppedEarly);
    EXPECT_EQ(o.Roll, before.Roll);
    EXPECT_EQ(o.Inclination, before.Inclination);
    EXPECT_EQ(o.OrientedAngle, before.OrientedAngle);
    EXPECT_EQ(o.AzimuthText, before.AzimuthText);
    EXPECT_EQ(sink.decodedRecord().Orientation.OrientedAngle, before.OrientedAngle);
}

TEST_F(StreamTest, ViewModeAndSondeValuesComeFromTheSettingsOfTheFrame) {
    DecoderSettings s = testSettings();
    s.viewMode = 2;
    s.gammaCoefficient = 0.25;
    s.cameraOffset = -50;
    stream.setSettings(s);
    ASSERT_EQ(stream.DecodeFullFrame(richFrame().build(), true), FrameResult::Ok);
    const MeasurementRecord r = stream.snapshot();
    EXPECT_EQ(r.ViewMode, 2);
    EXPECT_DOUBLE_EQ(r.Gamma, 250.0);
    EXPECT_DOUBLE_EQ(r.ImageDepth, 20.5);
}

TEST_F(StreamTest, ResolutionCodeGivesThePixelsPerRow) {
    const int expected[8] = {720, 360, 540, 720, 900, 1080, 1260, 1440};
    for (int code = 0; code < 8; ++code) {
        SCOPED_TRACE(code);
        FullFrameFields f = richFrame();
        f.imageMode = static_cast<std::uint8_t>(code << 5 | 0x08 | 0x02);
        ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
        const MeasurementRecord r = stream.snapshot();
        EXPECT_EQ(r.ResolutionCode, code);
        EXPECT_EQ(r.PixelsPerRow, expected[code]);
        EXPECT_EQ(r.CompressionMode, 8);
        EXPECT_EQ(r.CompressionParameter, 2);
    }
}

TEST_F(StreamTest, ConfiguredShutterAboveTwentyBrightensTheRows) {
    struct Case {
        std::uint8_t configured;
        std::uint8_t applied;
        std::uint8_t shutter;
        double factor;
    };
    const Case cases[] = {
        {23, 20, 23, 1.73}, {23, 15, 15, 1.0}, {21, 20, 21, 1.2}, {22, 20, 22, 1.44},
        {24, 20, 24, 2.0},  {20, 20, 20, 1.0}, {10, 20, 20, 1.0}, {24, 19, 19, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.configured) * 100 + c.applied);
        DecoderSettings s = testSettings();
        s.shutter = c.configured;
        stream.setSettings(s);
        FullFrameFields f = richFrame();
        f.shutter = c.applied;
        ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
        EXPECT_EQ(stream.snapshot().SondeStatus.Shutter, c.shutter);
        EXPECT_DOUBLE_EQ(stream.snapshot().ShutterFactor, c.factor);
    }
}

TEST_F(StreamTest, TemperatureTexts) {
    struct Case {
        std::uint8_t camera, second;
        const char* cameraText;
        double cameraValue;
        const char* secondText;
    };
    const Case cases[] = {
        {0, 0, "0", 0.0, " 0.0"},
        {61, 70, "30", 30.5, "40.0"},
        {255, 255, "127", 127.5, "17.5"}, // round(291.4) = 291, modulo 256 = 35
        {3, 4, "1", 1.5, " 2.5"},         // round(4.57) = 5
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cameraText);
        FullFrameFields f = richFrame();
        f.cameraTemperature = c.camera;
        f.secondTemperature = c.second;
        ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
        const MeasurementRecord r = stream.snapshot();
        EXPECT_EQ(r.CameraTemperatureText, c.cameraText);
        EXPECT_DOUBLE_EQ(r.CameraTemperature, c.cameraValue);
        EXPECT_EQ(r.SecondTemperatureText, c.secondText);
    }
}

TEST_F(StreamTest, PayloadLengthEdges) {
    // 57 bytes: one payload byte.
    FullFrameFields one = richFrame();
    one.payload = {0xA7};
    const Frame f57 = one.build();
    ASSERT_EQ(f57.size(), 57u);
    ASSERT_EQ(stream.DecodeFullFrame(f57, true), FrameResult::Ok);
    EXPECT_EQ(stream.snapshot().PayloadLength, 1);
    ASSERT_EQ(sink.callsOf("decodeMode16").size(), 1u);
    EXPECT_EQ(sink.callsOf("decodeMode16")[0].bytes, std::vector<std::uint8_t>{0xA7});

    // 56 bytes: no payload, video checksum 0.
    FullFrameFields none = richFrame();
    none.payload.clear();
    Frame f56 = none.build();
    ASSERT_EQ(f56.size(), 56u);
    EXPECT_EQ(f56[49], 0);
    EXPECT_EQ(f56[50], 0);
    sink.clear();
    ASSERT_EQ(stream.DecodeFullFrame(f56, true), FrameResult::Ok);
    EXPECT_EQ(stream.snapshot().PayloadLength, 0);
    ASSERT_EQ(sink.callsOf("decodeMode16").size(), 1u);
    EXPECT_TRUE(sink.callsOf("decodeMode16")[0].bytes.empty());

    // A 56-byte frame with a video checksum other than 0 is dropped.
    f56[49] = 1;
    EXPECT_EQ(stream.DecodeFullFrame(f56, true), FrameResult::Dropped);
}

TEST_F(StreamTest, FullFrameResultFollowsPackChecksumAndCommunicationStatus) {
    struct Case {
        std::uint8_t comm;
        bool badPack;
        int result;
        std::vector<std::string> traces;
    };
    const std::string pack =
        "ToolStream::Full data receiving USBFrame:3C Pack Checksum error !!!\n";
    const Case cases[] = {
        {0x01, false, 1, {}},
        {0x48,
         false,
         1072,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status 48 -> - Checksum error - Bad "
          "Length\n"}},
        {0x48,
         true,
         256,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status 48 -> - Checksum error - Bad "
          "Length\n",
          pack}},
        // A corrupt sonde block is dropped even when the logger reported no error.
        {0x01, true, 256, {pack}},
        // Bit 0 clear without one of the bits 1, 2, 6, 7: traced, then decoded.
        {0x08,
         false,
         1,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status  8 -> - Checksum error\n"}},
        {0x30,
         false,
         1,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status 30 -> - Sonde Parametring - "
          "Updating\n"}},
        {0x02,
         false,
         1002,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status  2 -> - No Resp\n"}},
        {0x04,
         false,
         1004,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status  4 -> - Int Resp\n"}},
        {0x40,
         false,
         1064,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status 40 -> - Bad Length\n"}},
        {0x80,
         false,
         1128,
         {"ToolStream::Full data  receiving USBFrame:3C Comm status 80 -> - Bad Data\n"}},
        // Bit 0 set: the logger accepted the exchange, the other bits do not matter.
        {0xC7, false, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.comm) * 10 + c.badPack);
        DiagnosticLogs::instance().deleteTraceLog();
        recorder.clear();
        sink.clear();
        FullFrameFields f = richFrame();
        f.commStatus = c.comm;
        f.header.depthCount = 1000 * (1 + int(c.comm)); // a depth of its own
        f.gammaCount = c.comm;
        Frame frame = f.build();
        if (c.badPack)
            frame[47] ^= 0x01;
        const MeasurementRecord before = stream.snapshot();
        EXPECT_EQ(stream.DecodeFullFrame(frame, true), c.result);
        EXPECT_EQ(traceTexts(), c.traces);
        const MeasurementRecord after = stream.snapshot();
        EXPECT_EQ(after.CommStatus, c.comm); // stored for every current frame
        if (c.result == FrameResult::Ok) {
            EXPECT_EQ(after.GammaCount, c.comm);
            EXPECT_DOUBLE_EQ(after.LoggerDepth, 1.0 + c.comm);
            EXPECT_EQ(messages(), readBackRefresh);
        } else {
            // Dropped: nothing of the frame beyond its communication status.
            EXPECT_EQ(after.GammaCount, before.GammaCount);
            EXPECT_EQ(after.LoggerDepth, before.LoggerDepth);
            EXPECT_EQ(after.Counters.GoodFrames, before.Counters.GoodFrames);
            EXPECT_EQ(after.Counters.BadFrames, before.Counters.BadFrames + 1);
            EXPECT_TRUE(messages().empty());
            EXPECT_TRUE(sink.calls().empty());
        }
    }
}

TEST_F(StreamTest, BadFramesCountOnlyAfterAGoodOneAndTheRecentCounterStopsAtAHundred) {
    FullFrameFields bad = richFrame();
    bad.commStatus = 0x42;
    const Frame badFrame = bad.build();
    const Frame goodFrame = richFrame().build();

    EXPECT_EQ(stream.DecodeFullFrame(badFrame, true), 1066);
    EXPECT_EQ(stream.DecodeFullFrame(Frame(30, 0), true), FrameResult::Dropped);
    EXPECT_EQ(stream.snapshot().Counters.BadFrames, 0u);
    ASSERT_EQ(stream.DecodeFullFrame(goodFrame, true), FrameResult::Ok);
    EXPECT_EQ(stream.DecodeFullFrame(badFrame, true), 1066);
    EXPECT_EQ(stream.DecodeFullFrame(Frame(30, 0), true), FrameResult::Dropped);
    EXPECT_EQ(stream.snapshot().Counters.BadFrames, 2u);

    for (int i = 0; i < 104; ++i)
        ASSERT_EQ(stream.DecodeFullFrame(goodFrame, true), FrameResult::Ok);
    MeasurementRecord r = stream.snapshot();
    EXPECT_EQ(r.Counters.GoodFrames, 105u);
    EXPECT_EQ(r.Counters.RecentGoodFrames, 100u);

    stream.resetRecentGoodFrames();
    EXPECT_EQ(stream.snapshot().Counters.RecentGoodFrames, 0u); // at once
    ASSERT_EQ(stream.DecodeFullFrame(goodFrame, true), FrameResult::Ok);
    r = stream.snapshot();
    EXPECT_EQ(r.Counters.RecentGoodFrames, 1u);
    EXPECT_EQ(r.Counters.GoodFrames, 106u);

    stream.resetGoodFrameCount();
    EXPECT_EQ(stream.snapshot().Counters.GoodFrames, 0u);
    EXPECT_EQ(stream.DecodeFullFrame(badFrame, true), 1066);
    r = stream.snapshot();
    EXPECT_EQ(r.Counters.GoodFrames, 0u);
    EXPECT_EQ(r.Counters.BadFrames, 2u); // not counted until a good frame again
    EXPECT_EQ(r.Counters.RecentGoodFrames, 1u);
}

TEST_F(StreamTest, VideoChecksumFailureIsTracedAfterTheReadBackRefresh) {
    ASSERT_EQ(stream.DecodeFullFrame(richFrame().build(), true), FrameResult::Ok);
    recorder.clear();
    sink.clear();

    FullFrameFields f = richFrame();
    f.gammaCount = 77;
    f.packetIndex = 9;
    f.payload = {9, 8, 7, 0x00, 0x81};
    Frame frame = f.build();
    frame[frame.size() - 7] ^= 0x01;
    EXPECT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Dropped);
    EXPECT_EQ(traceTexts(),
              std::vector<std::string>{
                  "ToolStream::Full data receiving USBFrame:3C Video Checksum error !!!\n"});
    const MeasurementRecord r = stream.snapshot();
    EXPECT_EQ(r.GammaCount, 77); // the sonde block was taken
    EXPECT_EQ(r.PacketIndex, 7); // the packet index was not
    EXPECT_EQ(r.Counters.GoodFrames, 2u);
    EXPECT_EQ(messages(), readBackRefresh); // no DSP trailer read
    EXPECT_EQ(sink.names(), (std::vector<std::string>{"refreshMainWindow"}));
}

TEST_F(StreamTest, HeldFrameTakesOnlyItsSondeData) {
    FullFrameFields first = richFrame();
    first.header.depthCount = 1000;
    first.header.valueA = 1;
    ASSERT_EQ(stream.DecodeFullFrame(first.build(), true), FrameResult::Ok);
    stream.clearStatusReceived();

    FullFrameFields held = richFrame();
    held.header.depthCount = 99000;
    held.header.valueA = 99;
    held.gammaCount = 555;
    held.commStatus = 0x09; // bit 0 set
    ASSERT_EQ(stream.DecodeFullFrame(held.build(), false), FrameResult::Ok);
    const MeasurementRecord r = stream.snapshot();
    EXPECT_DOUBLE_EQ(r.LoggerDepth, 1.0);
    EXPECT_EQ(r.ValueA, 1);
    EXPECT_EQ(r.CommStatus, 0x01);
    EXPECT_EQ(r.LoggerStatus.StatusReceived, 0);
    EXPECT_EQ(r.GammaCount, 555);
}

TEST_F(StreamTest, PacketHeaderAppliesTheLoggerHeaderAndTheStatusBeforeTheFrameSum) {
    FullFrameFields f = richFrame();
    f.header.depthCount = 4321;
    f.header.speedCount = -100;
    f.header.valueB = 44;
    f.gammaCount = 999;
    f.commStatus = 0x41;
    Frame frame = f.build();
    ASSERT_NE(frame[frame.size() - 1], 0x41);
    ASSERT_TRUE(stream.DecodePacketHeader(frame));
    const MeasurementRecord r = stream.snapshot();
    EXPECT_DOUBLE_EQ(r.LoggerDepth, 4.321);
    EXPECT_DOUBLE_EQ(r.Speed, -1.0);
    EXPECT_EQ(r.Direction, 0);
    EXPECT_EQ(r.ValueBText, "44");
    EXPECT_EQ(r.CommStatus, 0x41);
    EXPECT_EQ(r.LoggerStatus.CommStatus, 0x41);
    EXPECT_EQ(r.LoggerStatus.StatusReceived, 1);
    EXPECT_EQ(r.GammaCount, 0); // the sonde block waits for the frame's turn
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(sink.calls().empty());

    for (std::size_t size : {0u, 12u, 16u, 55u}) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(stream.DecodePacketHeader(Frame(size, 0xFF)));
        EXPECT_DOUBLE_EQ(stream.snapshot().LoggerDepth, 4.321);
    }
}

TEST_F(StreamTest, FullFramesTooShortForTheLayoutAreRefused) {
    ASSERT_EQ(stream.DecodeFullFrame(richFrame().build(), true), FrameResult::Ok);
    recorder.clear();
    sink.clear();
    const MeasurementRecord before = stream.snapshot();
    const Frame good = richFrame().build();
    for (std::size_t size : {0u, 1u, 20u, 21u, 48u, 49u, 54u, 55u}) {
        SCOPED_TRACE(size);
        DiagnosticLogs::instance().deleteTraceLog();
        // The start of a valid frame: nothing may be decoded from it.
        const Frame cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(stream.DecodeFullFrame(cut, true), FrameResult::Dropped);
        EXPECT_EQ(traceTexts(),
                  std::vector<std::string>{format(
                      "ToolStream::Full data receiving USBFrame:3C Bad length %zu !!!\n", size)});
        const MeasurementRecord after = stream.snapshot();
        EXPECT_EQ(after.CommStatus, before.CommStatus);
        EXPECT_EQ(after.GammaCount, before.GammaCount);
        EXPECT_EQ(after.PayloadLength, before.PayloadLength);
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(sink.calls().empty());
}

TEST_F(StreamTest, ArbitraryBytesGiveOnlyKnownResults) {
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<std::uint8_t>(seed >> 24);
    };
    for (std::size_t size = 0; size < 300; ++size) {
        Frame f(size);
        for (auto& b : f)
            b = next();
        const int result = stream.DecodeFullFrame(f, size % 2 == 0);
        const bool known =
            result == FrameResult::Ok || result == FrameResult::Dropped ||
            (result > FrameResult::LoggerError && result <= FrameResult::LoggerError + 0xFF);
        EXPECT_TRUE(known) << size << " " << result;
        if (size != 16) {
            EXPECT_FALSE(stream.DecodeShortFrame(f));
        }
        if (size != 20) {
            EXPECT_FALSE(stream.DecodeStatusFrame(f));
        }
        EXPECT_EQ(stream.DecodePacketHeader(f), size >= 56);
    }
}

} // namespace
} // namespace zarn::test
