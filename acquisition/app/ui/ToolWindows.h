// The main window's two diagnostic windows, made with it: the diagnostic panel (CDiagnose) and
// the deviation window (CToolsProbeDlg). Their commands arrive on the message bus; what a worker
// sends synchronously is queued for the windows' thread, so only that thread touches them.
#pragma once

#include "acquisition/engine/EngineDiagnoseHost.h"

#include <QObject>

class QWidget;

namespace zarn::ui {

class CDiagnose;
class CToolsProbeDlg;

class ToolWindows final : public QObject {
    Q_OBJECT

public:
    ToolWindows(AcquisitionEngine& engine, QWidget* owner);
    ~ToolWindows() override;

    // "&Deviation Data" and the panel's deviation tools button.
    void showDeviation();
    // With the product tools: the diagnostic panel.
    void showDiagnose();

    CDiagnose& diagnose() { return *diagnose_; }
    CToolsProbeDlg& deviation() { return *deviation_; }

private:
    EngineDiagnoseHost host_;
    CDiagnose* diagnose_;
    CToolsProbeDlg* deviation_;
};

} // namespace zarn::ui
