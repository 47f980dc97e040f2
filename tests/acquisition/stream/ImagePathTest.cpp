// What a full data frame hands on: the image path entries, the data log, the DSP error trailer
// and the sonde flash record.
#include "tests/acquisition/stream/StreamFixture.h"

namespace zarn::test {
namespace {

using Received = MessageRecorder::Received;

FullFrameFields videoFrame(std::uint8_t imageMode, std::int16_t speedCount) {
    FullFrameFields f;
    f.imageMode = imageMode;
    f.header.speedCount = speedCount; // 100 = 1 m/min with the test settings
    f.cameraDepthCount = 5000;
    f.payload = {0x10, 0x20, 0x30, 0x40};
    return f;
}

TEST_F(StreamTest, CompressionModeSelectsTheImageEntry) {
    struct Case {
        std::uint8_t imageMode;
        const char* entry; // nullptr: nothing drawn
        std::vector<double> args;
    };
    const Case cases[] = {
        {0x0B, "decodeMode8", {720, 1, 3}},  // resolution 0, mode 8, parameter 3
        {0x54, "decodeMode16", {540, 1, 4}}, // resolution 2, mode 16, parameter 4
        {0x20, "decodeUncompressed", {360, 1}},
        {0xF8, nullptr, {}}, // bits 4 and 3 both set: no such compression
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.imageMode));
        sink.clear();
        FullFrameFields f = videoFrame(c.imageMode, 500);
        ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
        std::vector<SinkCall> drawn;
        for (const SinkCall& call : sink.calls())
            if (call.name.rfind("decode", 0) == 0)
                drawn.push_back(call);
        if (!c.entry) {
            EXPECT_TRUE(drawn.empty());
            continue;
        }
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(drawn[0].name, c.entry);
        EXPECT_EQ(drawn[0].args, c.args);
        EXPECT_EQ(drawn[0].bytes, f.payload);
    }
}

TEST_F(StreamTest, RecordingRuleDecidesDrawingAndWriting) {
    struct Case {
        RecordingDecision decision;
        std::vector<std::string> after; // the calls after the recording rule
    };
    const Case cases[] = {
        {{true, false}, {"decodeMode16"}},
        {{true, true}, {"decodeMode16", "writeLogFile"}},
        {{false, true}, {"writeLogFile"}},
        {{false, false}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after.size());
        sink.clear();
        sink.decision = c.decision;
        const Frame frame = videoFrame(0x10, 500).build();
        ASSERT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Ok);
        std::vector<std::string> names = sink.names();
        const auto rule = std::find(names.begin(), names.end(), "recordingRule");
        ASSERT_NE(rule, names.end());
        EXPECT_EQ(std::vector<std::string>(rule + 1, names.end()), c.after);
        for (const SinkCall& call : sink.callsOf("writeLogFile")) {
            EXPECT_EQ(call.args, std::vector<double>{4});
            EXPECT_EQ(call.bytes, frame);
        }
    }
}

TEST_F(StreamTest, FramesWithoutVideoAreNeitherDrawnNorRecorded) {
    sink.decision = RecordingDecision{true, true};
    ASSERT_EQ(stream.DecodeFullFrame(videoFrame(0x00, 500).build(), true), FrameResult::Ok);
    EXPECT_EQ(sink.names(), (std::vector<std::string>{"refreshMainWindow"}));
}

TEST_F(StreamTest, RowDirectionFollowsTheMovingSondeAndTheLastSliceDrawn) {
    struct Step {
        std::uint8_t imageMode;
        std::int16_t speedCount;
        const char* entry;
        int direction;
    };
    const Step steps[] = {
        {0x10, 500, "decodeMode16", 1},              // going down
        {0x10, -500, "decodeMode16", 0},             // going up
        {0x10, 5, "decodeMode16", 0},                // 0.05 m/min: the remembered direction
        {0x10, 10, "decodeMode16", 0},               // exactly 0.1 m/min: still remembered
        {0x00 | 0x20, 500, "decodeUncompressed", 0}, // the last direction drawn, not this one
        {0x08, 5, "decodeMode8", 1},                 // remembered from the frame before
        {0x10, -11, "decodeMode16", 0},              // 0.11 m/min up
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.speedCount);
        sink.clear();
        ASSERT_EQ(stream.DecodeFullFrame(videoFrame(s.imageMode, s.speedCount).build(), true),
                  FrameResult::Ok);
        const auto calls = sink.callsOf(s.entry);
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].args[1], s.direction);
    }
}

TEST_F(StreamTest, DspErrorTrailerFillsTheReadBackValues) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> payload;
        bool trailer;
        std::array<std::uint8_t, 6> readBack;
    };
    const std::array<std::uint8_t, 6> untouched = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    const Case cases[] = {
        {"values 5 and 4",
         {0x55, 0x12, 0x34, 0x06, 0x81},
         true,
         {0xEE, 0xEE, 0xEE, 0xEE, 0x12, 0x34}},
        {"exactly the bytes announced",
         {0x12, 0x34, 0x06, 0x81},
         true,
         {0xEE, 0xEE, 0xEE, 0xEE, 0x12, 0x34}},
        {"all six",
         {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x7E, 0x81},
         true,
         {0x10, 0x20, 0x30, 0x40, 0x50, 0x60}},
        {"bits 0 and 7 take no byte",
         {0xAA, 0x81 | 0x08, 0x81},
         true,
         {0xEE, 0xEE, 0xEE, 0xAA, 0xEE, 0xEE}},
        {"value 0 only", {0x99, 0x40, 0x81}, true, {0x99, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
        {"flag without bits", {0x00, 0x81}, true, untouched},
        {"more announced than present", {0x34, 0x06, 0x81}, false, untouched},
        {"flag byte missing", {0x81}, false, untouched},
        {"no end mark", {0x12, 0x34, 0x06, 0x80}, false, untouched},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Start each case from known read-back values.
        FullFrameFields seed = videoFrame(0x00, 0);
        seed.payload = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0x7E, 0x81};
        ASSERT_EQ(stream.DecodeFullFrame(seed.build(), true), FrameResult::Ok);
        ASSERT_EQ(stream.snapshot().ReadBack, untouched);
        recorder.clear();

        // The diagnostic panel re-reads the record while it is being told.
        std::array<std::uint8_t, 6> seenBySend{};
        int sends = 0;
        bus.attach(Role::DiagnosticPanel, [&](const Message& m) {
            EXPECT_EQ(m, command(Cmd::CommunicationRefresh));
            seenBySend = stream.snapshot().ReadBack;
            ++sends;
        });
        FullFrameFields f = videoFrame(0x00, 0);
        f.payload = c.payload;
        ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
        bus.detach(Role::DiagnosticPanel);
        EXPECT_EQ(stream.snapshot().ReadBack, c.readBack);
        EXPECT_EQ(sends, c.trailer ? 1 : 0);
        if (c.trailer) {
            EXPECT_EQ(seenBySend, c.readBack);
        }
    }
}

TEST_F(StreamTest, DspTrailerNoticeIsSentWhileTheRefreshesArePosted) {
    FullFrameFields f = videoFrame(0x00, 0);
    f.payload = {0x12, 0x34, 0x06, 0x81};
    ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    const std::vector<Received> got = messages();
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(got[0], (Received{Role::DiagnosticPanel, command(Cmd::CommunicationRefresh), true}));
    for (std::size_t i = 1; i < got.size(); ++i)
        EXPECT_FALSE(got[i].sent);
}

TEST_F(StreamTest, RequestedFlashRecordIsTakenFromTheNextFrameWithoutVideo) {
    std::vector<std::uint8_t> payload(200);
    for (std::size_t i = 0; i < payload.size(); ++i)
        payload[i] = static_cast<std::uint8_t>(i + 1);

    // Not requested: nothing happens.
    FullFrameFields f = videoFrame(0x00, 0);
    f.payload = payload;
    ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    EXPECT_EQ(stream.flashRecord(), SondeFlashRecord{});

    // Requested: a frame with video does not take it.
    stream.requestFlashRecord();
    ASSERT_EQ(stream.DecodeFullFrame(videoFrame(0x10, 0).build(), true), FrameResult::Ok);
    EXPECT_TRUE(stream.flashRecordRequested());
    recorder.clear();

    // The product tools sheet reads the record while it is being told.
    SondeFlashRecord seen{};
    bus.attach(Role::ProductTools, [&](const Message& m) {
        EXPECT_EQ(m, command(Cmd::FlashRecord));
        seen = stream.flashRecord();
    });
    ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    bus.detach(Role::ProductTools);
    SondeFlashRecord expected{};
    std::copy_n(payload.begin(), expected.size(), expected.begin());
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(stream.flashRecord(), expected);
    EXPECT_FALSE(stream.flashRecordRequested());
    EXPECT_EQ(stream.snapshot().PayloadLength, 202); // N - 54
}

TEST_F(StreamTest, ShortFlashRecordIsZeroFilled) {
    for (std::size_t length : {0u, 10u, 125u, 126u}) {
        SCOPED_TRACE(length);
        // Fill the record with something first.
        FullFrameFields full = videoFrame(0x00, 0);
        full.payload.assign(200, 0xFF);
        stream.requestFlashRecord();
        ASSERT_EQ(stream.DecodeFullFrame(full.build(), true), FrameResult::Ok);

        FullFrameFields f = videoFrame(0x00, 0);
        f.payload.assign(length, 0x5A);
        const Frame frame = f.build();
        stream.requestFlashRecord();
        ASSERT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Ok);
        // What the frame has in place of a payload: N - 54 bytes from offset 49.
        const std::size_t taken = std::min<std::size_t>(length + 2, 128);
        SondeFlashRecord expected{};
        std::copy_n(frame.begin() + 49, taken, expected.begin());
        EXPECT_EQ(stream.flashRecord(), expected);
        EXPECT_EQ(stream.snapshot().PayloadLength, static_cast<int>(length + 2));
    }
}

} // namespace
} // namespace zarn::test
