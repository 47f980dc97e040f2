#include "tests/acquisition/link/LinkTestSupport.h"

#include <thread>

namespace zarn::test {
namespace {

// Three threads send at once, each its own frame kind carrying its own running number, while
// the device takes at most 4 bytes per write. Every frame must arrive whole, with a valid
// checksum, and each thread's numbers in the order it sent them.
TEST_F(LinkFixture, FramesFromThreeThreadsArriveWholeAndInEachThreadsOrder) {
    constexpr int PerThread = 150;
    bridge.writeChunk(4);
    settings.modify([](Configuration& c) { c.logger.depthScale = 1.0; });

    std::thread depth([&] {
        for (int i = 0; i < PerThread; ++i) {
            settings.modify([i](Configuration& c) { c.logger.presetDepthMetres = i; });
            ASSERT_TRUE(usb->sendF2());
        }
    });
    std::thread circle([&] {
        for (int i = 0; i < PerThread; ++i) {
            settings.modify([i](Configuration& c) { c.logger.imageCircleRadius = i; });
            ASSERT_TRUE(usb->sendF13PictureCircle());
        }
    });
    std::thread view([&] {
        for (int i = 0; i < PerThread; ++i) {
            settings.modify([i](Configuration& c) { c.logger.probeSpeed = i; });
            ASSERT_TRUE(usb->sendF13ViewMode());
        }
    });
    depth.join();
    circle.join();
    view.join();
    drain();
    EXPECT_FALSE(bridge.overlapped()) << "two writes were inside the device at once";

    std::vector<int> depths, radii, speeds;
    const Bytes stream = bridge.stream();
    size_t at = 0;
    while (at < stream.size()) {
        const size_t length = stream[at] == 0x02 ? 6 : stream[at] == 0x0D ? 9 : 0;
        ASSERT_NE(length, 0u) << "unknown frame start at byte " << at;
        ASSERT_LE(at + length, stream.size()) << "cut frame at byte " << at;
        const std::span<const std::uint8_t> frame(stream.data() + at, length);
        ASSERT_TRUE(CommandFrames::verifyChecksum(frame)) << "mixed frame at byte " << at;
        if (frame[0] == 0x02)
            depths.push_back(frame[1] | frame[2] << 8 | frame[3] << 16 | frame[4] << 24);
        else if (frame[1] == 0x03)
            radii.push_back(frame[2] | frame[3] << 8);
        else if (frame[1] == 0x00)
            speeds.push_back(frame[5] | frame[6] << 8);
        else
            FAIL() << "unexpected order " << int(frame[1]);
        at += length;
    }
    std::vector<int> expectedDepths, expectedNumbers;
    for (int i = 0; i < PerThread; ++i) {
        expectedDepths.push_back(i * 100); // depth scale 1 x 100 x metres
        expectedNumbers.push_back(i);
    }
    EXPECT_EQ(depths, expectedDepths);
    EXPECT_EQ(radii, expectedNumbers);
    EXPECT_EQ(speeds, expectedNumbers);
}

} // namespace
} // namespace zarn::test
