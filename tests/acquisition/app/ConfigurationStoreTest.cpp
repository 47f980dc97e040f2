#include "acquisition/app/ConfigurationStore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace zarn {
namespace {

// One edit sets several fields of different records to the same number; a consistent record has
// them all equal.
void stamp(Configuration& c, int n) {
    c.surface.upholeGain = n;
    c.logger.pulsesPerTurn = n;
    c.program.recordSplit = n;
    c.paths.fileName = "Well" + std::to_string(n) + ".lox";
}

bool consistent(const Configuration& c) {
    const int n = c.surface.upholeGain;
    return c.logger.pulsesPerTurn == n && c.program.recordSplit == n &&
           c.paths.fileName == "Well" + std::to_string(n) + ".lox";
}

TEST(ConfigurationStore, ConcurrentEditsAndReadsSeeWholeRecordsAndAreSavedInOrder) {
    ConfigurationStore store;
    EXPECT_TRUE(store.edit([](Configuration& c) { stamp(c, 0); }));
    std::vector<int> saved; // written by the saver, which runs in edit order
    store.setSaver(&saved, [&] {
        const Configuration c = store.snapshot();
        EXPECT_TRUE(consistent(c));
        saved.push_back(c.surface.upholeGain);
        return true;
    });
    std::atomic<int> told{0};
    store.listen(&told, [&] { ++told; });

    constexpr int Edits = 2000;
    constexpr int EditorsCount = 2;
    std::atomic<bool> done{false};
    std::atomic<int> inconsistent{0};
    std::atomic<long> reads{0};
    std::vector<std::thread> threads;
    // Readers: snapshots from any thread, and short reads under the lock as the link makes them.
    for (int r = 0; r < 2; ++r)
        threads.emplace_back([&, r] {
            while (!done) {
                if (r == 0) {
                    if (!consistent(store.snapshot()))
                        ++inconsistent;
                } else {
                    store.modify([&](Configuration& c) {
                        if (!consistent(c))
                            ++inconsistent;
                        c.logger.depthScale += 1.0; // a working value of the link
                    });
                }
                ++reads;
            }
        });
    std::atomic<int> next{1};
    std::vector<std::thread> editors;
    for (int e = 0; e < EditorsCount; ++e)
        editors.emplace_back([&] {
            for (int i = 0; i < Edits; ++i) {
                EXPECT_TRUE(store.edit([&](Configuration& c) { stamp(c, next++); }));
            }
        });
    for (auto& t : editors)
        t.join();
    done = true;
    for (auto& t : threads)
        t.join();

    EXPECT_EQ(inconsistent.load(), 0);
    EXPECT_GT(reads.load(), 0);
    ASSERT_EQ(saved.size(), static_cast<std::size_t>(EditorsCount * Edits));
    for (std::size_t i = 1; i < saved.size(); ++i)
        ASSERT_LT(saved[i - 1], saved[i]) << "saved out of order at " << i;
    EXPECT_EQ(saved.back(), EditorsCount * Edits);
    EXPECT_EQ(told.load(), EditorsCount * Edits);
    EXPECT_TRUE(consistent(store.snapshot()));
}

TEST(ConfigurationStore, EditsAreSavedAndAnnouncedButWorkingValuesAreNot) {
    ConfigurationStore store;
    int saves = 0;
    int told = 0;
    bool saverWorks = true;
    const int preferences = 0;
    const int engine = 0;
    store.setSaver(&preferences, [&] {
        ++saves;
        return saverWorks;
    });
    store.listen(&engine, [&] { ++told; });

    store.modify([](Configuration& c) { c.logger.depthScale = 80.0; });
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(told, 0);

    EXPECT_TRUE(store.edit([](Configuration& c) { c.logger.shutter = 12; }));
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(told, 1);

    // A file that cannot be written: the edit stays in memory and says so.
    saverWorks = false;
    EXPECT_FALSE(store.edit([](Configuration& c) { c.logger.shutter = 14; }));
    EXPECT_EQ(store.snapshot().logger.shutter, 14);
    EXPECT_FALSE(store.save());
    saverWorks = true;

    // A loaded configuration is announced, not saved.
    Configuration loaded;
    loaded.logger.shutter = 5;
    store.publish(loaded);
    EXPECT_EQ(saves, 3);
    EXPECT_EQ(told, 3);
    EXPECT_EQ(store.snapshot().logger.shutter, 5);

    // Only the owner drops its saver; without one, edits are kept in memory.
    const int other = 0;
    store.dropSaver(&other);
    EXPECT_TRUE(store.edit([](Configuration& c) { c.logger.shutter = 6; }));
    EXPECT_EQ(saves, 4);
    store.dropSaver(&preferences);
    store.stopListening(&engine);
    EXPECT_TRUE(store.edit([](Configuration& c) { c.logger.shutter = 7; }));
    EXPECT_EQ(saves, 4);
    EXPECT_EQ(told, 4);
    EXPECT_EQ(store.snapshot().logger.shutter, 7);
}

} // namespace
} // namespace zarn
