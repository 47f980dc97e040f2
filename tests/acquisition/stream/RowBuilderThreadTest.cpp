// The image memory is written by the decoding thread and copied by the window's thread: a copy
// never sees half a row (run under the thread sanitizer as well).
#include "tests/acquisition/stream/RowBuilderFixture.h"

#include <atomic>
#include <string>
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
    constexpr int PayloadsBetweenCopies = 50;
    // Copies made so far. The decoding thread waits for a new one every PayloadsBetweenCopies
    // payloads, so that copies are made while it writes however the threads are scheduled.
    std::atomic<int> copies{0};
    std::atomic<bool> copying{true};
    std::atomic<bool> done{false};
    std::thread decoder([&] {
        int drawn = 0;
        for (int p = 0; p < Payloads; ++p) {
            if (p % PayloadsBetweenCopies == 0) {
                const int seen = copies.load();
                while (copying && copies.load() == seen)
                    copies.wait(seen);
            }
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

    // A fault ends the copying only: the threads are joined before the test ends.
    std::string fault;
    int made = 0;
    PixelImage window;
    while (!done && fault.empty()) {
        if (!bmp.ShowImage(window, true))
            fault = "the band could not be copied";
        for (int y = 0; y < window.height() && fault.empty(); ++y) {
            const std::uint32_t* row = window.row(y);
            for (int x = 1; x <= 720 && fault.empty(); ++x)
                if (row[x] != row[1])
                    fault = "a torn row at band row " + std::to_string(y);
        }
        if (bmp.CopyImageMemory().height() != TestMemoryHeight)
            fault = "a memory copy of the wrong height";
        ++made;
        copies.fetch_add(1);
        copies.notify_all();
    }
    copying = false;
    copies.fetch_add(1);
    copies.notify_all();
    decoder.join();
    resetter.join();
    EXPECT_EQ(fault, "");
    // At least one copy within each stretch of the decoding thread's writing.
    EXPECT_GE(made, Payloads / PayloadsBetweenCopies);
}

} // namespace
} // namespace zarn::test
