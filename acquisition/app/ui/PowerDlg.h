// The probe control panel, docked in the main window: the power button with its hold and its
// blinking images, record / stop / play / pause / rewind, the player's speed, the sonde's supply
// read-outs, the frame statistics and the information text. The power sequences, the recording
// and the replay are the engine's; the panel presses its buttons and shows its state at every
// refresh (300 ms).
#pragma once

#include "acquisition/app/PanelStatusText.h"

#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;
class QTimer;

namespace zarn {
class AcquisitionEngine;
}

namespace zarn::ui {

class CGraphicCounterCtrl;

class CPowerDlg final : public QWidget {
    Q_OBJECT
public:
    // The main window's commands the tool buttons forward.
    static constexpr int ProductToolsCommand = 134;
    static constexpr int CameraControlCommand = 32777;
    static constexpr int DeviationDataCommand = 135;
    static constexpr int LoggerSetupCommand = 133;

    explicit CPowerDlg(AcquisitionEngine& engine, QWidget* parent = nullptr);

    // The buttons (the operator's presses, and the main window's commands).
    void OnPower();
    void OnStop();
    void OnPlay();
    void OnRecord();
    void OnRewind();
    void OnPause();
    // After the log was opened and its start chosen: the replay controls.
    void EnterReplayState();
    // The periodic refresh (timer 402), also run at once by the window when it needs it.
    void Refresh();

    QString statusText() const;
    QToolButton* powerButton() const { return power_; }
    QToolButton* recordButton() const { return record_; }
    QToolButton* stopButton() const { return stop_; }
    QToolButton* playButton() const { return play_; }

Q_SIGNALS:
    // Record pressed while the sonde is on and nothing is recorded: the main window's
    // "&New log.".
    void newLogRequested();
    // The image strip restarts (the display restart after a state change).
    void displayRestarted();
    // The image strip is copied to the screen now.
    void forcedCopyRequested();
    // The compass labels follow this orientation mode (the log's while it plays).
    void orientationModeShown(int mode);
    // A tool button: the main window's command of that number.
    void commandRequested(int command);

private:
    void showStatus(const PanelStatusView& view);
    void setReplayControls(bool enabled);
    void refreshMeasuredValues();
    void refreshButtons();
    void restartDisplayLater();
    // The supply read-outs blink while out of range.
    static void blinkWhen(CGraphicCounterCtrl& counter, bool outOfRange);
    int configuredOrientationMode() const;

    AcquisitionEngine& engine_;
    PanelStatusText status_;
    QToolButton* power_;
    QToolButton* stop_;
    QToolButton* play_;
    QToolButton* record_;
    QToolButton* rewind_;
    QToolButton* pause_;
    QToolButton* productTools_;
    QToolButton* cameraTools_;
    QToolButton* deviationTools_;
    QToolButton* loggerSetup_;
    CGraphicCounterCtrl* voltage_;
    CGraphicCounterCtrl* current_;
    CGraphicCounterCtrl* valid_;
    CGraphicCounterCtrl* error_;
    QLabel* info_;
    CGraphicCounterCtrl* elapsed_;
    QSlider* speed_;
    QTimer* refresh_;
    QTimer* restart_;
    int startupTicks_ = 10; // the information text waits this many refreshes after opening
    int tick_ = 0;
};

} // namespace zarn::ui
