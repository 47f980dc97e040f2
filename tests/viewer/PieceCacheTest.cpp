// The band cache: claims (empty, decoding, ready), least recently used eviction within the
// budget, a band in use surviving its eviction, and waiting for a band another thread decodes.
#include "viewer/PieceCache.h"

#include <gtest/gtest.h>

#include <thread>

namespace lvviewer::test {
namespace {

Band bandOf(int rows, std::uint32_t fill = 0) {
    Band band;
    band.pixels.resize(256, rows, fill); // 1 KiB a row
    return band;
}

TEST(PieceCache, ClaimsPublishAndEvictTheLeastRecentlyUsed) {
    PieceCache cache(10 * 1024); // ten rows
    BandPtr got;
    EXPECT_EQ(cache.claim({1, 0}, &got), PieceCache::Claim::Claimed);
    EXPECT_EQ(cache.claim({1, 0}, &got), PieceCache::Claim::Busy);
    cache.publish({1, 0}, bandOf(4, 1));
    EXPECT_EQ(cache.claim({1, 0}, &got), PieceCache::Claim::Ready);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->pixels.at(0, 0), 1u);
    for (const BandKey key : {BandKey{1, 1}, BandKey{2, 0}}) {
        ASSERT_EQ(cache.claim(key, nullptr), PieceCache::Claim::Claimed);
        cache.publish(key, bandOf(3));
    }
    EXPECT_EQ(cache.bytes(), 10u * 1024);
    // {1, 0} used again, so {1, 1} is now the least recently used and goes first.
    EXPECT_EQ(cache.claim({1, 0}, nullptr), PieceCache::Claim::Ready);
    ASSERT_EQ(cache.claim({3, 0}, nullptr), PieceCache::Claim::Claimed);
    cache.publish({3, 0}, bandOf(3));
    EXPECT_FALSE(cache.holds({1, 1}));
    EXPECT_TRUE(cache.holds({1, 0}) && cache.holds({2, 0}) && cache.holds({3, 0}));
    EXPECT_EQ(cache.bytes(), 10u * 1024);
    EXPECT_EQ(cache.peakBytes(), 10u * 1024);
    // A band larger than the budget is still held, alone; the one in use lives on.
    ASSERT_EQ(cache.claim({4, 0}, nullptr), PieceCache::Claim::Claimed);
    cache.publish({4, 0}, bandOf(12));
    EXPECT_EQ(cache.readyCount(), 1u);
    EXPECT_EQ(got->pixels.at(255, 3), 1u);
    EXPECT_EQ(cache.published(), 5u);
    cache.clear();
    EXPECT_EQ(cache.bytes(), 0u);
    EXPECT_EQ(cache.claim({4, 0}, nullptr), PieceCache::Claim::Claimed);
}

TEST(PieceCache, AWaiterGetsTheBandAnotherThreadDecodesOrNothingWhenItIsAbandoned) {
    PieceCache cache;
    ASSERT_EQ(cache.claim({0, 0}, nullptr), PieceCache::Claim::Claimed);
    ASSERT_EQ(cache.claim({0, 1}, nullptr), PieceCache::Claim::Claimed);
    std::thread decoder([&] {
        cache.publish({0, 0}, bandOf(2, 7));
        cache.abandon({0, 1});
    });
    const BandPtr ready = cache.waitFor({0, 0});
    const BandPtr abandoned = cache.waitFor({0, 1});
    decoder.join();
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->pixels.at(3, 1), 7u);
    EXPECT_FALSE(abandoned);
    EXPECT_EQ(cache.claim({0, 1}, nullptr), PieceCache::Claim::Claimed);
}

} // namespace
} // namespace lvviewer::test
