// The logger setup sheet ("Logger Setup"): the winch, probe and communication pages on tabs,
// opening on "Communication". The sheet runs the pages' orders and read-back checks from its
// timer, forwards the link's notices to its pages, and enables the pages' fields by the
// acquisition state every 250 ms while it is shown.
//
// Threads: the window thread only. The link's notices arrive through the message bus; one sent
// from a worker is queued for the window thread.
#pragma once

#include "acquisition/app/WindowPlacement.h"
#include "acquisition/settings/ui/EngineSetupHost.h"

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <memory>
#include <vector>

class QTabWidget;
class QTimer;
class QLabel;

namespace zarn {
class AcquisitionEngine;
class SondeDatabase;
struct DrawnRow;
} // namespace zarn

namespace zarn::ui {

class CPWinchDlg;
class CPCommDlg;
class CPProbeDlg;

class CPropertyLoggerDlg final : public QDialog {
    Q_OBJECT
public:
    // The tabs, in their order.
    enum Tab { WinchTab, ProbeTab, CommunicationTab };

    // placement: where the sheet was when it last closed (stored again at every close); none
    // in tests.
    CPropertyLoggerDlg(AcquisitionEngine& engine, SondeDatabase& sondes, QWidget* parent = nullptr,
                       WindowPlacement* placement = nullptr);
    ~CPropertyLoggerDlg() override;

    CPWinchDlg& winch() { return *winch_; }
    CPCommDlg& communication() { return *comm_; }
    CPProbeDlg& probe() { return *probe_; }
    QTabWidget& tabs() { return *tabs_; }
    LoggerSetupHost& host() { return host_; }

    // The enabling of the pages' fields by the acquisition state (every 250 ms while shown).
    void refreshEnabling();
    // Runs the pages' orders and checks now (the timer does it every 50 ms).
    void service();
    // The drawing thread, after each image row: the row's centre for the alignment preview,
    // copied from the image memory under its lock. Touches no widget.
    void rowDrawn(const DrawnRow& row);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void done(int result) override;

private:
    void handleMessage(int id);
    void showReadBackLabels(int tab);

    AcquisitionEngine& engine_;
    EngineSetupHost host_;
    std::vector<std::uint32_t> drawnRow_; // the drawing thread's
    QTabWidget* tabs_ = nullptr;
    CPWinchDlg* winch_ = nullptr;
    CPProbeDlg* probe_ = nullptr;
    CPCommDlg* comm_ = nullptr;
    QLabel* settingLabel_ = nullptr;
    QLabel* readBackLabel_ = nullptr;
    QTimer* service_ = nullptr;
    QTimer* indicators_ = nullptr;
    QTimer* enabling_ = nullptr;
    QElapsedTimer clock_;
    int lastTab_ = CommunicationTab;
    WindowPlacement* placement_ = nullptr;
    bool placed_ = false;
};

} // namespace zarn::ui
