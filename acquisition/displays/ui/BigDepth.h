// The depth magnifier: a floating window with the depth, the speed and the resolution in large
// digits, for reading from the winch. It shows what the depth display shows, with the same
// colours (live yellow, replay aqua), a moment after the display asks for it.
#pragma once

#include "acquisition/app/WindowPlacement.h"
#include "acquisition/displays/DepthDisplayLogic.h"

#include <QDialog>
#include <QTimer>

class QLabel;

namespace zarn::ui {

class CGraphicCounterCtrl;

// Writes the depth, speed and resolution read-outs in their colour (the display and the
// magnifier draw them alike).
void showDepthReadout(const DepthReadout& readout, CGraphicCounterCtrl& depth,
                      CGraphicCounterCtrl& speed, CGraphicCounterCtrl& resolution);

class CBigDepth final : public QDialog {
    Q_OBJECT
public:
    // placements: the application's record, where the magnifier keeps where it was.
    CBigDepth(WindowPlacementRecord& placements, QWidget* parent = nullptr);

    // Shows the window where it was last, or centred below the top of the main window.
    void showBelow(const QWidget* mainWindow);
    // The depth display's values; drawn 1 ms later (one draw for a burst).
    void refresh(const DepthReadout& readout);
    void setUnits(const UnitLabels& units);

    CGraphicCounterCtrl& depth() const { return *depth_; }
    CGraphicCounterCtrl& speed() const { return *speed_; }
    CGraphicCounterCtrl& resolution() const { return *resolution_; }
    QString depthUnit() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void draw();
    void storePlacement();

    WindowPlacementRecord& placements_;
    CGraphicCounterCtrl* depth_;
    CGraphicCounterCtrl* speed_;
    CGraphicCounterCtrl* resolution_;
    QLabel* depthUnit_;
    QLabel* speedUnit_;
    QLabel* resolutionUnit_;
    QTimer refresh_;
    DepthReadout pending_;
};

} // namespace zarn::ui
