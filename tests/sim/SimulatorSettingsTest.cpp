// The simulator's configuration file: defaults that make a demonstration, values read with a
// decimal point, anything unusable kept at its default and numbers held in their ranges.
#include "sim/SimulatorSettings.h"
#include "tests/sim/SimTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace zarn::sim {
namespace {

TEST(SimulatorSettings, DefaultsDescribeTheDemonstration) {
    const SimulatorSettings s = SimulatorSettings::parse("");
    EXPECT_EQ(s.winch.startDepth, 10.0);
    EXPECT_EQ(s.winch.endDepth, 40.0);
    EXPECT_EQ(s.winch.speed, 2.0);
    EXPECT_EQ(s.sonde.resolution, 0x74); // 720 pixels, mode 16, parameter 4
    EXPECT_FALSE(s.sonde.powered);
    EXPECT_FALSE(s.device.fastMode);
    EXPECT_EQ(s.device.vendorId, 0x0403);
    EXPECT_EQ(s.device.productId, 0x6001);
    ASSERT_GE(s.borehole.fractures.size(), 3u);
    for (const FracturePlane& f : s.borehole.fractures) {
        EXPECT_GT(f.depth, s.winch.startDepth);
        EXPECT_LT(f.depth, s.winch.endDepth);
    }
    EXPECT_FALSE(s.faults.lostBytes.any());
    EXPECT_TRUE(s.faults.unplugAt.empty());
}

TEST(SimulatorSettings, KeysAreReadIntoTheirFields) {
    struct Case {
        std::string section, line;
        std::function<bool(const SimulatorSettings&)> holds;
    };
    const std::vector<Case> cases{
        {"Device", "SerialNumber = QV-12345678",
         [](auto& s) { return s.device.serialNumber == "QV-12345678"; }},
        {"Device", "SerialNumber = QV-123456789012345",
         [](auto& s) { return s.device.serialNumber.size() == 15; }},
        {"Device", "ProductId = 0xED30", [](auto& s) { return s.device.productId == 0xED30; }},
        {"Device", "FastMode = yes", [](auto& s) { return s.device.fastMode; }},
        {"Device", "Seed = 77", [](auto& s) { return s.device.seed == 77; }},
        {"Winch", "Speed = 3.5", [](auto& s) { return s.winch.speed == 3.5; }},
        {"Winch", "Speed = 3,5", [](auto& s) { return s.winch.speed == 2.0; }}, // not a number
        {"Winch", "Speed = -4", [](auto& s) { return s.winch.speed == 0.0; }},
        {"Winch", "Speed = fast", [](auto& s) { return s.winch.speed == 2.0; }},
        {"Logger", "BaudDivisor = 0", [](auto& s) { return s.logger.baudDivisor == 2; }},
        {"Logger", "StatusPeriod = 0", [](auto& s) { return s.logger.statusPeriodMs == 5; }},
        {"Sonde", "Powered = yes", [](auto& s) { return s.sonde.powered; }},
        {"Sonde", "CompressionMode = 8", [](auto& s) { return s.sonde.compressionMode == 8; }},
        {"Sonde", "CompressionMode = 12", [](auto& s) { return s.sonde.compressionMode == 0; }},
        {"Sonde", "Inclination = 1e400", [](auto& s) { return s.sonde.inclination == 4.0; }},
        {"Sonde", "Azimuth = nan", [](auto& s) { return s.sonde.azimuth == 35.0; }},
        {"Fractures", "A = 12.5, 30, 270",
         [](auto& s) {
             return s.borehole.fractures == std::vector<FracturePlane>{{12.5, 30, 270, 3}};
         }},
        {"Fractures", "A = 12.5; 95; 10; 1\nB = only two, 3\nC = 1 2 3",
         [](auto& s) {
             return s.borehole.fractures ==
                    std::vector<FracturePlane>{{12.5, 90, 10, 1}, {1, 2, 3, 3}};
         }},
        {"Fractures", "", [](auto& s) { return s.borehole.fractures.empty(); }},
        {"Faults", "LostBytesRate = 0.25", [](auto& s) { return s.faults.lostBytes.rate == 0.25; }},
        {"Faults", "CutPacketsRate = 7", [](auto& s) { return s.faults.cutPackets.rate == 1.0; }},
        {"Faults", "WrongChecksumAt = 9, 3, x, 0, 5",
         [](auto& s) {
             return s.faults.wrongChecksums.at == std::vector<std::uint64_t>{3, 5, 9};
         }},
        {"Faults", "UnplugAt = 30 10",
         [](auto& s) {
             return s.faults.unplugAt == std::vector<double>{10, 30};
         }},
    };
    for (const Case& c : cases) {
        const std::string text = "[" + c.section + "]\n" + c.line + "\n";
        EXPECT_TRUE(c.holds(SimulatorSettings::parse(text))) << text;
    }
}

TEST(SimulatorSettings, AnyTextGivesUsableSettings) {
    std::string junk;
    for (int i = 0; i < 4000; ++i)
        junk.push_back(static_cast<char>((i * 7919) % 251 + 1));
    const SimulatorSettings s =
        SimulatorSettings::parse("[Sonde]\nResolution=" + junk + "\n[Fractures]\n" + junk);
    EXPECT_EQ(s.sonde.resolution, 0x74);
    EXPECT_GE(s.logger.baudDivisor, 2);
}

} // namespace
} // namespace zarn::sim
