// The engine works on the application's configuration store: the settings windows' edits reach
// its decoder and row builder, and its own edits are saved by the store's saver.
#include "acquisition/engine/AcquisitionEngine.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(EngineConfiguration, EditsOfTheApplicationsStoreReachTheDecoderAndTheRows) {
    Configuration loaded;
    loaded.logger.shutter = 10;
    loaded.program.depthUnit = 0;
    ConfigurationStore store(loaded);
    int saves = 0;
    store.setSaver(&saves, [&] {
        ++saves;
        return true;
    });
    MessageBus bus;
    EngineSetup setup;
    setup.store = &store;
    setup.configuration.logger.shutter = 3; // not used: the store is the configuration
    AcquisitionEngine engine(setup, bus);
    EXPECT_EQ(engine.stream().settings().shutter, 10);
    EXPECT_FALSE(engine.image().settings().feet);

    // A settings window edits the store.
    ASSERT_TRUE(store.edit([](Configuration& c) {
        c.logger.shutter = 14;
        c.logger.magneticOffset = 2.5;
        c.program.depthUnit = 1;
    }));
    EXPECT_EQ(engine.configuration().logger.shutter, 14);
    EXPECT_EQ(engine.stream().settings().shutter, 14);
    EXPECT_EQ(engine.stream().settings().magneticOffset, 2.5);
    EXPECT_TRUE(engine.image().settings().feet);

    // The engine's own edit goes into the same store and is saved.
    EXPECT_TRUE(engine.editConfiguration([](Configuration& c) { c.program.depthUnit = 0; }));
    EXPECT_EQ(store.snapshot().program.depthUnit, 0);
    EXPECT_FALSE(engine.image().settings().feet);
    EXPECT_EQ(saves, 2);
}

TEST(EngineConfiguration, WithoutAStoreTheEngineKeepsItsOwnFromTheSetup) {
    MessageBus bus;
    EngineSetup setup;
    setup.configuration.logger.shutter = 7;
    AcquisitionEngine engine(setup, bus);
    EXPECT_EQ(engine.stream().settings().shutter, 7);
    EXPECT_TRUE(engine.editConfiguration([](Configuration& c) { c.logger.shutter = 9; }));
    EXPECT_EQ(engine.configuration().logger.shutter, 9);
    EXPECT_EQ(engine.stream().settings().shutter, 9);
}

} // namespace
} // namespace zarn
