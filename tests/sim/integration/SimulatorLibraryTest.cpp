// libzarn_ftd2xx_sim.so bound by name through the program's binding and read with the raw
// bridge calls, the way the link reads a logger: 24 bytes at a time.
#include "acquisition/stream/FrameFields.h"
#include "acquisition/stream/ToolsStream.h"
#include "platform/ftd2xx/EepromReadRecord.h"
#include "platform/ftd2xx/Ftd2xxLibrary.h"
#include "tests/sim/SimTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace zarn::sim {
namespace {

using Clock = std::chrono::steady_clock;
using test::ini;
using test::PacketSplitter;
using test::ProgramSide;

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The library, bound afresh, with the simulator configured by the given text.
class SimulatorLibrary {
public:
    explicit SimulatorLibrary(const std::string& configuration) {
        home_.write("sim.ini", configuration);
        setenv("ZARN_SIM_CONFIG", home_.file("sim.ini").c_str(), 1);
        EXPECT_EQ(library_.load(ZARN_FTD2XX_SIM), Ftd2xxLibrary::Result::Bound)
            << library_.loadError() << library_.missingName();
    }
    ~SimulatorLibrary() { unsetenv("ZARN_SIM_CONFIG"); }
    const Ftd2xxCalls& calls() const { return library_.calls(); }

    FT_HANDLE open() {
        FT_HANDLE h = nullptr;
        EXPECT_EQ(calls().open(0, &h), FT_OK);
        EXPECT_EQ(calls().setTimeouts(h, 1500, 100), FT_OK);
        EXPECT_EQ(calls().setLatencyTimer(h, 1), FT_OK);
        return h;
    }
    // Reads as the link's reader does until `count` packets are split, or a call fails.
    FT_STATUS readPackets(FT_HANDLE h, std::size_t count, std::vector<test::SplitPacket>& out,
                          double limitSeconds = 60) {
        const auto start = Clock::now();
        std::uint8_t buffer[24];
        while (out.size() < count && secondsSince(start) < limitSeconds) {
            std::uint32_t queued = 0, n = 0;
            if (const FT_STATUS s = calls().getQueueStatus(h, &queued); s != FT_OK)
                return s;
            if (const FT_STATUS s = calls().read(h, buffer, sizeof buffer, &n); s != FT_OK)
                return s;
            splitter.feed({buffer, n});
            while (auto p = splitter.next())
                out.push_back(std::move(*p));
        }
        return FT_OK;
    }
    void write(FT_HANDLE h, const std::vector<std::uint8_t>& bytes) {
        std::uint32_t written = 0;
        EXPECT_EQ(
            calls().write(h, bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written),
            FT_OK);
        EXPECT_EQ(written, bytes.size());
    }

    PacketSplitter splitter;

private:
    zarn::test::TempHome home_;
    Ftd2xxLibrary library_;
};

TEST(SimulatorLibrary, BindsEveryNameThroughTheProgramsBinding) {
    SimulatorLibrary sim(ini({"[Device]", "SerialNumber = QV-BIND"}));
    const Ftd2xxCalls& c = sim.calls();
    const void* bound[] = {reinterpret_cast<const void*>(c.write),
                           reinterpret_cast<const void*>(c.read),
                           reinterpret_cast<const void*>(c.open),
                           reinterpret_cast<const void*>(c.openEx),
                           reinterpret_cast<const void*>(c.listDevices),
                           reinterpret_cast<const void*>(c.close),
                           reinterpret_cast<const void*>(c.resetDevice),
                           reinterpret_cast<const void*>(c.purge),
                           reinterpret_cast<const void*>(c.setTimeouts),
                           reinterpret_cast<const void*>(c.getQueueStatus),
                           reinterpret_cast<const void*>(c.setBreakOn),
                           reinterpret_cast<const void*>(c.setBreakOff),
                           reinterpret_cast<const void*>(c.getStatus),
                           reinterpret_cast<const void*>(c.setEventNotification),
                           reinterpret_cast<const void*>(c.eeRead),
                           reinterpret_cast<const void*>(c.eeProgram),
                           reinterpret_cast<const void*>(c.eeUaRead),
                           reinterpret_cast<const void*>(c.eeUaWrite),
                           reinterpret_cast<const void*>(c.eeUaSize),
                           reinterpret_cast<const void*>(c.getLatencyTimer),
                           reinterpret_cast<const void*>(c.setLatencyTimer)};
    static_assert(std::size(bound) == Ftd2xxLibrary::CallCount);
    for (std::size_t i = 0; i < std::size(bound); ++i)
        EXPECT_NE(bound[i], nullptr) << Ftd2xxLibrary::bindingOrder()[i];

    // The link's way of identifying the logger: device 0 and its EEPROM.
    FT_HANDLE h = sim.open();
    EepromReadRecord eeprom;
    ASSERT_EQ(c.eeRead(h, eeprom.record()), FT_OK);
    EXPECT_EQ(eeprom.vendorId(), 0x0403);
    EXPECT_EQ(eeprom.productId(), 0x6001);
    EXPECT_EQ(eeprom.serialNumber(), "QV-BIND");
    EXPECT_EQ(c.close(h), FT_OK);
    ASSERT_EQ(c.openEx("LUMIVANE Logger", FT_OPEN_BY_DESCRIPTION, &h), FT_OK);
    EXPECT_EQ(c.close(h), FT_OK);
}

// Fast mode: every packet splits cleanly with consecutive counters, every frame passes the
// program's decoder, depth follows the winch picture by picture and the orientation values
// decode to the configured pose.
TEST(SimulatorLibrary, FastModeFramesDecodeAndFollowTheWinch) {
    SimulatorLibrary sim(ini({"[Device]", "FastMode = yes", "[Sonde]", "Powered = yes",
                              "Inclination = 23.5", "Azimuth = 301", "[Winch]", "StartDelay = 0",
                              "StartDepth = 30", "EndDepth = 60", "Speed = 30"}));
    FT_HANDLE h = sim.open();
    std::vector<test::SplitPacket> packets;
    ASSERT_EQ(sim.readPackets(h, 150, packets), FT_OK);
    ASSERT_EQ(packets.size(), 150u);
    EXPECT_EQ(sim.splitter.rejected(), 0u);
    EXPECT_EQ(sim.splitter.skipped(), 0u);

    ProgramSide program;
    MessageBus bus;
    CToolsStream stream(nullptr, nullptr, bus);
    stream.setSettings(program.decoderSettings());
    double lastDepth = 0;
    for (std::size_t i = 0; i < packets.size(); ++i) {
        const auto& p = packets[i];
        if (i > 0) {
            EXPECT_EQ(p.counter, static_cast<std::uint8_t>(packets[i - 1].counter + 1));
        }
        ASSERT_GT(p.frame.size(), frame::full::Overhead);
        ASSERT_EQ(stream.DecodeFullFrame(p.frame, true), FrameResult::Ok) << i;
        const MeasurementRecord m = stream.snapshot();
        // 20 pictures per second at 30 m/min: 25 mm from one to the next.
        if (i > 0) {
            EXPECT_NEAR(m.LoggerDepth - lastDepth, 0.025, 2e-4) << i;
        }
        lastDepth = m.LoggerDepth;
        EXPECT_NEAR(m.Speed, 30.0, 0.01);
        EXPECT_NEAR(m.Orientation.Inclination, 23.5, 0.5);
        EXPECT_LT(std::abs(std::remainder(m.Orientation.Azimuth - 301, 360.0)), 0.5);
    }
    EXPECT_NEAR(lastDepth, 30 + 149 * 0.025, 0.01);
    EXPECT_EQ(sim.calls().close(h), FT_OK);
}

// A video packet lost on the line is sent again when the program asks for it with F12.
TEST(SimulatorLibrary, ReRequestBringsALostPacketBack) {
    SimulatorLibrary sim(ini({"[Device]", "FastMode = yes", "[Sonde]", "Powered = yes", "[Faults]",
                              "LostVideoPacketsAt = 12"}));
    FT_HANDLE h = sim.open();
    std::vector<test::SplitPacket> packets;
    ASSERT_EQ(sim.readPackets(h, 20, packets), FT_OK);
    const auto indexOf = [](const test::SplitPacket& p) {
        return p.frame[frame::full::SondeBlock + frame::sonde::PacketIndex];
    };
    std::optional<std::uint8_t> missing;
    for (std::size_t i = 1; i < packets.size(); ++i)
        if (indexOf(packets[i]) != static_cast<std::uint8_t>(indexOf(packets[i - 1]) + 1))
            missing = static_cast<std::uint8_t>(indexOf(packets[i - 1]) + 1);
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(*missing, 11);

    ProgramSide program;
    sim.write(h, program.request(*missing));
    std::vector<test::SplitPacket> after;
    ASSERT_EQ(sim.readPackets(h, 3, after), FT_OK);
    ASSERT_FALSE(after.empty());
    // Bytes read before the request may hold one more new packet; the old one follows.
    const auto back = std::find_if(after.begin(), after.end(),
                                   [&](const auto& p) { return indexOf(p) == *missing; });
    ASSERT_NE(back, after.end());
    EXPECT_LE(back - after.begin(), 1);
    MessageBus bus;
    CToolsStream stream(nullptr, nullptr, bus);
    stream.setSettings(program.decoderSettings());
    EXPECT_EQ(stream.DecodeFullFrame(back->frame, true), FrameResult::Ok);
    EXPECT_EQ(stream.snapshot().PictureNumber, 12u);
    EXPECT_EQ(sim.calls().close(h), FT_OK);
}

TEST(SimulatorLibrary, UnplugScheduleFailsQueueStatusThenTheDeviceOpensAgain) {
    SimulatorLibrary sim(ini({"[Device]", "FastMode = yes", "[Sonde]", "Powered = yes", "[Faults]",
                              "UnplugAt = 1.5", "UnplugFor = 0.3"}));
    FT_HANDLE h = sim.open();
    std::vector<test::SplitPacket> packets;
    EXPECT_EQ(sim.readPackets(h, 1000, packets), FT_IO_ERROR);
    EXPECT_GE(packets.size(), 25u); // 1.5 s of pictures at 20 per second
    std::uint32_t queued = 0;
    EXPECT_EQ(sim.calls().getQueueStatus(h, &queued), FT_IO_ERROR);
    FT_HANDLE again = nullptr;
    EXPECT_EQ(sim.calls().open(0, &again), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(sim.calls().close(h), FT_OK);
    const auto pulled = Clock::now();
    while (sim.calls().open(0, &again) != FT_OK && secondsSince(pulled) < 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(sim.calls().getQueueStatus(again, &queued), FT_OK);
    EXPECT_EQ(sim.calls().close(again), FT_OK);
}

// Paced mode: with the camera faster than the line, frames come at the line's pace, 500 / D
// bytes per millisecond; halving the speed halves the frame rate. (Two-row mode-8 pictures of
// about 1 KB: large enough to fill the line, cheap enough to make in time under the sanitizers.)
TEST(SimulatorLibrary, PacedFrameRateFollowsTheLineSpeed) {
    double rates[2] = {0, 0};
    int k = 0;
    for (int divisor : {10, 20}) {
        SimulatorLibrary sim(ini({"[Sonde]", "Powered = yes", "FrameRate = 60", "Resolution = 109",
                                  "[Logger]", "BaudDivisor = " + std::to_string(divisor)}));
        FT_HANDLE h = sim.open();
        std::vector<test::SplitPacket> packets;
        ASSERT_EQ(sim.readPackets(h, 3, packets), FT_OK); // past the first packet
        packets.clear();
        const auto start = Clock::now();
        ASSERT_EQ(sim.readPackets(h, 40, packets), FT_OK);
        const double elapsed = secondsSince(start);
        double bytes = 0;
        for (const auto& p : packets)
            bytes += p.frame.size();
        const double expected = 500000.0 / divisor / (bytes / packets.size());
        rates[k++] = packets.size() / elapsed;
        std::printf("divisor %d: %.1f frames/s, line allows %.1f\n", divisor,
                    packets.size() / elapsed, expected);
        EXPECT_NEAR(packets.size() / elapsed, expected, 0.15 * expected);
        EXPECT_EQ(sim.calls().close(h), FT_OK);
    }
    EXPECT_NEAR(rates[0] / rates[1], 2.0, 0.4);
}

} // namespace
} // namespace zarn::sim
