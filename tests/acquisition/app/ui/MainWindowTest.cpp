#include "WindowTestSupport.h"

#include "acquisition/app/MainWindowLogic.h"
#include "acquisition/app/PanelStatusText.h"
#include "acquisition/app/TechnicalSwitchesStore.h"
#include "acquisition/app/ui/AlertDlg.h"
#include "acquisition/app/ui/ImageStripView.h"
#include "acquisition/app/ui/LumiLoggerApp.h"
#include "acquisition/app/ui/LumiLoggerDlg.h"
#include "acquisition/app/ui/PowerDlg.h"
#include "acquisition/app/ui/StatusPanes.h"
#include "acquisition/app/ui/TechnicalToolsDlg.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/settings/ui/PProbeDlg.h"
#include "acquisition/settings/ui/PropertyLoggerDlg.h"
#include "platform/FileIo.h"
#include "platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QToolButton>
#include <QWindow>

#include <cstdlib>
#include <sstream>

namespace zarn::ui {
namespace {

using test::runEventsFor;
using test::waitUntil;

bool contains(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The number of image pixels of the strip's band that are not black.
long litPixels(const ImageStripView& strip) {
    const PixelImage& band = strip.shown();
    long lit = 0;
    for (int y = 0; y < band.height(); ++y)
        for (int x = 1; x < 721; ++x)
            if ((band.at(x, y) & 0x00FFFFFF) != 0)
                ++lit;
    return lit;
}

// The program in a fresh home without the bridge library: replay mode.
struct ReplayModeProgram {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    CLumiLoggerApp app{optionsFor(home, messages)};

    static AppOptions optionsFor(const zarn::test::TempHome& home,
                                 zarn::test::RecordingUserMessages& messages) {
        setenv("ZARN_FTD2XX", (home.path() / "no-such-bridge.so").c_str(), 1);
        AppOptions options;
        options.messages = &messages;
        return options;
    }
    ~ReplayModeProgram() { unsetenv("ZARN_FTD2XX"); }
};

TEST(MainWindow, StartsInReplayModeWithoutTheBridgeLibrary) {
    ReplayModeProgram program;
    ASSERT_TRUE(program.app.InitInstance());
    CLumiLoggerApp& app = program.app;
    const zarn::test::TempHome& home = program.home;
    CLumiLoggerDlg& window = *app.window();
    EXPECT_TRUE(
        waitUntil([&] { return window.statusPanes().paneText(1) == "USB not installed."; }, 5000));
    // After the panel's start-up delay the information text says the program replays only.
    EXPECT_TRUE(waitUntil(
        [&] { return window.panel().statusText().toStdString() == PanelText::NoUsb; }, 8000));
    EXPECT_FALSE(window.panel().powerButton()->isEnabled());
    EXPECT_TRUE(window.action("openAndPlay")->isEnabled());
    EXPECT_FALSE(window.action("newLog")->isEnabled());
    EXPECT_EQ(window.compassText(0).toStdString(), compassLabelsOf(0)[0]);
    EXPECT_EQ(window.unitText(), "Meters");
    window.move(40, 30);
    EXPECT_TRUE(window.closeRequest()) << "nothing runs: the window closes at once";
    // The close keeps where the window was for the next start.
    const std::optional<std::string> saved = readWholeFile(home.file("LvZARN.dat"));
    ASSERT_TRUE(saved);
    const std::optional<WindowPlacementRecord> placements = WindowPlacementRecord::decode(*saved);
    ASSERT_TRUE(placements);
    const WindowPlacement& main = (*placements)[PlacedWindow::Main];
    EXPECT_TRUE(main.usable());
    EXPECT_EQ(main.normalPosition.left, window.geometry().left());
    EXPECT_EQ(main.normalPosition.bottom - main.normalPosition.top, window.geometry().height());
}

// The whole day of a logging engineer against the simulated logger: the sonde switched on from
// the panel, a new log recorded down a few metres, stopped, the program refusing to close while
// the sonde is on, the log replayed with its image drawn and its header left as it was, the
// sonde off and the program closed.
TEST(MainWindow, PowersRecordsStopsReplaysAndClosesAgainstTheSimulator) {
    test::SimulatedProgram program;
    const zarn::test::TempHome& home = program.home;
    zarn::test::RecordingUserMessages& messages = program.messages;
    CLumiLoggerApp& app = program.app;
    ASSERT_TRUE(app.InitInstance());
    CLumiLoggerDlg& window = *app.window();
    AcquisitionEngine& engine = *app.engine();
    ASSERT_TRUE(
        waitUntil([&] { return engine.link().linkState() >= LinkState::LoggerOnly; }, 30000))
        << "the simulated logger answers";
    // Images turned to north: the compass row follows the configured mode at power-on.
    ASSERT_TRUE(engine.editConfiguration([](Configuration& c) { c.logger.orientationMode = 1; }));
    window.panel().OnPower();
    EXPECT_EQ(window.compassText(0), "N");
    EXPECT_EQ(window.compassText(2), "|E");
    const auto sondeOn = [&] {
        return engine.panel().powerState() == PowerPanelLogic::PowerState::On &&
               engine.panel().orderStep() == PowerPanelLogic::IdleStep;
    };
    ASSERT_TRUE(waitUntil(sondeOn, 60000)) << "the power-on orders were accepted";
    EXPECT_TRUE(waitUntil([&] { return window.action("newLog")->isEnabled(); }, 2000));
    EXPECT_FALSE(window.action("openAndPlay")->isEnabled()) << "no replay while powered";

    // The recording mode dismissed: no new log, and no file name is asked for.
    bool nameAsked = false;
    window.choices().recordingMode = [](double, bool, int) {
        return std::optional<RecordingModeChoice>();
    };
    window.choices().headerToSave = [&](const std::filesystem::path&, const std::string&) {
        nameAsked = true;
        return std::optional<std::filesystem::path>();
    };
    window.panel().OnRecord();
    EXPECT_FALSE(nameAsked);
    EXPECT_FALSE(engine.recorderState().recording.load());

    // Record: the recording mode and the save dialog answered as the operator would.
    const std::filesystem::path header = home.path() / "logs" / "GUI_LOG.HED";
    std::filesystem::create_directories(header.parent_path());
    bool modeAsked = false;
    window.choices().recordingMode = [&](double, bool, int) {
        modeAsked = true;
        return std::optional<RecordingModeChoice>(RecordingModeChoice{true, 100});
    };
    window.choices().headerToSave = [&](const std::filesystem::path&, const std::string&) {
        return std::optional<std::filesystem::path>(header);
    };
    // The header editor, after the name: what it saves into the record is the new header's.
    bool editorShown = false;
    window.choices().headerEditor = [&](CHeader& edited) {
        editorShown = true;
        edited.Info().Company = "Typed in the editor";
        return true;
    };
    const double startDepth = engine.stream().snapshot().ImageDepth;
    window.panel().OnRecord();
    ASSERT_TRUE(modeAsked);
    EXPECT_TRUE(editorShown);
    ASSERT_TRUE(engine.recorderState().recording.load())
        << ::testing::PrintToString(messages.texts());
    ASSERT_TRUE(
        waitUntil([&] { return engine.stream().snapshot().ImageDepth > startDepth + 3.0; }, 120000))
        << "the winch lowers the sonde while it records";
    EXPECT_TRUE(waitUntil([&] { return litPixels(window.strip()) > 10000; }, 3000))
        << "the image grows on the screen";
    // scripts/screenshots.sh asks for the picture of the window while it records.
    if (const char* folder = std::getenv("ZARN_SCREENSHOT_DIR")) {
        runEventsFor(1500);
        EXPECT_TRUE(window.grab().save(QString::fromUtf8(folder) + "/zarn-main.png"));
    }
    window.panel().OnStop();
    EXPECT_FALSE(engine.recorderState().recording.load());

    // The log is complete: its header and records read back.
    const std::filesystem::path written = header.parent_path() / "GUI_LOG.hed";
    ASSERT_TRUE(std::filesystem::exists(written));
    std::ostringstream out, err;
    cli::InspectOptions inspect;
    inspect.header = written;
    EXPECT_EQ(cli::runInspect(inspect, out, err), 0) << err.str();
    const std::string records = out.str();
    EXPECT_GT(std::count(records.begin(), records.end(), '\n'), 20);
    EXPECT_EQ(records.find("CORRUPT"), std::string::npos);
    EXPECT_NE(records.find("Typed in the editor"), std::string::npos);

    // No export while the sonde is on.
    bool exported = false;
    window.choices().pictureExport = [&](QWidget*, Configuration& c) {
        exported = true;
        c.program.picture.type = 2; // the operator chose JPEG
        return true;
    };
    window.OnPicture();
    EXPECT_FALSE(exported);
    EXPECT_TRUE(contains(messages.texts(), std::string(MainWindowText::ExportRefused)));

    // Closing while the sonde is on is refused, and nothing stops.
    EXPECT_FALSE(window.closeRequest());
    EXPECT_TRUE(contains(messages.texts(), std::string(MainWindowText::CloseRefused)));
    EXPECT_TRUE(sondeOn());

    // Off, then the log replays and draws its image; Stop leaves its header as it was.
    window.panel().OnPower();
    ASSERT_TRUE(waitUntil(
        [&] { return engine.panel().powerState() == PowerPanelLogic::PowerState::Off; }, 30000));
    ASSERT_TRUE(waitUntil([&] { return window.action("openAndPlay")->isEnabled(); }, 2000));
    // With the sonde off the export runs, and its choices are kept for the next start.
    EXPECT_TRUE(window.action("picture")->isEnabled());
    window.OnPicture();
    EXPECT_TRUE(exported);
    EXPECT_EQ(engine.configuration().program.picture.type, 2);
    const std::optional<std::string> cfg = readWholeFile(home.file("LvZARN.cfg"));
    ASSERT_TRUE(cfg);
    EXPECT_NE(cfg->find("UserBMPType=2"), std::string::npos) << *cfg;
    const std::optional<std::string> headerBefore = readWholeFile(written);
    ASSERT_TRUE(headerBefore);
    window.choices().headerToOpen = [&](const std::filesystem::path&) {
        return std::optional<std::filesystem::path>(written);
    };
    window.choices().depthStart = [](const SetDepthPlayerLogic&) {
        return std::optional<double>(); // "All"
    };
    window.OnOpenAndPlay();
    ASSERT_TRUE(window.panel().playButton()->isEnabled());
    window.panel().OnPlay();
    EXPECT_TRUE(waitUntil([&] { return litPixels(window.strip()) > 10000; }, 20000))
        << "the replay draws the image";
    window.panel().OnStop();
    EXPECT_EQ(readWholeFile(written), headerBefore);

    EXPECT_TRUE(window.closeRequest());
    EXPECT_TRUE(window.closing());
    unsetenv("ZARN_FTD2XX");
    unsetenv("ZARN_SIM_CONFIG");
}

// A new user's first run on the simulator: "&Logger Setup" opens the sheet, whose probe page
// offers the simulator's sonde, selected, so that the sonde can be powered.
TEST(MainWindow, LoggerSetupOffersTheSimulatorsSondeOnAFreshSettingsFolder) {
    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    home.write("simulator.ini", "[Device]\nFastMode = yes\n");
    AppOptions options;
    options.simulate = true;
    options.messages = &messages;
    CLumiLoggerApp app(options);
    ASSERT_TRUE(app.InitInstance());
    CLumiLoggerDlg& window = *app.window();
    ASSERT_TRUE(window.action("loggerSetup")->isEnabled());
    window.action("loggerSetup")->trigger();
    CPropertyLoggerDlg* sheet = window.loggerSetup();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(app.engine()->recorderState().loggerSetupOpen.load());
    auto* list = sheet->probe().findChild<QComboBox*>(QStringLiteral("sonde"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->currentText(), "0417");
    // Selecting it again keeps it selected for the engine and the next start.
    sheet->probe().logic().selectSonde(list->currentIndex());
    EXPECT_TRUE(app.engine()->sondes().selectedSlot().occupied());
    sheet->move(60, 80);
    const QRect where = sheet->geometry();
    sheet->close();
    EXPECT_FALSE(app.engine()->recorderState().loggerSetupOpen.load());
    EXPECT_TRUE(window.closeRequest());
    // The sheet's place is kept for the next start.
    const std::optional<std::string> saved = readWholeFile(home.file("LvZARN.dat"));
    ASSERT_TRUE(saved);
    const std::optional<WindowPlacementRecord> placements = WindowPlacementRecord::decode(*saved);
    ASSERT_TRUE(placements);
    const WindowPlacement& placed = (*placements)[PlacedWindow::LoggerSetup];
    EXPECT_TRUE(placed.usable());
    EXPECT_EQ(placed.normalPosition.left, where.left());
    EXPECT_EQ(placed.normalPosition.top, where.top());
    unsetenv("ZARN_FTD2XX");
    unsetenv("ZARN_SIM_CONFIG");
}

TEST(MainWindow, TheKeyChordOpensTheTechnicalToolsAndOkStoresTheSwitches) {
    ReplayModeProgram program;
    ASSERT_TRUE(program.app.InitInstance());
    CLumiLoggerApp& app = program.app;
    CLumiLoggerDlg& window = *app.window();
    int opened = 0;
    window.choices().technicalTools = [&](CTechnicalToolsDlg& dialog) {
        ++opened;
        EXPECT_FALSE(dialog.box(TechnicalToolsLogic::Box::TechnicalTools)->isChecked());
        dialog.box(TechnicalToolsLogic::Box::TechnicalTools)->setChecked(true);
        return true;
    };
    QWindow* surface = window.windowHandle();
    ASSERT_NE(surface, nullptr);
    const auto press = [&](int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
    };
    // Out of order nothing opens; in order it opens once.
    for (int key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_T})
        press(key);
    runEventsFor(100);
    EXPECT_EQ(opened, 0);
    for (int key : {Qt::Key_Control, Qt::Key_Shift, Qt::Key_Alt, Qt::Key_T})
        press(key);
    ASSERT_TRUE(waitUntil([&] { return opened == 1; }, 2000));
    EXPECT_TRUE(app.engine()->configuration().switches.technicalTools);
    EXPECT_TRUE(TechnicalSwitchesStore::read(SettingsStore()).technicalTools)
        << "kept in the per-user settings store";
    EXPECT_TRUE(window.closeRequest());
}

TEST(MainWindow, AlarmWindowShowsTheLastAlarmAndComesBackAfterOk) {
    CAlertDlg alert;
    alert.ShowAlarm(QStringLiteral("Low Battery."),
                    QStringLiteral("Low battery / Power Failure !!!"));
    EXPECT_TRUE(alert.isVisible());
    EXPECT_EQ(alert.windowTitle(), "Low Battery.");
    alert.hide(); // "&OK"
    alert.ShowAlarm(QStringLiteral("Invalid Depth !!!"), QStringLiteral("Encoder Error"));
    EXPECT_TRUE(alert.isVisible());
    EXPECT_EQ(alert.message(), "Encoder Error");
}

} // namespace
} // namespace zarn::ui
