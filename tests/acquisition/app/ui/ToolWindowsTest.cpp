#include "WindowTestSupport.h"

#include "acquisition/app/ui/LumiLoggerApp.h"
#include "acquisition/app/ui/LumiLoggerDlg.h"
#include "acquisition/app/ui/PowerDlg.h"
#include "acquisition/app/ui/ToolWindows.h"
#include "acquisition/displays/ui/GraphicCounterCtrl.h"
#include "acquisition/displays/ui/ToolsProbeDlg.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/settings/ui/Diagnose.h"
#include "platform/MessageBus.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>
#include <utility>
#include <vector>

namespace zarn::ui {
namespace {

using test::runEventsFor;
using test::SimulatedProgram;
using test::waitUntil;

// A host that records the orders and answers with a link busy for the first claims.
struct RecordingHost final : DiagnosePanelHost {
    std::array<std::uint8_t, 6> values{};
    DiagnoseCounts shown;
    int busyClaims = 0;
    int resets = 0;
    std::vector<std::pair<int, int>> sent;

    std::array<std::uint8_t, 6> readBack() override { return values; }
    DiagnoseCounts counts() override { return shown; }
    void resetCounters() override {
        ++resets;
        const std::int32_t gamma = shown.rawGamma;
        shown = DiagnoseCounts{};
        shown.rawGamma = gamma;
    }
    bool claimLink() override { return busyClaims-- <= 0; }
    bool sendOrder(std::uint8_t a, std::uint8_t b) override {
        sent.emplace_back(a, b);
        return true;
    }
};

QString statistic(CDiagnose& panel, int index) {
    return panel.findChild<QLineEdit*>(QStringLiteral("statistic%1").arg(index))->text();
}

TEST(DiagnosticPanel, OrdersWaitForAFreeLinkAndTheResetGoesOutTwice) {
    RecordingHost host;
    host.shown.packets20 = 12;
    host.shown.rawGamma = 77;
    CDiagnose panel(host);
    panel.show();
    EXPECT_EQ(statistic(panel, 1), "12");
    auto* active = panel.findChild<QCheckBox*>();
    QPushButton* reset = nullptr;
    QPushButton* counterReset = nullptr;
    for (QPushButton* b : panel.findChildren<QPushButton*>()) {
        if (b->text() == "&DSP Error reset")
            reset = b;
        if (b->text() == "Counter reset")
            counterReset = b;
    }
    ASSERT_TRUE(active && reset && counterReset);
    EXPECT_FALSE(reset->isEnabled());

    host.busyClaims = 2; // the link takes the order at the third try, 64 ms apart
    active->setChecked(true);
    EXPECT_TRUE(host.sent.empty());
    ASSERT_TRUE(waitUntil([&] { return host.sent.size() == 1; }, 2000));
    EXPECT_EQ(host.sent[0], std::make_pair(255, 255));
    EXPECT_TRUE(reset->isEnabled());

    host.values = {0, 0, 0, 0, 0x81, 0};
    panel.showReadBack();
    EXPECT_TRUE(panel.logic().inError(1, 0)); // "F12F13_LEN"
    EXPECT_TRUE(panel.logic().inError(1, 7)); // "FR_IS_WAIT"
    reset->click();
    EXPECT_EQ(panel.logic().errorsShown(), 0);
    ASSERT_TRUE(waitUntil([&] { return host.sent.size() == 3; }, 3000))
        << "the reset order, and once more half a second later";
    EXPECT_EQ(host.sent[2], std::make_pair(255, 255));

    active->setChecked(false);
    ASSERT_TRUE(waitUntil([&] { return host.sent.size() == 4; }, 2000));
    EXPECT_EQ(host.sent[3], std::make_pair(0, 255));
    EXPECT_FALSE(reset->isEnabled());
    EXPECT_TRUE(panel.sendReport().isEmpty());

    counterReset->click();
    EXPECT_EQ(host.resets, 1);
    EXPECT_EQ(statistic(panel, 1), "0");
    EXPECT_EQ(statistic(panel, 11), "77") << "the raw gamma stays";
}

// The diagnostics of the simulated sonde switched on from the panel: the bits of its lasting
// fault reach the indicators through the payload trailers, the reset clears them until the next
// trailer, and the deviation window shows the sonde's orientation.
TEST(ToolWindows, DiagnosticsAndDeviationDataAgainstTheSimulator) {
    SimulatedProgram program("[Sonde]\nDspError4 = 129\n");
    CLumiLoggerApp& app = program.app;
    ASSERT_TRUE(app.InitInstance());
    CLumiLoggerDlg& window = *app.window();
    AcquisitionEngine& engine = *app.engine();
    ASSERT_TRUE(
        waitUntil([&] { return engine.link().linkState() >= LinkState::LoggerOnly; }, 30000));
    window.panel().OnPower();
    ASSERT_TRUE(waitUntil(
        [&] {
            return engine.panel().powerState() == PowerPanelLogic::PowerState::On &&
                   engine.panel().orderStep() == PowerPanelLogic::IdleStep;
        },
        60000));

    Q_EMIT window.panel().commandRequested(CPowerDlg::ProductToolsCommand);
    CDiagnose& panel = window.toolWindows().diagnose();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_EQ(panel.logic().errorsShown(), 0) << "no trailers before the diagnostics are on";
    panel.findChild<QCheckBox*>()->setChecked(true);
    ASSERT_TRUE(waitUntil([&] { return panel.logic().errorsShown() == 2; }, 10000));
    EXPECT_TRUE(panel.logic().inError(1, 0));
    EXPECT_TRUE(panel.logic().inError(1, 7));
    EXPECT_TRUE(panel.sendReport().isEmpty());
    // The statistics count the frames the link receives.
    EXPECT_TRUE(waitUntil(
        [&] {
            return panel.findChild<QLineEdit*>(QStringLiteral("statistic2"))->text().toInt() > 0;
        },
        3000));

    QPushButton* reset = nullptr;
    for (QPushButton* b : panel.findChildren<QPushButton*>())
        if (b->text() == "&DSP Error reset")
            reset = b;
    ASSERT_TRUE(reset && reset->isEnabled());
    reset->click();
    EXPECT_EQ(panel.logic().errorsShown(), 0);
    // The fault lasts: the next trailers show it again.
    EXPECT_TRUE(waitUntil([&] { return panel.logic().errorsShown() == 2; }, 5000));

    Q_EMIT window.panel().commandRequested(CPowerDlg::DeviationDataCommand);
    CToolsProbeDlg& deviation = window.toolWindows().deviation();
    ASSERT_TRUE(deviation.isVisible());
    // GX of the inclined sonde: a number, on the live colour.
    ASSERT_TRUE(waitUntil([&] { return deviation.field(3).model().text() != "-"; }, 5000));
    EXPECT_EQ(deviation.field(3).model().colours().background, DeviationData::LiveBackground);
    const double inclination = std::atof(deviation.field(9).model().text().c_str());
    EXPECT_NEAR(inclination, 4.0, 1.0) << "the simulated hole leans 4 degrees";
    // scripts/screenshots.sh asks for both windows while the sonde runs.
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        runEventsFor(700);
        EXPECT_TRUE(panel.grab().save(QString::fromUtf8(folder) + "/diagnostic-panel.png"));
        EXPECT_TRUE(deviation.grab().save(QString::fromUtf8(folder) + "/deviation-data.png"));
    }

    window.panel().OnPower();
    ASSERT_TRUE(waitUntil(
        [&] { return engine.panel().powerState() == PowerPanelLogic::PowerState::Off; }, 30000));
    // With the sonde off no data frame refreshes the window: the clear command stays.
    runEventsFor(300);
    MessageBus::instance().post(Role::DeviationWindow, command(Cmd::ClearReadBack));
    EXPECT_TRUE(waitUntil([&] { return deviation.field(3).model().text() == "-"; }, 2000));
    EXPECT_TRUE(window.closeRequest());
}

} // namespace
} // namespace zarn::ui
