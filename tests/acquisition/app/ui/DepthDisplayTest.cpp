#include "WindowTestSupport.h"

#include "acquisition/app/ui/LumiLoggerApp.h"
#include "acquisition/app/ui/LumiLoggerDlg.h"
#include "acquisition/app/ui/PowerDlg.h"
#include "acquisition/displays/DepthDisplayLogic.h"
#include "acquisition/displays/ui/BigDepth.h"
#include "acquisition/displays/ui/DepthDlg.h"
#include "acquisition/displays/ui/GraphicCounterCtrl.h"
#include "acquisition/displays/ui/ViewMeterCtrl.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "platform/Format.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QToolButton>

#include <cmath>
#include <cstdlib>

namespace zarn::ui {
namespace {

using test::runEventsFor;
using test::waitUntil;

std::string textOf(const CGraphicCounterCtrl& counter) {
    return counter.model().text();
}

std::uint32_t colourOf(const CGraphicCounterCtrl& counter) {
    return counter.model().colours().text;
}

// The number a counter shows; none when its text is not one number.
std::optional<double> numberOf(const CGraphicCounterCtrl& counter) {
    return parseWholeDouble(textOf(counter));
}

void saveScreenshot(QWidget& widget, const char* name) {
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        runEventsFor(400); // the counters draw after their redraw delay
        EXPECT_TRUE(widget.grab().save(QString::fromUtf8(folder) + "/" + name));
    }
}

// A logging run against the simulated logger as the operator reads it on the depth display:
// the logger alone (the depth reset offered), the sonde on (depth, speed, resolution, gamma and
// orientation live in yellow, the magnifier showing the same), a short log recorded, then that
// log replayed in light aqua with its own serial number.
TEST(DepthDisplay, ShowsLiveValuesInYellowAndReplayedValuesInAqua) {
    test::SimulatedProgram program;
    const zarn::test::TempHome& home = program.home;
    CLumiLoggerApp& app = program.app;
    ASSERT_TRUE(app.InitInstance());
    CLumiLoggerDlg& window = *app.window();
    AcquisitionEngine& engine = *app.engine();
    CDepthDlg& display = window.depthDisplay();
    ASSERT_TRUE(engine.editConfiguration([](Configuration& c) {
        c.logger.orientationMode = 1;
        c.logger.gammaScale = 2; // "Auto"
        c.logger.gammaIsAverage = 1;
        c.logger.gammaFilter = 5;
    }));
    EXPECT_EQ(display.depthUnit(), "M");

    // The logger alone: its status frames give the depth, the depth reset is offered.
    ASSERT_TRUE(
        waitUntil([&] { return engine.link().linkState() == LinkState::LoggerOnly; }, 30000));
    ASSERT_TRUE(waitUntil([&] { return display.setDepthButton().isEnabled(); }, 2000));
    EXPECT_TRUE(waitUntil([&] { return numberOf(display.depth()).has_value(); }, 2000));
    EXPECT_EQ(colourOf(display.depth()), depthdisplay::Yellow);
    EXPECT_EQ(textOf(display.resolution()), "") << "no image lines without full data frames";
    EXPECT_FALSE(display.dial().isVisible());
    // At start the depth shown is the logger's less the sonde length; the icon toggles it.
    const double sondeLength = engine.sondes().working.sondeLength / 100.0;
    EXPECT_NEAR(*numberOf(display.depth()), engine.stream().snapshot().LoggerDepth - sondeLength,
                0.011);
    display.findChild<QToolButton*>(QStringLiteral("depthReference"))->click();
    EXPECT_TRUE(display.depthAsMeasured());
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::optional<double> shown = numberOf(display.depth());
            return shown && std::fabs(*shown - engine.stream().snapshot().LoggerDepth) < 0.011;
        },
        2000));
    // The depth reset from the display's arrow button.
    window.choices().depthToSet = [](bool, int, double) { return std::optional<double>(11.63); };
    display.setDepthButton().click();
    EXPECT_DOUBLE_EQ(engine.configuration().logger.presetDepthMetres, 11.63);
    EXPECT_EQ(window.action("setDepth"), nullptr) << "the depth reset is on the display";

    // The sonde on: full data frames.
    window.panel().OnPower();
    ASSERT_TRUE(waitUntil(
        [&] {
            return engine.panel().powerState() == PowerPanelLogic::PowerState::On &&
                   engine.panel().orderStep() == PowerPanelLogic::IdleStep;
        },
        60000));
    EXPECT_TRUE(waitUntil([&] { return display.serialText() == "SN: 417"; }, 2000));
    ASSERT_TRUE(waitUntil([&] { return !textOf(display.resolution()).empty(); }, 10000))
        << "the rows drawn give the depth of one image line";
    EXPECT_FALSE(display.setDepthButton().isEnabled()) << "only while the logger is alone";
    EXPECT_EQ(colourOf(display.depth()), depthdisplay::Yellow);
    EXPECT_TRUE(waitUntil([&] { return numberOf(display.speed()).value_or(0.0) > 1.0; }, 20000))
        << "the winch lowers the sonde";
    EXPECT_TRUE(waitUntil([&] { return numberOf(display.resolution()).value_or(0.0) > 0.0; }, 5000))
        << textOf(display.resolution());
    ASSERT_TRUE(waitUntil([&] { return numberOf(display.gammaCounter()).has_value(); }, 10000))
        << "the gamma of the payloads reaches the display";
    EXPECT_TRUE(display.gammaBar().isVisible());
    EXPECT_GE(display.gammaBar().maximum(), *numberOf(display.gammaCounter()));
    EXPECT_TRUE(waitUntil([&] { return display.dial().isVisible(); }, 5000));
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(numberOf(display.orientation(i)).has_value())
            << i << ": " << textOf(display.orientation(i));
        EXPECT_EQ(colourOf(display.orientation(i)), depthdisplay::Yellow) << i;
    }
    // The magnifier shows what the display shows.
    display.findChild<QToolButton*>(QStringLiteral("magnifier"))->click();
    CBigDepth& magnifier = display.magnifier();
    ASSERT_TRUE(magnifier.isVisible());
    EXPECT_EQ(magnifier.depthUnit(), "M");
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::optional<double> big = numberOf(magnifier.depth());
            const std::optional<double> small = numberOf(display.depth());
            return big && small && std::fabs(*big - *small) < 0.2;
        },
        3000));
    EXPECT_EQ(colourOf(magnifier.depth()), depthdisplay::Yellow);
    saveScreenshot(display, "zarn-depth.png");
    saveScreenshot(magnifier, "zarn-depth-magnifier.png");
    magnifier.close();
    EXPECT_FALSE(magnifier.isVisible());

    // A short log recorded.
    const std::filesystem::path header = home.path() / "logs" / "DEPTH_LOG.HED";
    std::filesystem::create_directories(header.parent_path());
    window.choices().recordingMode = [](double, bool, int) {
        return std::optional<RecordingModeChoice>(RecordingModeChoice{true, 100});
    };
    window.choices().headerToSave = [&](const std::filesystem::path&, const std::string&) {
        return std::optional<std::filesystem::path>(header);
    };
    window.choices().headerEditor = [](CHeader&) { return true; }; // the well information as it is
    const double startDepth = engine.stream().snapshot().ImageDepth;
    window.panel().OnRecord();
    ASSERT_TRUE(engine.recorderState().recording.load());
    ASSERT_TRUE(
        waitUntil([&] { return engine.stream().snapshot().ImageDepth > startDepth + 1.0; }, 60000));
    window.panel().OnStop();
    window.panel().OnPower();
    ASSERT_TRUE(waitUntil(
        [&] { return engine.panel().powerState() == PowerPanelLogic::PowerState::Off; }, 30000));

    // The log replayed: its values in aqua, the serial it recorded on an aqua ground.
    window.choices().depthStart = [](const SetDepthPlayerLogic&) {
        return std::optional<double>(); // "All"
    };
    ASSERT_TRUE(window.openLog(header.parent_path() / "DEPTH_LOG.hed"));
    window.panel().OnPlay();
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::optional<double> shown = numberOf(display.depth());
            return colourOf(display.depth()) == depthdisplay::Aqua && shown &&
                   *shown >= startDepth - 1.0 && *shown <= startDepth + 3.0;
        },
        20000))
        << textOf(display.depth());
    EXPECT_EQ(display.serialText(), "SN: 417");
    EXPECT_TRUE(
        waitUntil([&] { return numberOf(display.resolution()).value_or(0.0) > 0.0; }, 10000))
        << "the replayed rows give the depth of one image line: " << textOf(display.resolution());
    EXPECT_TRUE(engine.header().Info().GammaOnBoard) << "the log recorded its gamma sensor";
    EXPECT_TRUE(waitUntil(
        [&] {
            return display.gammaBar().isVisible() &&
                   colourOf(display.gammaCounter()) == depthdisplay::Aqua &&
                   numberOf(display.gammaCounter()).has_value();
        },
        10000))
        << textOf(display.gammaCounter());
    EXPECT_TRUE(waitUntil(
        [&] {
            return colourOf(display.orientation(4)) == depthdisplay::Aqua &&
                   numberOf(display.orientation(4)).has_value();
        },
        10000));
    saveScreenshot(display, "zarn-depth-replay.png");
    window.panel().OnStop();

    // Feet: the unit labels here and in the magnifier, and the depth converted.
    window.OnImperialDepth();
    EXPECT_TRUE(waitUntil([&] { return display.depthUnit() == "ft"; }, 2000));
    EXPECT_EQ(magnifier.depthUnit(), "ft");
    EXPECT_TRUE(waitUntil(
        [&] {
            const std::optional<double> shown = numberOf(display.depth());
            const double metres = engine.stream().snapshot().LoggerDepth;
            return shown && std::fabs(*shown - metres * depthdisplay::FeetPerMetre) < 0.05;
        },
        2000))
        << textOf(display.depth());

    EXPECT_TRUE(window.closeRequest());
    unsetenv("ZARN_FTD2XX");
    unsetenv("ZARN_SIM_CONFIG");
}

} // namespace
} // namespace zarn::ui
