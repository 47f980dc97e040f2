// The recording mode dialog, shown before a recording starts: the logging direction ("Uphole",
// "Downhole"), the file split length and the orientation mode in use. OK gives the choice;
// Escape or the close button cancel, and the recording does not start.
#pragma once

#include "acquisition/settings/RecordingModeLogic.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QRadioButton;

namespace zarn::ui {

class CPRecordingMode : public QDialog {
    Q_OBJECT

public:
    struct Setup {
        double cableSpeed = 0.0; // the measurement record's speed; negative: moving up
        bool feet = false;       // the depth unit
        int orientationMode = 0; // 0 none, 1 vertical, 2 horizontal
        int logDirection = logdirection::Downhole; // the direction before, kept if none is checked
    };
    explicit CPRecordingMode(const Setup& setup, QWidget* parent = nullptr);

    // After OK: the direction and split length chosen; empty when the dialog was cancelled (or
    // has not been closed yet). The caller then sets the furthest depth reached to the current
    // image depth.
    const std::optional<RecordingModeLogic::Result>& choice() const { return choice_; }

    void accept() override;

private:
    RecordingModeLogic logic_;
    int previousDirection_;
    QRadioButton* uphole_ = nullptr;
    QRadioButton* downhole_ = nullptr;
    QComboBox* split_ = nullptr;
    std::optional<RecordingModeLogic::Result> choice_;
};

} // namespace zarn::ui
