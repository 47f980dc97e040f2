// The depth reset dialog ("Depth reset."): the operator enters the depth of the top of the
// sonde read on the cable. A refused entry shows its message and the dialog stays open; OK with
// a good entry gives the depth to set, which the caller stores and sends to the logger.
#pragma once

#include "acquisition/settings/DepthResetLogic.h"

#include <QDialog>

#include <optional>

class QLineEdit;

namespace zarn::ui {

class CPSetDepthDlg : public QDialog {
    Q_OBJECT

public:
    struct Setup {
        bool feet = false;       // the entry is in feet
        int sondeLengthCm = 0;   // the selected sonde's length
        double depthScale = 0.0; // the logger's encoder counts per centimetre
    };
    explicit CPSetDepthDlg(const Setup& setup, QWidget* parent = nullptr);

    // After OK: the depth to set, in metres; empty when cancelled or not closed yet.
    std::optional<double> depthToSet() const { return depth_; }

    void accept() override;

private:
    DepthResetLogic logic_;
    QLineEdit* entry_ = nullptr;
    std::optional<double> depth_;
};

} // namespace zarn::ui
