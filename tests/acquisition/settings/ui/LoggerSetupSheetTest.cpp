// The logger setup sheet against the simulated logger: a winch change is sent, echoed and
// accepted; the probe page selects the sonde; the pages as the operator sees them.
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/engine/SimulatorSetup.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/settings/SondeDatabase.h"
#include "acquisition/settings/WinchPageLogic.h"
#include "acquisition/settings/ui/PCommDlg.h"
#include "acquisition/settings/ui/PProbeDlg.h"
#include "acquisition/settings/ui/PWinchDlg.h"
#include "acquisition/settings/ui/PropertyLoggerDlg.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>

#include <cstdlib>

namespace zarn::ui {
namespace {

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return done();
        MessageBus::instance().deliverPosted();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void saveScreenshot(QWidget& widget, const char* name) {
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        waitUntil([] { return false; }, 300);
        EXPECT_TRUE(widget.grab().save(QString::fromUtf8(folder) + "/" + name));
    }
}

struct SimulatedLogger {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    std::unique_ptr<AcquisitionEngine> engine;
    SondeTable table;
    std::unique_ptr<SondeDatabase> sondes;

    explicit SimulatedLogger(const std::string& faults = {}) {
        home.write("simulator.ini", "[Device]\nFastMode = yes\n" + faults);
        std::string problem;
        EXPECT_TRUE(bindSimulator(home.path(), problem, ZARN_FTD2XX_SIM)) << problem;
        EngineSetup setup;
        ensureSonde(setup.sondes);
        engine = std::make_unique<AcquisitionEngine>(setup);
        table = engine->sondes();
        sondes = std::make_unique<SondeDatabase>(
            table, [] { return true; }, MessageBus::instance(), home.file("LvZARN.tol"));
        EXPECT_TRUE(engine->startLink());
    }
    ~SimulatedLogger() {
        engine.reset();
        unsetenv("ZARN_FTD2XX");
        unsetenv("ZARN_SIM_CONFIG");
    }
};

TEST(CPropertyLoggerDlg, AWinchChangeIsSentEchoedAndAccepted) {
    SimulatedLogger sim;
    AcquisitionEngine& engine = *sim.engine;
    ASSERT_TRUE(
        waitUntil([&] { return engine.link().linkState() >= LinkState::LoggerOnly; }, 30000));
    CPropertyLoggerDlg sheet(engine, *sim.sondes);
    sheet.show();
    EXPECT_EQ(sheet.tabs().currentIndex(), CPropertyLoggerDlg::CommunicationTab);
    EXPECT_EQ(sheet.tabs().tabText(0), "Winch");
    saveScreenshot(sheet, "zarn-logger-communication.png");

    sheet.tabs().setCurrentIndex(CPropertyLoggerDlg::WinchTab);
    ASSERT_TRUE(waitUntil(
        [&] {
            return sheet.winch().findChild<QLineEdit*>(QStringLiteral("resolution"))->isEnabled();
        },
        3000))
        << "the winch fields are enabled while the logger answers";
    saveScreenshot(sheet, "zarn-logger-winch.png");
    QLineEdit* resolution = sheet.winch().findChild<QLineEdit*>(QStringLiteral("resolution"));
    resolution->setText(QStringLiteral("2000"));
    Q_EMIT resolution->returnPressed();
    EXPECT_EQ(engine.configuration().logger.pulsesPerTurn, 2000);
    SettingsOrder& order = sheet.winch().logic().order();
    ASSERT_TRUE(waitUntil([&] { return order.sent() == 1 && !order.waiting(); }, 5000));
    ASSERT_TRUE(waitUntil([&] { return !order.checking(); }, 8000));
    EXPECT_EQ(order.sent(), 1) << "the logger echoed the frame: no resend";
    EXPECT_EQ(engine.stream().snapshot().LoggerStatus.EchoWord4,
              sheet.host().sentWinchFrame().value()[4] |
                  (sheet.host().sentWinchFrame().value()[5] << 8));
    EXPECT_TRUE(sim.messages.texts().empty()) << ::testing::PrintToString(sim.messages.texts());

    // The refused entry: nothing stored, nothing sent, the field shows the stored value.
    resolution->setText(QStringLiteral("1-2"));
    Q_EMIT resolution->returnPressed();
    EXPECT_EQ(resolution->text(), "2000");
    EXPECT_EQ(sim.messages.texts().back(), "Please enter a number.");
    EXPECT_FALSE(order.waiting());

    // The probe page offers the simulator's sonde.
    sheet.tabs().setCurrentIndex(CPropertyLoggerDlg::ProbeTab);
    QComboBox* list = sheet.probe().findChild<QComboBox*>(QStringLiteral("sonde"));
    ASSERT_EQ(list->count(), 10);
    EXPECT_EQ(list->itemText(list->currentIndex()), "0417");
    saveScreenshot(sheet, "zarn-logger-probe.png");
    sheet.close();
}

// A logger that does not take the winch settings: the page sends them five times in all and
// warns once; the setting stays stored.
TEST(CPropertyLoggerDlg, AWrongEchoIsSentAgainAndWarnedOnce) {
    SimulatedLogger sim("[Faults]\nWrongWinchEcho = yes\n");
    AcquisitionEngine& engine = *sim.engine;
    ASSERT_TRUE(
        waitUntil([&] { return engine.link().linkState() >= LinkState::LoggerOnly; }, 30000));
    CPropertyLoggerDlg sheet(engine, *sim.sondes);
    sheet.show();
    sheet.tabs().setCurrentIndex(CPropertyLoggerDlg::WinchTab);
    QLineEdit* circumference = sheet.winch().findChild<QLineEdit*>(QStringLiteral("circumference"));
    ASSERT_TRUE(waitUntil([&] { return circumference->isEnabled(); }, 3000));
    circumference->setText(QStringLiteral("600,0"));
    Q_EMIT circumference->returnPressed();
    EXPECT_DOUBLE_EQ(engine.configuration().program.wheelCircumferenceMm, 600.0);
    const std::string warning = WinchPageLogic::EchoWarningText;
    SettingsOrder& order = sheet.winch().logic().order();
    ASSERT_TRUE(waitUntil([&] { return !sim.messages.texts().empty(); }, 60000));
    EXPECT_EQ(sim.messages.texts(), std::vector<std::string>{warning});
    EXPECT_EQ(order.sent(), SettingsOrder::MostAttempts);
    waitUntil([] { return false; }, 2500);
    EXPECT_EQ(order.sent(), SettingsOrder::MostAttempts) << "no more after the warning";
    EXPECT_EQ(sim.messages.texts().size(), 1u);
    EXPECT_DOUBLE_EQ(engine.configuration().program.wheelCircumferenceMm, 600.0);
    sheet.close();
}

} // namespace
} // namespace zarn::ui
