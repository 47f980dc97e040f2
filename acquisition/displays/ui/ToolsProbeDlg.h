// The deviation window ("Deviation Data"): the raw accelerometer and magnetometer values of the
// record shown and the orientation computed from them, in twelve counter controls with black
// text, yellow live and light cyan in replay. Modeless; its owner routes the read-back refresh
// (1743, while shown) and the clear command (1744) to it on the windows' thread.
#pragma once

#include "acquisition/displays/DeviationData.h"

#include <QDialog>

#include <array>
#include <functional>
#include <optional>

namespace zarn::ui {

class CGraphicCounterCtrl;

class CToolsProbeDlg : public QDialog {
    Q_OBJECT

public:
    // What the window shows: the orientation of the record shown, and whether it is replayed.
    struct Source {
        std::function<OrientationResult()> orientation;
        std::function<bool()> replay;
    };
    explicit CToolsProbeDlg(Source source, QWidget* parent = nullptr);

    // 1743: the raw values, then the computed ones (only while the window is shown).
    void ShowReadBack();
    // 1744: every field "-".
    void ClearReadBack();

    const CGraphicCounterCtrl& field(std::size_t index) const { return *fields_[index]; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void showTexts(const DeviationData::Texts& texts);

    Source source_;
    std::array<CGraphicCounterCtrl*, DeviationData::FieldCount> fields_{};
    std::optional<bool> replayShown_;
};

} // namespace zarn::ui
