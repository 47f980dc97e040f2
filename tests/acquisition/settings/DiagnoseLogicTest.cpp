#include "acquisition/settings/DiagnoseLogic.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace zarn {
namespace {

using namespace std::chrono_literals;
using Clock = DiagnoseLogic::Clock;
using Step = DiagnoseLogic::Step;

// The index in DspErrorGroups and the bit of the indicator with that label.
std::pair<std::size_t, int> indicator(const std::string& label) {
    for (std::size_t g = 0; g < DspErrorGroups.size(); ++g)
        for (int bit = 0; bit < 8; ++bit)
            if (const char* l = DspErrorGroups[g].labels[static_cast<std::size_t>(bit)];
                l && label == l)
                return {g, bit};
    ADD_FAILURE() << "no indicator " << label;
    return {0, 0};
}

std::set<std::string> lit(const DiagnoseLogic& logic) {
    std::set<std::string> names;
    for (std::size_t g = 0; g < DspErrorGroups.size(); ++g)
        for (int bit = 0; bit < 8; ++bit)
            if (logic.inError(g, bit))
                names.insert(DspErrorGroups[g].labels[static_cast<std::size_t>(bit)]);
    return names;
}

TEST(DiagnoseLogic, IndicatorsFollowTheirOwnReadBackValueAndHiddenBitsNeverLight) {
    int shown = 0;
    std::set<int> values;
    for (const DspErrorGroup& group : DspErrorGroups) {
        values.insert(group.readBackIndex);
        for (const char* label : group.labels)
            shown += label ? 1 : 0;
    }
    EXPECT_EQ(shown, DspIndicatorCount);
    EXPECT_EQ(values, (std::set<int>{0, 1, 2, 3, 4, 5}));

    struct Case {
        std::array<std::uint8_t, 6> readBack;
        std::set<std::string> lit;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0x81, 0}, {"F12F13_LEN", "FR_IS_WAIT"}},
        {{0x01, 0, 0, 0, 0, 0x40}, {"DMA0_ERR_1", "PIC_CMD_TO"}},
        // Every bit set: only the 38 shown bits light.
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, {}},
        {{0, 0xE0, 0, 0xE0, 0, 0x80}, {}}, // bits without an indicator
        {{0, 0, 0x10, 0, 0, 0}, {"GCAL_INIT"}},
    };
    for (const Case& c : cases) {
        DiagnoseLogic logic;
        logic.showReadBack(c.readBack);
        if (c.readBack[0] == 0xFF) {
            EXPECT_EQ(logic.errorsShown(), DspIndicatorCount);
            continue;
        }
        EXPECT_EQ(lit(logic), c.lit) << int(c.readBack[4]);
    }
    const auto [group, bit] = indicator("FLSH_WAREA");
    EXPECT_STREQ(DspErrorGroups[group].title, "Flash errors");
    EXPECT_EQ(DspErrorGroups[group].readBackIndex, 3);
    EXPECT_EQ(bit, 4);
}

TEST(DiagnoseLogic, TheActiveDiagnosticSetsItsBytesAndEnablesTheReset) {
    DiagnoseLogic logic;
    const Clock::time_point t0{};
    EXPECT_EQ(logic.byteA(), 0);
    EXPECT_EQ(logic.byteB(), 0);
    EXPECT_FALSE(logic.resetEnabled());
    EXPECT_FALSE(logic.sending());

    for (const bool active : {true, false}) {
        logic.setActiveDiagnostic(active, t0);
        EXPECT_EQ(logic.byteA(), active ? 255 : 0);
        EXPECT_EQ(logic.byteB(), 255);
        EXPECT_EQ(logic.resetEnabled(), active);
        // Unchecking sends the order as checking does.
        EXPECT_EQ(logic.tick(t0, [] { return true; }), Step::Send);
        EXPECT_FALSE(logic.sending());
    }
}

TEST(DiagnoseLogic, TheResetClearsTheIndicatorsAndGoesOutTwiceHalfASecondApart) {
    DiagnoseLogic logic;
    const Clock::time_point t0{};
    logic.setActiveDiagnostic(true, t0);
    ASSERT_EQ(logic.tick(t0, [] { return true; }), Step::Send);
    logic.showReadBack({0xFF, 0, 0, 0, 0, 0});
    logic.dspErrorReset(t0 + 1s);
    EXPECT_EQ(logic.errorsShown(), 0);

    int claims = 0;
    const auto free = [&] { return ++claims, true; };
    EXPECT_EQ(logic.tick(t0 + 1s, free), Step::Send);
    // A trailer in between shows again; the second reset clears it.
    logic.showReadBack({0x02, 0, 0, 0, 0, 0});
    EXPECT_EQ(logic.tick(t0 + 1s + 64ms, free), Step::Wait);
    EXPECT_EQ(logic.errorsShown(), 1);
    EXPECT_TRUE(logic.sending());
    EXPECT_EQ(logic.tick(t0 + 1s + 500ms, free), Step::Send);
    EXPECT_EQ(logic.errorsShown(), 0);
    EXPECT_EQ(logic.byteB(), 255);
    EXPECT_FALSE(logic.sending());
    EXPECT_EQ(claims, 2) << "the link is claimed only for an order due";
}

TEST(DiagnoseLogic, ABusyLinkIsTriedAgainUntilFreeAndGivenUpOnceAfterItsTime) {
    DiagnoseLogic logic;
    const Clock::time_point t0{};
    logic.setActiveDiagnostic(true, t0);
    bool free = false;
    const auto claim = [&] { return free; };
    EXPECT_EQ(logic.tick(t0 + 64ms, claim), Step::Wait);
    EXPECT_EQ(logic.tick(t0 + 128ms, claim), Step::Wait);
    free = true;
    EXPECT_EQ(logic.tick(t0 + 192ms, claim), Step::Send);

    free = false;
    logic.setActiveDiagnostic(false, t0 + 1s);
    EXPECT_EQ(logic.tick(t0 + 1s + std::chrono::milliseconds(DiagnoseLogic::GiveUpMs) - 1ms, claim),
              Step::Wait);
    EXPECT_EQ(logic.tick(t0 + 1s + std::chrono::milliseconds(DiagnoseLogic::GiveUpMs), claim),
              Step::GivenUp);
    EXPECT_FALSE(logic.sending());
    EXPECT_EQ(logic.tick(t0 + 10s, claim), Step::Wait) << "given up once";
}

TEST(DiagnoseLogic, StatisticsFieldsCarryTheirLabelsAndValues) {
    DiagnoseCounts counts;
    counts.packets16 = 1;
    counts.packets20 = 2;
    counts.packetsFull = 3;
    counts.usbErrors = 4;
    counts.videoPacketErrors = 5;
    counts.videoChecksumErrors = 6;
    counts.frameLengthErrors = 7;
    counts.videoRequests = 8;
    counts.recoveries = 9;
    counts.rawGamma = -12;
    const auto fields = statisticsFieldsOf(counts);
    const char* labels[] = {"Packet of 16 data count ",
                            "Packet of 20 data count",
                            "Packet of full data count",
                            "USB error count",
                            "Video packet error count",
                            "Video packet checksum error ",
                            "Frame lenght error counter",
                            "Resquest of video packet",
                            "Success recovery video ",
                            "Reserved",
                            "Reserved",
                            "Raw gamma"};
    const char* texts[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "0", "-12"};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        EXPECT_STREQ(fields[i].label, labels[i]);
        EXPECT_EQ(fields[i].text, texts[i]) << labels[i];
    }
}

} // namespace
} // namespace zarn
