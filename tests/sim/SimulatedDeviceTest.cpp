// The simulated USB device: identity and opening, reads that honour the timeouts and the
// latency timer, writes that reach the logger, fast mode waiting for a re-request, unplugging on
// schedule, the report of what became of every packet, and calls from several threads at once.
#include "sim/SimulatedDevice.h"
#include "acquisition/wire/FrameLayout.h"
#include "platform/Format.h"
#include "platform/ProfileDocument.h"
#include "platform/ftd2xx/EepromReadRecord.h"
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace zarn::sim {
namespace {

using Clock = std::chrono::steady_clock;
using test::ini;
using test::PacketSplitter;

double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

TEST(SimulatedDevice, OpensAsDeviceZeroByDescriptionOrSerialAndTellsItsIdentity) {
    SimulatedDevice device(SimulatorSettings::parse(ini({"[Device]", "SerialNumber = QV-777"})));
    struct Case {
        const char* what;
        std::function<FT_STATUS(FT_HANDLE*)> open;
        FT_STATUS expected;
    };
    const Case cases[] = {
        {"index 0", [&](FT_HANDLE* h) { return device.open(0, h); }, FT_OK},
        {"index 1", [&](FT_HANDLE* h) { return device.open(1, h); }, FT_DEVICE_NOT_FOUND},
        {"description",
         [&](FT_HANDLE* h) { return device.openEx("LUMIVANE Logger", FT_OPEN_BY_DESCRIPTION, h); },
         FT_OK},
        {"other description",
         [&](FT_HANDLE* h) { return device.openEx("Logger", FT_OPEN_BY_DESCRIPTION, h); },
         FT_DEVICE_NOT_FOUND},
        {"serial",
         [&](FT_HANDLE* h) { return device.openEx("QV-777", FT_OPEN_BY_SERIAL_NUMBER, h); }, FT_OK},
        {"serial prefix",
         [&](FT_HANDLE* h) { return device.openEx("QV-7", FT_OPEN_BY_SERIAL_NUMBER, h); },
         FT_DEVICE_NOT_FOUND},
        {"unknown way", [&](FT_HANDLE* h) { return device.openEx("QV-777", 3, h); },
         FT_INVALID_PARAMETER},
        {"no text",
         [&](FT_HANDLE* h) { return device.openEx(nullptr, FT_OPEN_BY_SERIAL_NUMBER, h); },
         FT_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        FT_HANDLE h = nullptr;
        EXPECT_EQ(c.open(&h), c.expected) << c.what;
        if (c.expected != FT_OK) {
            EXPECT_EQ(h, nullptr) << c.what;
            continue;
        }
        FT_HANDLE second = nullptr;
        EXPECT_EQ(device.open(0, &second), FT_DEVICE_NOT_OPENED) << c.what;
        EepromReadRecord eeprom;
        ASSERT_EQ(device.eeRead(h, eeprom.record()), FT_OK);
        EXPECT_EQ(eeprom.vendorId(), 0x0403);
        EXPECT_EQ(eeprom.productId(), 0x6001);
        EXPECT_EQ(eeprom.serialNumber(), "QV-777");
        EXPECT_EQ(eeprom.description(), "LUMIVANE Logger");
        // A record without the signatures is not the documented layout: refused, untouched.
        EepromReadRecord unsignedRecord;
        unsignedRecord.record()->Signature2 = 0;
        EXPECT_EQ(device.eeRead(h, unsignedRecord.record()), FT_INVALID_PARAMETER);
        EXPECT_EQ(unsignedRecord.vendorId(), 0);
        EXPECT_EQ(unsignedRecord.serialNumber(), "");
        EXPECT_EQ(device.close(h), FT_OK);
        // A closed handle is refused by every call, and never comes back.
        std::uint32_t n = 0;
        std::uint8_t byte = 0;
        EXPECT_EQ(device.getQueueStatus(h, &n), FT_INVALID_HANDLE);
        EXPECT_EQ(device.read(h, &byte, 1, &n), FT_INVALID_HANDLE);
        EXPECT_EQ(device.write(h, &byte, 1, &n), FT_INVALID_HANDLE);
        EXPECT_EQ(device.close(h), FT_INVALID_HANDLE);
        FT_HANDLE again = nullptr;
        ASSERT_EQ(device.open(0, &again), FT_OK);
        EXPECT_NE(again, h);
        EXPECT_EQ(device.close(again), FT_OK);
    }
}

TEST(SimulatedDevice, ReadsWaitForTheNextPacketUpToTheTimeout) {
    // Status frames (28-byte packets) every 400 ms.
    SimulatedDevice device(SimulatorSettings::parse(ini({"[Logger]", "StatusPeriod = 400"})));
    FT_HANDLE h = nullptr;
    ASSERT_EQ(device.open(0, &h), FT_OK);
    ASSERT_EQ(device.setLatencyTimer(h, 2), FT_OK);
    std::uint8_t buffer[256];
    std::uint32_t n = 0;
    // The first packet is there at once.
    ASSERT_EQ(device.setTimeouts(h, 1000, 100), FT_OK);
    auto start = Clock::now();
    ASSERT_EQ(device.read(h, buffer, 28, &n), FT_OK);
    EXPECT_EQ(n, 28u);
    EXPECT_LT(msSince(start), 200);
    // Nothing more within 60 ms: the read returns empty when its timeout ends.
    ASSERT_EQ(device.setTimeouts(h, 60, 100), FT_OK);
    start = Clock::now();
    ASSERT_EQ(device.read(h, buffer, 28, &n), FT_OK);
    EXPECT_EQ(n, 0u);
    EXPECT_GE(msSince(start), 59);
    EXPECT_LT(msSince(start), 300);
    // A longer timeout sees the next packet arrive; a read wanting more returns what came once
    // the latency timer has run out, without waiting for the timeout.
    ASSERT_EQ(device.setTimeouts(h, 3000, 100), FT_OK);
    start = Clock::now();
    ASSERT_EQ(device.read(h, buffer, sizeof buffer, &n), FT_OK);
    EXPECT_EQ(n, 28u);
    EXPECT_GT(msSince(start), 150);
    EXPECT_LT(msSince(start), 1500);
    PacketSplitter splitter;
    splitter.feed({buffer, n});
    EXPECT_TRUE(splitter.next().has_value());
    EXPECT_EQ(device.close(h), FT_OK);
}

TEST(SimulatedDevice, WritesReachTheLoggerAndPurgeEmptiesTheQueue) {
    SimulatedDevice device(SimulatorSettings::parse(
        ini({"[Device]", "FastMode = yes", "[Logger]", "BootTime = 0", "SondeStartTime = 0"})));
    FT_HANDLE h = nullptr;
    ASSERT_EQ(device.open(0, &h), FT_OK);
    std::uint32_t n = 0;
    ASSERT_EQ(device.getQueueStatus(h, &n), FT_OK);
    EXPECT_EQ(n, 28u); // fast mode: one status packet whenever the queue runs dry
    ASSERT_EQ(device.purge(h, FT_PURGE_RX), FT_OK);
    test::ProgramSide program;
    const auto f11 = program.f11();
    std::uint32_t written = 0;
    ASSERT_EQ(device.write(h, f11.data(), static_cast<std::uint32_t>(f11.size()), &written), FT_OK);
    EXPECT_EQ(written, f11.size());
    device.inspect([](const Logger& logger, double now) {
        EXPECT_EQ(logger.phase(now), LoggerPhase::On); // no boot time configured
    });
    std::vector<std::uint8_t> bytes(4096);
    ASSERT_EQ(device.read(h, bytes.data(), 4096, &n), FT_OK);
    EXPECT_EQ(n, 4096u);
    PacketSplitter splitter;
    splitter.feed({bytes.data(), n});
    const auto first = splitter.next();
    ASSERT_TRUE(first.has_value());
    EXPECT_GT(first->frame.size(), 56u); // the sonde is on
    EXPECT_EQ(splitter.rejected(), 0u);
    EXPECT_EQ(device.close(h), FT_OK);
}

// Fast mode after a video packet lost on the line: once a packet has shown the gap, nothing more
// comes until the program's re-request reaches the logger (then the packet sent again comes
// first), or until the program has had a quarter of a second to ask.
TEST(SimulatedDevice, FastModeWaitsForTheReRequestAfterALostVideoPacket) {
    SimulatedDevice device(
        SimulatorSettings::parse(ini({"[Device]", "FastMode = yes", "[Sonde]", "Powered = yes",
                                      "[Faults]", "LostVideoPacketsAt = 3, 6"})));
    FT_HANDLE h = nullptr;
    ASSERT_EQ(device.open(0, &h), FT_OK);
    ASSERT_EQ(device.setTimeouts(h, 50, 100), FT_OK);
    ASSERT_EQ(device.setLatencyTimer(h, 2), FT_OK);
    PacketSplitter splitter;
    // The packet indexes of the frames the next read brings, and how long it took.
    const auto readFrames = [&](std::vector<int>& indexes) {
        std::vector<std::uint8_t> bytes(16 * 1024); // room for several packets
        std::uint32_t n = 0;
        const auto start = Clock::now();
        EXPECT_EQ(device.read(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &n),
                  FT_OK);
        splitter.feed({bytes.data(), n});
        while (const auto p = splitter.next())
            indexes.push_back(p->frame[frame::full::SondeBlock + frame::sonde::PacketIndex]);
        return msSince(start);
    };

    std::vector<int> indexes;
    readFrames(indexes);
    ASSERT_EQ(indexes, (std::vector<int>{0, 1, 3})); // index 2 lost, 3 shows the gap
    indexes.clear();
    readFrames(indexes);
    EXPECT_TRUE(indexes.empty()) << "held until the re-request or the reaction time";

    test::ProgramSide program;
    const auto request = program.request(2);
    std::uint32_t written = 0;
    ASSERT_EQ(device.write(h, request.data(), static_cast<std::uint32_t>(request.size()), &written),
              FT_OK);
    readFrames(indexes);
    ASSERT_EQ(indexes, (std::vector<int>{2, 4, 6})); // sent again first; 5 lost, 6 shows it

    // No re-request this time: the packets go on once the reaction time has passed.
    indexes.clear();
    ASSERT_EQ(device.setTimeouts(h, 2000, 100), FT_OK);
    const double waited = readFrames(indexes);
    ASSERT_FALSE(indexes.empty());
    EXPECT_EQ(indexes.front(), 7);
    EXPECT_GT(waited, 200);
    EXPECT_EQ(device.close(h), FT_OK);
}

TEST(SimulatedDevice, UnpluggingFailsTheHandleAndPluggingBackLetsItOpenAgain) {
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "paced");
        // Paced: pulled 0.3 s after the start; fast: after 2 s of logging read at full speed.
        SimulatedDevice device(SimulatorSettings::parse(
            ini({"[Device]", fast ? "FastMode = yes" : "FastMode = no", "[Sonde]", "Powered = yes",
                 "[Faults]", fast ? "UnplugAt = 2" : "UnplugAt = 0.3", "UnplugFor = 0.4"})));
        FT_HANDLE h = nullptr;
        ASSERT_EQ(device.open(0, &h), FT_OK);
        ASSERT_EQ(device.setTimeouts(h, 2000, 100), FT_OK);
        std::vector<std::uint8_t> buffer(24);
        std::uint32_t n = 0;
        FT_STATUS status = FT_OK;
        PacketSplitter splitter;
        const auto start = Clock::now();
        while (status == FT_OK && msSince(start) < 20000) {
            status = device.getQueueStatus(h, &n);
            if (status == FT_OK)
                status = device.read(h, buffer.data(), 24, &n);
            if (status == FT_OK)
                splitter.feed({buffer.data(), n});
        }
        const auto pulled = Clock::now();
        EXPECT_EQ(status, FT_IO_ERROR);
        EXPECT_GE(device.modelTime(), fast ? 2.0 : 0.3);
        EXPECT_TRUE(splitter.next().has_value()); // frames came before
        // The dead handle fails every call but closing; the device cannot be opened.
        EXPECT_EQ(device.getQueueStatus(h, &n), FT_IO_ERROR);
        EXPECT_EQ(device.write(h, buffer.data(), 1, &n), FT_IO_ERROR);
        FT_HANDLE other = nullptr;
        EXPECT_EQ(device.open(0, &other), FT_DEVICE_NOT_FOUND);
        EXPECT_EQ(device.close(h), FT_OK);
        // Plugged back after the configured time.
        while (device.open(0, &other) != FT_OK && msSince(pulled) < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(msSince(pulled), 250);
        ASSERT_NE(other, nullptr);
        ASSERT_EQ(device.setTimeouts(other, 2000, 100), FT_OK);
        ASSERT_EQ(device.read(other, buffer.data(), 24, &n), FT_OK);
        EXPECT_EQ(n, 24u);
        EXPECT_EQ(device.close(other), FT_OK);
    }
}

// The report accounts for every packet the logger sent and every byte the chip received.
TEST(SimulatedDevice, TheReportAccountsForThePacketsTheFaultsAndTheChipsBytes) {
    SimulatedDevice device(SimulatorSettings::parse(
        ini({"[Device]", "FastMode = yes", "[Sonde]", "Powered = yes", "[Faults]",
             "LostVideoPacketsAt = 3", "WrongChecksumAt = 5", "UnplugAt = 100000"})));
    const auto value = [&](const char* section, const char* key) {
        const std::optional<std::string> v =
            ProfileDocument::parse(device.report()).get(section, key);
        EXPECT_TRUE(v.has_value()) << section << " " << key;
        return v ? static_cast<std::uint64_t>(parseInt(*v)) : ~std::uint64_t{0};
    };
    EXPECT_EQ(value("Logger", "Packets"), 0u);
    FT_HANDLE h = nullptr;
    ASSERT_EQ(device.open(0, &h), FT_OK);
    FT_HANDLE second = nullptr;
    EXPECT_EQ(device.open(0, &second), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(device.open(1, &second), FT_DEVICE_NOT_FOUND);
    ASSERT_EQ(device.setTimeouts(h, 300, 100), FT_OK);
    PacketSplitter splitter;
    std::uint64_t read = 0;
    std::uint8_t buffer[24];
    std::size_t split = 0;
    while (split < 10) {
        std::uint32_t n = 0;
        ASSERT_EQ(device.read(h, buffer, sizeof buffer, &n), FT_OK);
        read += n;
        splitter.feed({buffer, n});
        while (splitter.next())
            ++split;
    }
    std::uint32_t queued = 0;
    ASSERT_EQ(device.getQueueStatus(h, &queued), FT_OK);
    ASSERT_GT(queued, 0u);

    EXPECT_EQ(value("Chip", "Opens"), 1u);
    EXPECT_EQ(value("Chip", "RefusedOpens"), 2u);
    EXPECT_EQ(value("Chip", "BytesRead"), read);
    EXPECT_EQ(value("Chip", "BytesQueued"), queued);
    EXPECT_EQ(value("Chip", "BytesDiscarded"), 0u);
    // Every packet the logger sent was read whole, except the one whose tail is still queued.
    const std::uint64_t packets = value("Logger", "Packets");
    EXPECT_EQ(packets, split + 1);
    EXPECT_EQ(value("Chip", "PacketsRead"), split);
    EXPECT_EQ(value("Chip", "PacketsQueued"), 1u);
    EXPECT_EQ(value("Chip", "PacketsDiscarded"), 0u);
    EXPECT_EQ(value("Chip", "PacketsDropped"), 0u);
    EXPECT_EQ(value("Logger", "FullFrames"), packets);
    EXPECT_EQ(value("Logger", "StatusFrames") + value("Logger", "ShortFrames"), 0u);
    // Picture 3 was lost on the wireline and never became a packet.
    EXPECT_EQ(value("Logger", "VideoPackets"), packets + 1);
    EXPECT_EQ(value("Faults", "LostVideoPackets"), 1u);
    EXPECT_EQ(value("Faults", "WrongChecksums"), 1u);
    EXPECT_EQ(value("Faults", "WrongPackChecksums"), 1u);
    EXPECT_EQ(value("Faults", "WrongVideoChecksums"), 0u);
    EXPECT_EQ(value("Faults", "Unplugs"), 0u);

    ASSERT_EQ(device.purge(h, FT_PURGE_RX), FT_OK);
    EXPECT_EQ(value("Chip", "BytesDiscarded"), queued);
    EXPECT_EQ(value("Chip", "BytesQueued"), 0u);
    EXPECT_EQ(value("Chip", "PacketsQueued"), 0u);
    EXPECT_EQ(value("Chip", "PacketsDiscarded"), 1u);
    EXPECT_EQ(value("Chip", "PacketsRead"), split);
    EXPECT_EQ(value("Chip", "PacketsInFlight"), 0u); // fast mode: every packet arrives at once
    EXPECT_EQ(value("Logger", "Packets"), value("Chip", "PacketsRead") +
                                              value("Chip", "PacketsDiscarded") +
                                              value("Chip", "PacketsDropped"));
    EXPECT_EQ(device.close(h), FT_OK);
}

// The link's threads at once: a reader, senders writing orders, another thread polling.
TEST(SimulatedDevice, CallsFromSeveralThreadsAtOnce) {
    SimulatedDevice device(
        SimulatorSettings::parse(ini({"[Device]", "FastMode = yes", "[Sonde]", "Powered = yes"})));
    FT_HANDLE h = nullptr;
    ASSERT_EQ(device.open(0, &h), FT_OK);
    ASSERT_EQ(device.setTimeouts(h, 300, 100), FT_OK);
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> frames{0};
    std::thread reader([&] {
        PacketSplitter splitter;
        std::uint8_t buffer[24];
        std::uint32_t n = 0;
        while (!stop) {
            if (device.read(h, buffer, 24, &n) != FT_OK)
                break;
            splitter.feed({buffer, n});
            while (splitter.next())
                ++frames;
        }
    });
    std::vector<std::thread> senders;
    for (int s = 0; s < 3; ++s)
        senders.emplace_back([&, s] {
            test::ProgramSide program;
            for (int i = 0; i < 20; ++i) {
                const auto f = program.request(static_cast<std::uint8_t>(i * 3 + s));
                std::uint32_t written = 0;
                EXPECT_EQ(device.write(h, f.data(), static_cast<std::uint32_t>(f.size()), &written),
                          FT_OK);
                std::uint32_t queued = 0;
                EXPECT_EQ(device.getQueueStatus(h, &queued), FT_OK);
            }
        });
    for (auto& t : senders)
        t.join();
    const auto start = Clock::now();
    while (frames < 50 && msSince(start) < 20000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GE(frames.load(), 50u);
    stop = true;
    reader.join();
    EXPECT_EQ(device.close(h), FT_OK);
}

} // namespace
} // namespace zarn::sim
