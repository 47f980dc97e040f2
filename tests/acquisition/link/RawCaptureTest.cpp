#include "acquisition/link/RawCapture.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zarn::test {
namespace {

Bytes withMagic(const Bytes& records) {
    Bytes file(RawCapture::Magic.begin(), RawCapture::Magic.end());
    file.insert(file.end(), records.begin(), records.end());
    return file;
}

std::vector<Bytes> readsOf(const Bytes& file, CaptureReplay& result) {
    std::vector<Bytes> reads;
    result = parseRawCapture(file, [&](std::span<const std::uint8_t> read) {
        reads.emplace_back(read.begin(), read.end());
    });
    return reads;
}

TEST(RawCapture, ReadsComeBackAsTheyWereReceived) {
    TempHome home;
    const auto path = home.file("capture.raw");
    RawCapture capture;
    EXPECT_FALSE(capture.write(Bytes{1, 2})) << "not started";
    ASSERT_TRUE(capture.start(path));
    Bytes thirty(30);
    for (size_t i = 0; i < thirty.size(); ++i)
        thirty[i] = static_cast<std::uint8_t>(i);
    const std::vector<Bytes> written = {Bytes(24, 0x55), Bytes{0x99}, Bytes{1, 2, 3, 4, 5}, thirty};
    for (const Bytes& w : written)
        ASSERT_TRUE(capture.write(w));
    // Every record is on disk as soon as it is written.
    const std::string onDisk = home.read("capture.raw");
    capture.stop();
    EXPECT_FALSE(capture.active());

    CaptureReplay result;
    const std::vector<Bytes> reads = readsOf(Bytes(onDisk.begin(), onDisk.end()), result);
    EXPECT_TRUE(result.complete) << result.error;
    // A piece longer than a read is kept as reads of at most 24 bytes.
    EXPECT_THAT(reads, testing::ElementsAre(written[0], written[1], written[2],
                                            Bytes(thirty.begin(), thirty.begin() + 24),
                                            Bytes(thirty.begin() + 24, thirty.end())));
    EXPECT_EQ(result.reads, 5u);
    EXPECT_EQ(result.bytes, 60u);
}

TEST(RawCapture, AFileThatCannotBeWrittenIsRefused) {
    RawCapture capture;
    EXPECT_FALSE(capture.start("/nonexistent-folder/capture.raw"));
    EXPECT_FALSE(capture.start("/dev/full")) << "the first write fails";
    EXPECT_FALSE(capture.active());
}

TEST(RawCapture, DamagedCapturesStopAtTheFirstBadRecordWithAClearError) {
    struct Case {
        const char* name;
        Bytes file;
        std::vector<Bytes> reads;
        std::string error; // empty: complete
    };
    Bytes full24 = {24};
    full24.insert(full24.end(), 24, 0x11);
    Bytes tooLong = {25};
    tooLong.insert(tooLong.end(), 25, 0x11);
    const std::vector<Case> cases = {
        {"empty", {}, {}, "not a raw capture"},
        {"magic cut short",
         Bytes(RawCapture::Magic.begin(), RawCapture::Magic.end() - 1),
         {},
         "not a raw capture"},
        {"another file",
         Bytes{'X', 'R', 'A', 'W', 'C', 'A', 'P', '1', 1, 0},
         {},
         "not a raw capture"},
        {"no reads", withMagic({}), {}, ""},
        {"two reads", withMagic({3, 7, 8, 9, 1, 4}), {{7, 8, 9}, {4}}, ""},
        {"a whole read", withMagic(full24), {Bytes(24, 0x11)}, ""},
        {"an empty record", withMagic({2, 1, 2, 0, 5}), {{1, 2}}, "damaged record at byte 11"},
        {"a record longer than a read", withMagic(tooLong), {}, "damaged record at byte 8"},
        {"the last record cut short",
         withMagic({1, 6, 5, 1, 2}),
         {{6}},
         "capture cut short at byte 10"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureReplay result;
        EXPECT_EQ(readsOf(c.file, result), c.reads);
        EXPECT_EQ(result.complete, c.error.empty());
        EXPECT_EQ(result.error, c.error);
    }
}

TEST(RawCapture, AReplayRunsTheCaptureThroughTheFraming) {
    TempHome home;
    const auto path = home.file("capture.raw");
    const Bytes stream = concat(
        {packet(1, shortFrameNo(1)), packet(2, fullFrameNo(2, 90)), packet(3, statusFrameNo(3))});
    {
        RawCapture capture;
        ASSERT_TRUE(capture.start(path));
        for (size_t at = 0; at < stream.size(); at += 13)
            EXPECT_TRUE(capture.write(
                std::span(stream).subspan(at, std::min<size_t>(13, stream.size() - at))));
    }
    RecordingHandler handler;
    PacketFramer framer(handler);
    const CaptureReplay result = replayRawCapture(path, framer);
    EXPECT_TRUE(result.complete);
    EXPECT_THAT(handler.frames,
                testing::ElementsAre(shortFrameNo(1), fullFrameNo(2, 90), statusFrameNo(3)));

    RecordingHandler none;
    PacketFramer unused(none);
    const CaptureReplay missing = replayRawCapture(home.file("missing.raw"), unused);
    EXPECT_FALSE(missing.complete);
    EXPECT_THAT(missing.error, testing::StartsWith("cannot read "));
}

} // namespace
} // namespace zarn::test
