// The two logger frames: the 16-byte frame and the 20-byte status frame.
#include "tests/acquisition/stream/StreamFixture.h"

namespace zarn::test {
namespace {

using Received = MessageRecorder::Received;

LoggerHeader someHeader() {
    LoggerHeader h;
    h.byte1 = 0x11;
    h.byte2 = 0x22;
    h.word3 = 0x3344;
    h.depthCount = 12345; // 12.345 m
    h.speedCount = -250;  // -2.5 m/min
    h.valueA = 7;
    h.valueB = 200;
    return h;
}

// A full data frame that leaves temperatures, gamma and the uphole text set, so that the tests
// see what the logger frames clear.
Frame sondeFrame() {
    FullFrameFields f;
    f.header.depthCount = 1000;
    f.gammaCount = 40;
    f.cameraTemperature = 61;
    f.secondTemperature = 70;
    f.upholeDrive = 9;
    return f.build();
}

TEST_F(StreamTest, ShortFrameTakesTheLoggerHeaderAndClearsTheSondeValues) {
    ASSERT_EQ(stream.DecodeFullFrame(sondeFrame(), true), FrameResult::Ok);
    recorder.clear();
    sink.clear();

    ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(someHeader(), 0x81)));
    const MeasurementRecord r = stream.snapshot();
    EXPECT_DOUBLE_EQ(r.LoggerDepth, 12.345);
    EXPECT_DOUBLE_EQ(r.Speed, -2.5);
    EXPECT_EQ(r.Direction, 0);
    EXPECT_EQ(r.ValueA, 7);
    EXPECT_EQ(r.ValueAText, "7");
    EXPECT_EQ(r.ValueB, 200);
    EXPECT_EQ(r.ValueBText, "200");
    EXPECT_EQ(r.CameraTemperatureText, "-");
    EXPECT_EQ(r.CameraTemperature, 0.0);
    EXPECT_EQ(r.SecondTemperatureText, "-");
    EXPECT_EQ(r.SecondTemperature, 0.0);
    EXPECT_EQ(r.UpholeDriveText, "-");
    EXPECT_EQ(r.BaudText, "-");
    EXPECT_EQ(r.SondeDataFlag, -1);
    EXPECT_EQ(r.CommStatus, 0x81);
    EXPECT_EQ(r.LoggerStatus.CommStatus, 0x81);
    EXPECT_EQ(r.LoggerStatus.Byte1, 0x11);
    EXPECT_EQ(r.LoggerStatus.Byte2, 0x22);
    EXPECT_EQ(r.LoggerStatus.Word3, 0x3344);
    EXPECT_EQ(r.LoggerStatus.StatusReceived, 1); // from the full frame
    // The power sequences clear the status-received byte, and a
    // 16-byte frame never sets it again.
    stream.clearStatusReceived();
    ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(someHeader(), 0x81)));
    EXPECT_EQ(stream.snapshot().LoggerStatus.StatusReceived, 0);
    // Gamma belongs to the sonde and stays.
    EXPECT_EQ(r.GammaCount, 40);

    const std::vector<Received> posted = {
        {Role::CommunicationPage, command(Cmd::CommunicationRefresh), false},
        {Role::CommunicationPage, command(Cmd::CommunicationRefresh), false},
    };
    EXPECT_EQ(messages(), posted);
    EXPECT_EQ(sink.names(), (std::vector<std::string>{"refreshMainWindow", "refreshMainWindow"}));
    EXPECT_TRUE(traceTexts().empty());
}

TEST_F(StreamTest, ShortFrameWithoutSondeDataClearsTheOrientation) {
    FullFrameFields posed;
    posed.gx = -9000;
    posed.gy = 300;
    posed.gz = 500;
    posed.hx = -100;
    posed.hy = 200;
    posed.hz = -400;
    ASSERT_EQ(stream.DecodeFullFrame(posed.build(), true), FrameResult::Ok);
    const OrientationValues before = stream.snapshot().Orientation;
    ASSERT_EQ(before.Validity, OrientationStatus::Complete);
    ASSERT_FALSE(before.InclinationText.empty());

    ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(someHeader(), 0x01))); // bit 7 clear
    const OrientationValues o = stream.snapshot().Orientation;
    for (double value : {o.GX, o.GY, o.GZ, o.HX, o.HY, o.HZ, o.Roll, o.MagneticRoll, o.Inclination,
                         o.Azimuth, o.TotalGravity, o.TotalMagnetic})
        EXPECT_EQ(value, NoOrientationData);
    EXPECT_TRUE(o.InclinationText.empty());
    EXPECT_TRUE(o.AzimuthText.empty());
    EXPECT_EQ(o.Validity, OrientationStatus::StoppedEarly);
    // What the no-data call does not reach stays: the image keeps its last orientation.
    EXPECT_EQ(o.OrientedAngle, before.OrientedAngle);
    EXPECT_EQ(o.FieldAngle, before.FieldAngle);

    ASSERT_EQ(stream.DecodeFullFrame(posed.build(), true), FrameResult::Ok);
    ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(someHeader(), 0x81))); // bit 7 set
    const OrientationValues kept = stream.snapshot().Orientation;
    EXPECT_EQ(kept.Roll, before.Roll);
    EXPECT_EQ(kept.GX, -9000);
    EXPECT_EQ(kept.AzimuthText, before.AzimuthText);
    EXPECT_EQ(kept.Validity, OrientationStatus::Complete);
}

TEST_F(StreamTest, ShortFrameCommunicationStatusTraceNamesEachErrorBit) {
    struct Case {
        std::uint8_t status;
        std::uint32_t counter;
        const char* line; // nullptr: no trace
    };
    const Case cases[] = {
        {0x01, 0x3C, nullptr},
        {0xFF, 0x3C, nullptr}, // bit 0 set: accepted, whatever else is set
        {0x00, 0x3C, "ToolStream::16 bytes receiving USBFrame:3C Comm status  0 ->\n"},
        {0x48, 0x05,
         "ToolStream::16 bytes receiving USBFrame: 5 Comm status 48 -> - Checksum error - Bad "
         "Length\n"},
        {0xFE, 0x1A2,
         "ToolStream::16 bytes receiving USBFrame:1A2 Comm status FE -> - No Resp - Int Resp - "
         "Checksum error - Sonde Parametring - Updating - Bad Length - Bad Data\n"},
        {0x30, 0xAB,
         "ToolStream::16 bytes receiving USBFrame:AB Comm status 30 -> - Sonde Parametring - "
         "Updating\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.status));
        DiagnosticLogs::instance().deleteTraceLog();
        link.counter = c.counter;
        ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(someHeader(), c.status)));
        EXPECT_EQ(stream.snapshot().CommStatus, c.status);
        if (c.line) {
            EXPECT_EQ(traceTexts(), std::vector<std::string>{c.line});
        } else {
            EXPECT_TRUE(traceTexts().empty());
        }
    }
}

TEST_F(StreamTest, ShortFrameWithABadChecksumIsDroppedWithItsTraceLine) {
    ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(LoggerHeader{}, 0x81)));
    recorder.clear();
    sink.clear();
    const MeasurementRecord before = stream.snapshot();

    struct Case {
        const char* name;
        std::size_t at;
        int delta;
    };
    const Case cases[] = {
        {"checksum one more", 14, +1},   {"checksum one less", 14, -1},
        {"checksum high byte", 15, +1},  {"depth byte changed", 6, +1},
        {"status byte changed", 13, +2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiagnosticLogs::instance().deleteTraceLog();
        Frame f = shortFrame(someHeader(), 0x80);
        f[c.at] = static_cast<std::uint8_t>(f[c.at] + c.delta);
        EXPECT_FALSE(stream.DecodeShortFrame(f));
        EXPECT_EQ(traceTexts(),
                  std::vector<std::string>{
                      "ToolStream::16 bytes receiving USBFrame:3C Checksum error !!!\n"});
        const MeasurementRecord after = stream.snapshot();
        EXPECT_EQ(after.LoggerDepth, before.LoggerDepth);
        EXPECT_EQ(after.CommStatus, before.CommStatus);
        EXPECT_EQ(after.ValueAText, before.ValueAText);
    }
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(sink.calls().empty());
}

TEST_F(StreamTest, LoggerFramesOfAnotherLengthAreRefused) {
    const Frame good16 = shortFrame(someHeader(), 0x81);
    const Frame good20 = StatusFields{}.build();
    for (std::size_t size : {0u, 1u, 13u, 15u, 17u, 19u, 21u, 64u}) {
        SCOPED_TRACE(size);
        Frame f(size, 0x5A);
        std::copy_n(good16.begin(), std::min(size, good16.size()), f.begin());
        EXPECT_FALSE(stream.DecodeShortFrame(f));
        Frame g(size, 0x5A);
        std::copy_n(good20.begin(), std::min(size, good20.size()), g.begin());
        EXPECT_FALSE(stream.DecodeStatusFrame(g));
    }
    const std::vector<std::string> traces = traceTexts();
    ASSERT_FALSE(traces.empty());
    EXPECT_EQ(traces[0], "ToolStream::16 bytes receiving USBFrame:3C Bad length 0 !!!\n");
    EXPECT_EQ(traces[1], "ToolStream::20 bytes receiving USBFrame:3C Bad length 0 !!!\n");
    EXPECT_EQ(stream.snapshot().LoggerDepth, 0.0);
    EXPECT_TRUE(messages().empty());
    EXPECT_TRUE(sink.calls().empty());
}

TEST_F(StreamTest, StatusFrameTakesStatusEchoDepthAndClearsTheSondeValues) {
    ASSERT_EQ(stream.DecodeFullFrame(sondeFrame(), true), FrameResult::Ok);
    stream.clearStatusReceived();
    recorder.clear();
    sink.clear();

    StatusFields s;
    s.echoWord2 = 0x1234;
    s.echoWord4 = 0x5678;
    s.echoByte6 = 0x9A;
    s.byte1 = 0x31;
    s.byte2 = 0x32;
    s.statusWord = 0xBEEF;
    s.depthCount = -5000; // -5 m
    s.speedCount = 300;   // 3 m/min
    s.valueA = 17;
    s.valueB = 18;
    ASSERT_TRUE(stream.DecodeStatusFrame(s.build()));
    const MeasurementRecord r = stream.snapshot();
    EXPECT_DOUBLE_EQ(r.LoggerDepth, -5.0);
    EXPECT_DOUBLE_EQ(r.Speed, 3.0);
    EXPECT_EQ(r.Direction, 1);
    EXPECT_EQ(r.LoggerStatus.EchoWord2, 0x1234);
    EXPECT_EQ(r.LoggerStatus.EchoWord4, 0x5678);
    EXPECT_EQ(r.LoggerStatus.EchoByte6, 0x9A);
    EXPECT_EQ(r.LoggerStatus.Byte1, 0x31);
    EXPECT_EQ(r.LoggerStatus.Byte2, 0x32);
    EXPECT_EQ(r.LoggerStatus.Word3, 0xBEEF);
    EXPECT_EQ(r.LoggerStatus.StatusReceived, 1);
    EXPECT_EQ(r.ValueAText, "17");
    EXPECT_EQ(r.ValueBText, "18");
    EXPECT_EQ(r.CommStatus, 0);
    EXPECT_EQ(r.SondeDataFlag, -1);
    EXPECT_TRUE(r.ElapsedTimeText.empty());
    EXPECT_EQ(r.CameraTemperatureText, "-");
    EXPECT_EQ(r.SecondTemperatureText, "-");
    EXPECT_EQ(r.UpholeDriveText, "-");
    EXPECT_EQ(r.BaudText, "-");
    EXPECT_EQ(r.GammaCount, 0);
    EXPECT_EQ(r.Gamma, 0.0);
    EXPECT_EQ(sink.names(), std::vector<std::string>{"refreshMainWindow"});
    EXPECT_TRUE(messages().empty());
}

TEST_F(StreamTest, StatusFrameDuringReplayKeepsTheReplayedSondeValues) {
    ASSERT_EQ(stream.DecodeFullFrame(sondeFrame(), true), FrameResult::Ok);
    DecoderSettings replay = testSettings();
    replay.replayRunning = true;
    stream.setSettings(replay);
    ASSERT_TRUE(stream.DecodeStatusFrame(StatusFields{}.build()));
    const MeasurementRecord r = stream.snapshot();
    EXPECT_EQ(r.GammaCount, 40);
    EXPECT_EQ(r.UpholeDriveText, "9");
    EXPECT_EQ(r.CameraTemperatureText, "-"); // cleared in any case
}

TEST_F(StreamTest, StatusFrameWithABadChecksumOnlyMarksTheChecksumError) {
    StatusFields s;
    s.depthCount = 1000;
    ASSERT_TRUE(stream.DecodeStatusFrame(s.build()));
    sink.clear();
    s.depthCount = 9000;
    s.flags = 0xC0;
    Frame f = s.build();
    f[19] ^= 0x01;
    EXPECT_FALSE(stream.DecodeStatusFrame(f));
    const MeasurementRecord r = stream.snapshot();
    EXPECT_EQ(r.CommStatus, 8);
    EXPECT_DOUBLE_EQ(r.LoggerDepth, 1.0);
    EXPECT_EQ(r.SondeDataFlag, -1);
    EXPECT_EQ(sink.names(), std::vector<std::string>{"refreshMainWindow"}); // no alarms
}

TEST_F(StreamTest, StatusFrameResendsTheWinchSettingsWhenTheEchoDiffers) {
    struct Case {
        const char* name;
        std::optional<WinchSettingsEcho> sent;
        int resends;
    };
    const WinchSettingsEcho echoed{0x0102, 0x0304, 0x05};
    const Case cases[] = {
        {"nothing sent yet", std::nullopt, 0},
        {"same values", echoed, 0},
        {"word at 2 differs", WinchSettingsEcho{0x0103, 0x0304, 0x05}, 1},
        {"word at 4 differs", WinchSettingsEcho{0x0102, 0x0404, 0x05}, 1},
        {"byte at 6 differs", WinchSettingsEcho{0x0102, 0x0304, 0x06}, 1},
    };
    StatusFields s;
    s.echoWord2 = echoed.word2;
    s.echoWord4 = echoed.word4;
    s.echoByte6 = echoed.byte6;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.lastSent = c.sent;
        link.resends = 0;
        ASSERT_TRUE(stream.DecodeStatusFrame(s.build()));
        EXPECT_EQ(link.resends, c.resends);
    }
    // A frame that fails its checksum is no echo.
    link.lastSent = WinchSettingsEcho{};
    link.resends = 0;
    Frame f = s.build();
    f[18] ^= 0x10;
    EXPECT_FALSE(stream.DecodeStatusFrame(f));
    EXPECT_EQ(link.resends, 0);
}

TEST_F(StreamTest, LoggerStatusFlagsRaiseTheAlarms) {
    struct Case {
        std::uint8_t flags;
        std::vector<std::string> alarms;
    };
    const std::string encoder = "Invalid Depth !!!|Encoder Error";
    const std::string battery = "Low Battery.|Low battery / Power Failure !!!";
    const Case cases[] = {
        {0x00, {}},
        {0x3F, {}},
        {0x40, {encoder}},
        {0x80, {battery}},
        {0xC0, {encoder, battery}}, // the battery alarm comes last and stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.flags));
        LoggerHeader h;
        h.flags = c.flags;
        StatusFields s;
        s.flags = c.flags;
        for (int kind = 0; kind < 2; ++kind) {
            sink.clear();
            ASSERT_TRUE(kind == 0 ? stream.DecodeShortFrame(shortFrame(h, 0x81))
                                  : stream.DecodeStatusFrame(s.build()));
            std::vector<std::string> shown;
            for (const SinkCall& call : sink.callsOf("showAlarm")) {
                shown.push_back(call.texts);
                EXPECT_EQ(call.args[0], call.texts == encoder ? 0 : 1);
            }
            EXPECT_EQ(shown, c.alarms);
            EXPECT_EQ(stream.snapshot().LoggerStatus.Byte0, c.flags);
        }
    }
}

TEST_F(StreamTest, DepthAndSpeedFollowTheWinchSettings) {
    struct Case {
        double depthScale;
        double wheel;
        std::int32_t pulses;
        std::int32_t depthCount;
        std::int16_t speedCount;
        double depth;
        double speed;
    };
    const Case cases[] = {
        {10.0, 500.0, 1000, 12345, 100, 12.345, 1.0},
        {2.5, 400.0, 500, -250, -1000, -1.0, -16.0},
        // Without a depth scale or pulse resolution there is no depth or speed to show.
        {0.0, 500.0, 1000, 12345, 100, 0.0, 1.0},
        {10.0, 500.0, 0, 12345, 100, 12.345, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depthScale);
        DecoderSettings s = testSettings();
        s.depthScale = c.depthScale;
        s.wheelValue = c.wheel;
        s.pulsResolution = c.pulses;
        stream.setSettings(s);
        LoggerHeader h;
        h.depthCount = c.depthCount;
        h.speedCount = c.speedCount;
        ASSERT_TRUE(stream.DecodeShortFrame(shortFrame(h, 0x81)));
        EXPECT_DOUBLE_EQ(stream.snapshot().LoggerDepth, c.depth);
        EXPECT_DOUBLE_EQ(stream.snapshot().Speed, c.speed);
        EXPECT_EQ(stream.snapshot().Direction, c.speedCount >= 0 ? 1 : 0);
    }
}

} // namespace
} // namespace zarn::test
