// The acquisition program as a whole: one copy per settings folder, the configuration loaded
// and kept for the run, the program's message boxes, status bar and sounds, the engine bound to
// the logger (or the simulator), the main window, and the orderly end.
#pragma once

#include "acquisition/app/ConfigurationStore.h"
#include "acquisition/app/WindowPlacement.h"

#include <QString>

#include <filesystem>
#include <memory>
#include <optional>

namespace zarn {
class UserMessages;
class AcquisitionEngine;
class CPreferences;
} // namespace zarn

namespace zarn::ui {

class CInstanceChecker;
class CLumiLoggerDlg;
class QtBeeper;
class QtUserMessages;

struct AppOptions {
    // Bind the simulated logger instead of a real one.
    bool simulate = false;
    // A log to open for replay once the window is up.
    std::optional<std::filesystem::path> open;
    // The message boxes (not owned); the program's own Qt dialogs when null.
    UserMessages* messages = nullptr;
};

class CLumiLoggerApp {
public:
    // Exit codes besides 0.
    static constexpr int SecondInstance = 3;
    static constexpr int StartFailed = 1;

    explicit CLumiLoggerApp(const AppOptions& options);
    ~CLumiLoggerApp();
    CLumiLoggerApp(const CLumiLoggerApp&) = delete;
    CLumiLoggerApp& operator=(const CLumiLoggerApp&) = delete;

    // The start: the instance check, the configuration, the engine and the window. False when
    // the program must end (a copy runs already: it was asked to come to the front).
    bool InitInstance();
    // Runs the window's event loop to the end; the exit code.
    int run();

    CLumiLoggerDlg* window() { return window_.get(); }
    AcquisitionEngine* engine() { return engine_.get(); }

private:
    AppOptions options_;
    std::unique_ptr<CInstanceChecker> instance_;
    std::unique_ptr<QtUserMessages> messages_;
    std::unique_ptr<QtBeeper> beeper_;
    ConfigurationStore store_;
    WindowPlacementRecord placements_;
    std::unique_ptr<CPreferences> preferences_;
    std::unique_ptr<AcquisitionEngine> engine_;
    std::unique_ptr<CLumiLoggerDlg> window_;
};

} // namespace zarn::ui
