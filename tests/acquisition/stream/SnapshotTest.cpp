// The record is written by the decoding thread and read by the windows' thread: every snapshot
// is one consistent state, and the requests of other threads are never lost.
#include "tests/acquisition/stream/StreamFixture.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace zarn::test {
namespace {

// Frame k carries k in every field, so a torn snapshot shows fields of different frames.
Frame numberedFrame(std::uint32_t k) {
    FullFrameFields f;
    f.header.depthCount = static_cast<std::int32_t>(k * 1000); // k metres
    f.header.valueA = static_cast<std::uint8_t>(k & 0xFF);
    f.header.valueB = static_cast<std::uint8_t>((k >> 8) & 0xFF);
    f.gammaCount = static_cast<std::uint16_t>(k & 0xFFFF);
    f.upholeDrive = static_cast<std::uint8_t>(k & 0xFF);
    f.cameraDepthCount = static_cast<std::int32_t>(k * 1000);
    f.packetIndex = static_cast<std::uint8_t>(k & 0xFF);
    f.pictureNumber = k;
    f.imageMode = 0x10;
    f.payload.assign(k % 64, static_cast<std::uint8_t>(k));
    return f.build();
}

// The groups of fields the decoder takes together, and their order: the logger header first,
// then the sonde block, then the packet index and picture number.
struct Seen {
    std::uint32_t header, block, picture;
};

Seen check(const MeasurementRecord& r) {
    const auto header = static_cast<std::uint32_t>(std::lround(r.LoggerDepth));
    EXPECT_EQ(r.ValueA, int(header & 0xFF));
    EXPECT_EQ(r.ValueB, int((header >> 8) & 0xFF));
    EXPECT_EQ(r.ValueAText, std::to_string(r.ValueA));
    const auto block = static_cast<std::uint32_t>(std::lround(r.ImageDepth + 0.08));
    EXPECT_EQ(r.GammaCount, int(block & 0xFFFF));
    EXPECT_EQ(r.UpholeDriveText, std::to_string(block & 0xFF));
    EXPECT_EQ(r.PayloadLength, int(block % 64));
    EXPECT_EQ(r.PacketIndex, int(r.PictureNumber & 0xFF));
    EXPECT_GE(header, block);
    EXPECT_LE(header, block + 1);
    EXPECT_GE(block, r.PictureNumber);
    EXPECT_LE(block, r.PictureNumber + 1);
    return Seen{header, block, r.PictureNumber};
}

TEST(StreamSnapshot, ReadersSeeConsistentRecordsWhileFramesAreDecoded) {
    MessageBus bus;
    RecordingSink sink;
    CToolsStream stream(&sink, nullptr, bus);
    stream.setSettings(testSettings());
    ASSERT_EQ(stream.DecodeFullFrame(numberedFrame(1), true), FrameResult::Ok);

    constexpr std::uint32_t frames = 3000;
    std::atomic<bool> done{false};
    std::atomic<int> refreshesSeen{0};
    // The windows re-read the record when told, as they do on the user-interface thread.
    bus.attach(Role::CameraPanel, [&](const Message&) {
        check(stream.snapshot());
        ++refreshesSeen;
    });

    // The decoder starts once the reader below runs, so that a loaded machine cannot finish
    // the frames before the first snapshot is taken.
    std::atomic<bool> reading{false};
    std::thread decoder([&] {
        while (!reading)
            std::this_thread::yield();
        for (std::uint32_t k = 2; k <= frames; ++k)
            EXPECT_EQ(stream.DecodeFullFrame(numberedFrame(k), true), FrameResult::Ok);
        done = true;
    });
    std::thread requester([&] {
        while (!done) {
            stream.resetRecentGoodFrames();
            stream.clearStatusReceived();
            stream.setSettings(testSettings());
            std::this_thread::yield();
        }
    });

    Seen last{0, 0, 0};
    int snapshots = 0;
    reading = true;
    while (!done) {
        const Seen now = check(stream.snapshot());
        EXPECT_GE(now.header, last.header);
        EXPECT_GE(now.block, last.block);
        EXPECT_GE(now.picture, last.picture);
        last = now;
        ++snapshots;
        bus.deliverPosted();
    }
    decoder.join();
    requester.join();
    bus.deliverPosted();

    const MeasurementRecord end = stream.snapshot();
    const Seen final = check(end);
    EXPECT_EQ(final.header, frames);
    EXPECT_EQ(final.picture, frames);
    EXPECT_EQ(end.Counters.GoodFrames, frames);
    EXPECT_GT(snapshots, 0);
    EXPECT_GT(refreshesSeen.load(), 0);
}

TEST(StreamSnapshot, ARequestMadeDuringAFrameIsNotUndoneByItsPublication) {
    MessageBus bus;
    CToolsStream* streamPtr = nullptr;
    // The request arrives from the sink, in the middle of the decoding of a frame, after the
    // decoder has taken the frame's counters.
    struct MidFrameRequest : StreamSink {
        CToolsStream** stream = nullptr;
        bool requestNow = false;
        RecordingDecision recordingRule(MeasurementRecord&) override {
            if (requestNow) {
                (*stream)->resetRecentGoodFrames();
                (*stream)->clearStatusReceived();
                // The published copy shows the request at once.
                EXPECT_EQ((*stream)->snapshot().Counters.RecentGoodFrames, 0u);
                EXPECT_EQ((*stream)->snapshot().LoggerStatus.StatusReceived, 0);
            }
            return RecordingDecision{};
        }
    } sink;
    sink.stream = &streamPtr;
    CToolsStream stream(&sink, nullptr, bus);
    streamPtr = &stream;
    const Frame frame = numberedFrame(5);
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Ok);
    ASSERT_EQ(stream.snapshot().Counters.RecentGoodFrames, 5u);

    sink.requestNow = true;
    ASSERT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Ok);
    const MeasurementRecord r = stream.snapshot();
    EXPECT_EQ(r.Counters.RecentGoodFrames, 0u);
    EXPECT_EQ(r.LoggerStatus.StatusReceived, 0);
    EXPECT_EQ(r.Counters.GoodFrames, 6u);

    sink.requestNow = false;
    ASSERT_EQ(stream.DecodeFullFrame(frame, true), FrameResult::Ok);
    EXPECT_EQ(stream.snapshot().Counters.RecentGoodFrames, 1u);
    EXPECT_EQ(stream.snapshot().LoggerStatus.StatusReceived, 1);
}

// Power-on and replay start show "no data" in the ten orientation results until the next frame
// computes them again.
TEST(StreamSnapshot, OrientationResultsAreClearedUntilTheNextFrame) {
    MessageBus bus;
    CToolsStream stream(nullptr, nullptr, bus);
    FullFrameFields f;
    f.gx = 10000; // the sonde lies on its side: every value is computed
    f.hx = 2000;
    f.hy = 3000;
    f.hz = 4000;
    ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    ASSERT_NE(stream.snapshot().Orientation.GX, NoOrientationData);

    stream.clearOrientationResults();
    const OrientationValues o = stream.snapshot().Orientation;
    for (double v : {o.GX, o.GY, o.GZ, o.HX, o.HY, o.HZ, o.Roll, o.MagneticRoll, o.Inclination,
                     o.Azimuth})
        EXPECT_EQ(v, NoOrientationData);

    ASSERT_EQ(stream.DecodeFullFrame(f.build(), true), FrameResult::Ok);
    EXPECT_EQ(stream.snapshot().Orientation.GX, 10000);
}

} // namespace
} // namespace zarn::test
