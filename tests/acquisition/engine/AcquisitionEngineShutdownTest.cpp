// The engine's shutdown through the tests' bridge library: a link thread that outlives the
// shutdown's wait is still joined before the parts it calls into are destroyed.
#include "acquisition/engine/AcquisitionEngine.h"
#include "platform/ProfileFile.h"
#include "tests/acquisition/link/FramingTestSupport.h"
#include "tests/acquisition/link/LinkTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace zarn::test {
namespace {

using namespace std::chrono_literals;

// Marks its own destruction: held by the engine's row observer, it goes with the engine's parts.
struct DestructionMark {
    explicit DestructionMark(std::atomic<bool>& flag) : destroyed(flag) {}
    ~DestructionMark() { destroyed = true; }
    std::atomic<bool>& destroyed;
};

class EngineShutdown : public ::testing::Test {
protected:
    void SetUp() override {
        logs.setFolder(home.path());
        TechnicalSwitches on;
        on.debuggingTools = true;
        logs.setSwitches(on);
    }
    void TearDown() override { logs.setSwitches(TechnicalSwitches{}); }

    std::optional<std::string> errorLogEntry(const std::string& location) {
        const ProfileDocument doc = ProfileFile::load(logs.errorLogPath());
        for (const std::string& section : doc.sectionNames())
            if (auto value = doc.get(section, location))
                return value;
        return std::nullopt;
    }

    TempHome home;
    RecordingUserMessages messages;
    DiagnosticLogs& logs = DiagnosticLogs::instance();
    TestBridge bridge;
    MessageBus bus;
};

TEST_F(EngineShutdown, AReaderLateForTheShutdownsWaitIsJoinedBeforeThePartsItUsesGo) {
    EngineSetup setup;
    setup.timings = LinkTimings{5ms, 5ms, 5ms, 2ms, 20ms};
    auto engine = std::make_unique<AcquisitionEngine>(setup, bus);
    std::atomic<bool> partsDestroyed{false};
    engine->setRowObserver(
        [mark = std::make_shared<DestructionMark>(partsDestroyed)](const DrawnRow&, double) {});
    ASSERT_TRUE(engine->startLink());
    CUSB& link = engine->link();
    ASSERT_TRUE(waitDelivering(
        bus, [&] { return linkConnected(link) && bridge.writes().size() == 4; }, 10s));

    // The reader is caught inside a read that outlasts the shutdown's wait; a frame waits
    // behind it.
    bridge.holdReads(true);
    ASSERT_TRUE(bridge.waitHeldReader());
    bridge.queueStream(packet(1, shortFrameNo(1))); // one read of 24 bytes

    std::atomic<bool> engineGone{false};
    std::thread closing([&] {
        engine.reset();
        engineGone = true;
    });
    // The shutdown's wait ran out with the reader still inside its read.
    const bool waitRanOut = waitUntil([&] { return errorLogEntry("CUSB").has_value(); }, 10s);
    EXPECT_TRUE(waitRanOut);
    EXPECT_EQ(errorLogEntry("CUSB"),
              std::optional<std::string>("Reader thread still running 20 ms after the closing "
                                         "flag"));
    EXPECT_FALSE(partsDestroyed.load()) << "the engine's parts went while the reader ran";
    EXPECT_FALSE(engineGone.load());

    // The read returns with the frame, which goes to the decoder still there; then the reader
    // sees the closing flag and ends, and the engine goes.
    bridge.holdReads(false);
    closing.join();
    EXPECT_TRUE(engineGone.load());
    EXPECT_TRUE(partsDestroyed.load());
    EXPECT_EQ(bridge.readsLeft(), 0u) << "the late reader read the waiting frame";
}

} // namespace
} // namespace zarn::test
