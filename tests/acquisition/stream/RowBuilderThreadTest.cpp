// The image memory is written by the decoding thread and copied by the window's thread: a copy
// never sees half a row (run under the thread sanitizer as well).
#include "tests/acquisition/stream/RowBuilderFixture.h"

#include <atomic>
#include <thread>

namespace zarn::test {
namespace {

std::uint32_t colourOf(int k) {
    return pixelOf(k & 0xFF, (k >> 8) & 0xFF, 0x55, 0);
}

// The window's refresh step runs on the decoding thread after every row, as the main window's
// does: it copies the band too.
class RefreshingHost : public RecordingHost {
public:
    void rowDrawn(const DrawnRow&) override {
        if (bmp)
            bmp->ShowImage(window);
    }
    CToolsBmp* bmp = nullptr;
    PixelImage window;
};

TEST(RowBuilderThreads, CopiesNeverOverlapTheWritingOfARow) {
    MessageBus bus;
    RefreshingHost host;
    host.recording = true;
    CToolsBmp bmp(&host, bus);
    ASSERT_TRUE(bmp.DrawImageBuffer(TestRowWidth, TestScaleWidth, TestVisibleHeight));
    host.bmp = &bmp;
    ImageRowSettings s;
    s.refreshRows = 3;
    bmp.setSettings(s);

    constexpr int Payloads = 600;
    std::atomic<bool> done{false};
    std::thread decoder([&] {
        int drawn = 0;
        for (int p = 0; p < Payloads; ++p) {
            // Both directions, so that the rows wrap at both ends.
            const int direction = (p / 100) % 2 == 0 ? 1 : 0;
            bmp.DrawDctRows(stripOf(720, [&](int r) { return colourOf(drawn + r); }), 720,
                            direction, frameRecord(1.0 + p * 0.001));
            drawn += 8;
        }
        done = true;
    });
    std::thread resetter([&] {
        while (!done) {
            bmp.RestartDisplay();
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            bmp.setSettings(s);
        }
    });

    int copies = 0;
    PixelImage window;
    while (!done) {
        ASSERT_TRUE(bmp.ShowImage(window, true));
        ++copies;
        for (int y = 0; y < window.height(); ++y) {
            const std::uint32_t* row = window.row(y);
            const std::uint32_t first = row[1];
            for (int x = 1; x <= 720; ++x)
                ASSERT_EQ(row[x], first) << "a torn row at band row " << y;
        }
        const PixelImage memory = bmp.CopyImageMemory();
        ASSERT_EQ(memory.height(), TestMemoryHeight);
    }
    decoder.join();
    resetter.join();
    EXPECT_GT(copies, 0);
}

} // namespace
} // namespace zarn::test
