#include "acquisition/app/MainWindowLogic.h"
#include "acquisition/app/PanelStatusText.h"

#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(MainWindowLogic, CompassLabelsFollowTheOrientationMode) {
    EXPECT_EQ(compassLabelsOf(0), (CompassLabels{"", "| ", "| ", "| ", "| ", "| ", "| ", "| "}));
    EXPECT_EQ(compassLabelsOf(1),
              (CompassLabels{"N", "|45", "|E", "|135", "|S ", "|225", "|W", "|315"}));
    EXPECT_EQ(compassLabelsOf(2), (CompassLabels{"U", "| ", "|R", "| ", "|D", "| ", "|L", "| "}));
    EXPECT_EQ(compassLabelsOf(7), compassLabelsOf(0));
}

TEST(MainWindowLogic, MenuGuardsOfEachState) {
    struct Case {
        bool sondeOn, recording;
        MainMenuState expected;
    };
    const Case cases[] = {
        {false, false, {true, true, true, true, false}},
        {false, true, {true, true, true, true, false}},
        {true, false, {false, false, false, false, true}},
        {true, true, {false, false, false, false, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mainMenuStateOf(c.sondeOn, c.recording), c.expected)
            << "sonde on " << c.sondeOn << ", recording " << c.recording;
}

TEST(MainWindowLogic, StatusPaneEdgesFollowTheWidthAndNeverCross) {
    EXPECT_EQ(statusPaneEdges(1000), (std::array<int, 8>{510, 670, 830, 925, 945, 965, 985, 0}));
    // Narrower than the fixed panes: the first edges stay at the left, in order.
    EXPECT_EQ(statusPaneEdges(100), (std::array<int, 8>{0, 0, 0, 25, 45, 65, 85, 0}));
}

struct StatusCase {
    std::uint8_t status;
    std::string_view text;
    StatusColour colour;
};

TEST(PanelStatusText, TextAndColourOfEachStatus) {
    const StatusCase cases[] = {
        {0x00, PanelText::NotPowered, StatusColour::Black},
        {0x01, PanelText::StatusOk, StatusColour::Blue},
        {0xFF, PanelText::StatusOk, StatusColour::Blue},
        {0x20, PanelText::SettingAdjustment, StatusColour::Blue},
        {0x10, PanelText::ParameterAdjustment, StatusColour::Blue},
        {0x30, PanelText::ParameterAdjustment, StatusColour::Blue},
        {0x08, PanelText::CheckSumError, StatusColour::WhiteOnRed},
        {0x40, PanelText::FrameError, StatusColour::WhiteOnRed},
        {0x80, PanelText::FrameError, StatusColour::WhiteOnRed},
        {0x04, PanelText::IntResp, StatusColour::WhiteOnRed},
        {0x02, PanelText::NoResponse, StatusColour::WhiteOnRed},
        // The last check that matches stays: "No response" over every other error.
        {0xCE, PanelText::NoResponse, StatusColour::WhiteOnRed},
        {0x48, PanelText::FrameError, StatusColour::WhiteOnRed},
        // An error bit with the adjustment bits: the error shows.
        {0x34, PanelText::IntResp, StatusColour::WhiteOnRed},
    };
    for (const StatusCase& c : cases) {
        const PanelStatusView v = PanelStatusText::viewOf(c.status);
        EXPECT_EQ(v.text, c.text) << "status " << int(c.status);
        EXPECT_EQ(v.colour, c.colour) << "status " << int(c.status);
    }
}

TEST(PanelStatusText, HoldKeepsTheTextUntilItEndsOrTheByteChanges) {
    using namespace std::chrono_literals;
    PanelStatusText text;
    const auto t0 = PanelStatusText::Clock::now();
    ASSERT_EQ(text.update(0x01, true, t0),
              (PanelStatusView{PanelText::StatusOk, StatusColour::Blue}));
    EXPECT_FALSE(text.update(0x01, true, t0 + 999ms)) << "held for 1000 ms";
    EXPECT_TRUE(text.update(0x01, true, t0 + 1000ms));
    // A changed byte is shown at once, whatever the hold.
    const auto shown = text.update(0x02, true, t0 + 1001ms);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->text, PanelText::NoResponse);
    // "Sonde not powered" is held for 250 ms only.
    ASSERT_TRUE(text.update(0x00, true, t0 + 1100ms));
    EXPECT_FALSE(text.update(0x00, true, t0 + 1349ms));
    EXPECT_TRUE(text.update(0x00, true, t0 + 1350ms));
    // Without a reader the program is in replay mode, hold or not.
    EXPECT_EQ(text.update(0x00, false, t0 + 1351ms),
              (PanelStatusView{PanelText::NoUsb, StatusColour::Red}));
}

} // namespace
} // namespace zarn
