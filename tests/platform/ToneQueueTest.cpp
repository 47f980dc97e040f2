#include "platform/ToneQueue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zarn {
namespace {

TEST(ToneQueue, PlaysInOrderAndDropsTheNewestWhenFull) {
    ToneQueue queue;
    for (int i = 0; i < static_cast<int>(ToneQueue::Capacity); ++i)
        EXPECT_TRUE(queue.push({1000 + i, 100}));
    EXPECT_FALSE(queue.push({9999, 100})) << "a full queue drops the new tone";
    EXPECT_EQ(queue.dropped(), 1u);
    for (int i = 0; i < static_cast<int>(ToneQueue::Capacity); ++i) {
        const std::optional<Tone> tone = queue.pop();
        ASSERT_TRUE(tone);
        EXPECT_EQ(tone->frequencyHz, 1000 + i);
    }
    EXPECT_FALSE(queue.pop());
    // The ring wraps: room made by playing takes new tones in order again.
    EXPECT_TRUE(queue.push({1200, 100}));
    EXPECT_TRUE(queue.push({300, 200}));
    EXPECT_EQ(queue.pop(), (Tone{1200, 100}));
    EXPECT_EQ(queue.pop(), (Tone{300, 200}));
}

TEST(ToneQueue, ManyCallersNeverLoseCountOfWhatWasQueuedOrDropped) {
    ToneQueue queue;
    std::vector<std::thread> callers;
    std::atomic<int> queued{0};
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&] {
            for (int i = 0; i < 100; ++i)
                if (queue.push({3000, 100}))
                    ++queued;
        });
    int played = 0;
    for (int i = 0; i < 1000; ++i)
        if (queue.pop())
            ++played;
    for (std::thread& c : callers)
        c.join();
    while (queue.pop())
        ++played;
    EXPECT_EQ(played, queued.load());
    EXPECT_EQ(static_cast<int>(queue.dropped()) + queued.load(), 400);
}

} // namespace
} // namespace zarn
