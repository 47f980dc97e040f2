// The main window of the acquisition program: the growing unrolled image of the borehole wall
// under its compass scale, the menu with its guards, the status bar, and the probe control
// panel docked under the image. It owns the windows of the program and serves the engine on the
// window thread: the messages posted to the window, the panel's deadlines, the image refresh
// and the alarms.
//
// Threads: everything here runs on the window thread. The engine's workers reach the window
// only through posted messages and published values, which this window reads at its own pace.
#pragma once

#include "acquisition/app/WindowPlacement.h"
#include "acquisition/logfiles/MultiFileSelectorLogic.h"
#include "acquisition/logfiles/SetDepthPlayerLogic.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLabel;
class QTimer;

namespace zarn {
struct Configuration;
class SondeDatabase;
class AcquisitionEngine;
class CHeader;
class CPreferences;
} // namespace zarn

namespace zarn::ui {

class CAlertDlg;
class CDepthDlg;
class CTechnicalToolsDlg;
class CEndProcessDlg;
class CPowerDlg;
class ToolWindows;
class CPropertyLoggerDlg;
class ImageStripView;
class StatusPanes;

// The recording mode's choices for a new log.
struct RecordingModeChoice {
    bool loggingDown = true;
    int splitLength = 100;
};

// The operator's choices in the main window's dialogs. Each has a default that shows the
// dialog; tests replace them with scripted answers.
struct WindowChoices {
    // The log to replay, from the open dialog; empty: cancelled.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& folder)>
        headerToOpen;
    // The header of a new log, from the save dialog; empty: cancelled.
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& folder,
                                                       const std::string& lastTitle)>
        headerToSave;
    // The recording mode dialog; empty: dismissed (the new log is cancelled).
    std::function<std::optional<RecordingModeChoice>(double speed, bool feet, int orientationMode)>
        recordingMode;
    // The depth reset: the depth to set (metres) for the selected sonde; empty: cancelled.
    std::function<std::optional<double>(bool feet, int sondeLengthCm, double depthScale)>
        depthToSet;
    // "Set depth start": a start depth, or none for "All".
    std::function<std::optional<double>(const SetDepthPlayerLogic& logic)> depthStart;
    // "Multi file selector": the first file to replay.
    std::function<int(MultiFileSelectorLogic& logic)> startFile;
    // The export dialogs over a copy of the configuration; true when they changed its export
    // choices or paths.
    std::function<bool(QWidget* parent, Configuration& configuration)> pictureExport;
    std::function<bool(QWidget* parent, Configuration& configuration)> lasExport;
    // The technical tools dialog, already made: true for OK.
    std::function<bool(CTechnicalToolsDlg& dialog)> technicalTools;
    // The header editor over the header object's record; true when it was saved.
    std::function<bool(CHeader& header)> headerEditor;
};

class CLumiLoggerDlg final : public QMainWindow {
    Q_OBJECT
public:
    // placements: the application's window placement record, which CPreferences saves.
    CLumiLoggerDlg(AcquisitionEngine& engine, CPreferences& preferences,
                   WindowPlacementRecord& placements, QWidget* parent = nullptr);
    ~CLumiLoggerDlg() override;

    WindowChoices& choices() { return choices_; }

    // The menu commands.
    void OnOpenAndPlay();
    // Opens a log for replay at the start the operator chooses; true when it is ready to play.
    bool openLog(const std::filesystem::path& header);
    void OnNewLog();
    // The header editor on the header record, which the next fresh header is written from.
    void OnHeaderEditor();
    void OnImperialDepth();
    // The depth reset: the logger's depth counter set to the depth the operator reads.
    void OnSetDepth();
    void OnAbout();
    // "Picture" and "&LAS File": refused while the sonde is powered; a replay is stopped first.
    void OnPicture();
    void OnLasFile();
    // The technical tools dialog (the hidden key chord); its switches stored on OK.
    void OnTechnicalTools();
    // "&Logger Setup": shows the logger setup sheet (made at its first use).
    void OnLoggerSetup();
    CPropertyLoggerDlg* loggerSetup() const { return loggerSetup_; }
    // The close request: the checks, then the orderly end of the link. True when the window
    // may close; it cannot run twice at once.
    bool closeRequest();

    CPowerDlg& panel() { return *panel_; }
    CDepthDlg& depthDisplay() { return *depth_; }
    ImageStripView& strip() { return *strip_; }
    StatusPanes& statusPanes() { return *panes_; }
    CAlertDlg& alarms() { return *alert_; }
    ToolWindows& toolWindows() { return *toolWindows_; }
    QAction* action(const char* name) const;
    QString compassText(int label) const;
    QString unitText() const;
    bool closing() const { return closing_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenu();
    void buildCentre();
    void serve();
    void refreshMenuAndIcons();
    void refreshImage(bool forced);
    void restartDisplay();
    void showOrientationMode(int mode);
    void showUnit();
    void handleMessage(int kind, int id, long long param);
    void showAlarms();
    bool sondeMarkedPowered() const;
    void installDefaultChoices();
    void applyPlacement();
    // An export dialog's run; true when it ran (the sonde was off).
    bool runExport(const std::function<bool(QWidget*, Configuration&)>& dialog);
    void storePlacement();

    AcquisitionEngine& engine_;
    CPreferences& preferences_;
    WindowPlacementRecord& placements_;
    WindowChoices choices_;
    StatusPanes* panes_ = nullptr;
    ImageStripView* strip_ = nullptr;
    CPowerDlg* panel_ = nullptr;
    CDepthDlg* depth_ = nullptr;
    CAlertDlg* alert_ = nullptr;
    ToolWindows* toolWindows_ = nullptr;
    CEndProcessDlg* endProcess_ = nullptr;
    QWidget* compassRow_ = nullptr;
    std::array<QLabel*, 8> compass_{};
    QLabel* unit_ = nullptr;
    QTimer* serve_ = nullptr;
    QTimer* menuTimer_ = nullptr;
    QTimer* delayedCopy_ = nullptr;
    std::atomic<bool> rowsDrawn_{false};
    bool forcedCopyWanted_ = false;
    QElapsedTimer sinceCopy_;
    std::uint64_t alarmsShown_ = 0;
    int menuTicks_ = 0;
    std::uint32_t framesSeen_ = 0;
    bool blink_ = false;
    bool firstPaint_ = true;
    bool closing_ = false;
    bool inCloseRequest_ = false;
    bool technicalToolsOpen_ = false;
    int lastLogDirection_ = 1; // the recording mode's last choice: 1 downhole
    bool mayClose_ = false;
    std::unique_ptr<SondeDatabase> sondeDatabase_;
    CPropertyLoggerDlg* loggerSetup_ = nullptr;
    std::atomic<CPropertyLoggerDlg*> loggerSetupSheet_{nullptr}; // read by the drawing thread
};

} // namespace zarn::ui
