#include "platform/MessageBus.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <thread>

namespace zarn {
namespace {

using Received = test::MessageRecorder::Received;

TEST(MessageBus, PostsWaitForDeliveryAndSendsRunAtOnce) {
    MessageBus bus;
    test::MessageRecorder recorder(bus, {Role::CommunicationPage, Role::DiagnosticPanel});
    bus.post(Role::CommunicationPage, command(Cmd::CommunicationRefresh));
    bus.send(Role::DiagnosticPanel, command(Cmd::CommunicationRefresh));
    bus.post(Role::ProbePage, command(Cmd::ReadBackRefresh));  // nobody registered: dropped
    const std::vector<Received> expected = {
        {Role::DiagnosticPanel, command(Cmd::CommunicationRefresh), true},
        {Role::CommunicationPage, command(Cmd::CommunicationRefresh), false},
    };
    EXPECT_EQ(recorder.received(), expected);
}

TEST(MessageBus, PostsFromOtherThreadsArriveInOrderWithWakeUps) {
    MessageBus bus;
    std::atomic<int> wakeUps{0};
    bus.setWakeUp([&] { ++wakeUps; });
    test::MessageRecorder recorder(bus, {Role::MainWindow});
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            bus.post(Role::MainWindow, privateMessage(Cmd::MainWindowPrivate, i));
    });
    poster.join();
    const auto got = recorder.received();
    ASSERT_EQ(got.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(got[static_cast<size_t>(i)].message.param, i);
    EXPECT_EQ(wakeUps.load(), 100);
}

} // namespace
} // namespace zarn
