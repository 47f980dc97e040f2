// The depth display, docked in the main window: depth, cable speed, the depth of one image line,
// the roll dial and the orientation read-outs, the natural gamma bar and its counter, and the
// serial number of the sonde in use; live values in yellow, replayed ones in light aqua. It
// owns the depth magnifier, and its arrow button asks for the depth reset.
//
// Threads: everything here runs on the window thread, on the display's own tick (70 ms). It
// reads the engine's published records and link state; the decoding thread only hands the
// gamma of each payload to the display's GammaDisplay, which the tick reads a copy of.
#pragma once

#include "acquisition/app/WindowPlacement.h"
#include "acquisition/displays/DepthDisplayLogic.h"
#include "acquisition/displays/GammaDisplay.h"

#include <QTimer>
#include <QWidget>

#include <array>

class QLabel;
class QProgressBar;
class QToolButton;

namespace zarn {
class AcquisitionEngine;
}

namespace zarn::ui {

class CBigDepth;
class CGraphicCounterCtrl;
class CViewMeterCtrl;

class CDepthDlg final : public QWidget {
    Q_OBJECT
public:
    CDepthDlg(AcquisitionEngine& engine, WindowPlacementRecord& placements,
              QWidget* parent = nullptr);
    ~CDepthDlg() override;

    // Shows the values of the engine now; resetResolution when a new log or run begins (the
    // serial number is then shown again too).
    void PutDataOnScreen(bool resetResolution);
    // The unit labels of the configured depth unit (command 502), here and in the magnifier.
    void OnUnitsChanged();
    // The serial number of the sonde in use (command 1745, and at each change of replay mode).
    void RefreshSerial();
    // The magnifier button.
    void OnMagnifier();
    // The depth reference icon: as measured, or less the sonde length.
    void OnDepthReference();

    CGraphicCounterCtrl& depth() const { return *depth_; }
    CGraphicCounterCtrl& speed() const { return *speed_; }
    CGraphicCounterCtrl& resolution() const { return *resolution_; }
    CGraphicCounterCtrl& gammaCounter() const { return *gammaCounter_; }
    // The orientation read-outs: inclination, azimuth, angle, magnetic field, gravity.
    CGraphicCounterCtrl& orientation(int i) const { return *orientation_[static_cast<size_t>(i)]; }
    CViewMeterCtrl& dial() const { return *dial_; }
    QProgressBar& gammaBar() const { return *gammaBar_; }
    QToolButton& setDepthButton() const { return *setDepth_; }
    QString serialText() const;
    QString depthUnit() const;
    bool depthAsMeasured() const { return depthAsMeasured_; }
    CBigDepth& magnifier() const { return *magnifier_; }

Q_SIGNALS:
    // The arrow button: the depth reset of the logger's counter.
    void setDepthRequested();

private:
    void displayTick();
    void showGamma();
    void showOrientation(const OrientationReadout& readout);
    void showDepthReference();
    void handleCommand(int id);

    AcquisitionEngine& engine_;
    DepthDisplayLogic logic_;
    GammaDisplay gamma_;
    QToolButton* setDepth_;
    QToolButton* magnifierButton_;
    QToolButton* reference_;
    CGraphicCounterCtrl* depth_;
    CGraphicCounterCtrl* speed_;
    CGraphicCounterCtrl* resolution_;
    CViewMeterCtrl* dial_;
    std::array<CGraphicCounterCtrl*, 5> orientation_{};
    QLabel* depthUnit_;
    QLabel* speedUnit_;
    QLabel* resolutionUnit_;
    QLabel* serial_;
    QProgressBar* gammaBar_;
    QLabel* gammaLow_;
    QLabel* gammaHigh_;
    CGraphicCounterCtrl* gammaCounter_;
    QLabel* gammaUnit_;
    CBigDepth* magnifier_;
    QTimer tick_;
    QTimer serialBlink_;
    bool serialPhase_ = false;
    bool depthAsMeasured_ = false; // at start: the depth less the sonde length
    bool replayShown_ = false;
    bool powerUpDoneShown_ = false;
};

} // namespace zarn::ui
