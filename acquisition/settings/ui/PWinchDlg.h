// The winch page of the logger setup sheet: the encoder direction and resolution, the wheel
// circumference and the cable type. The logic (WinchPageLogic) takes or refuses each entry;
// the page shows the stored values again after every answer.
#pragma once

#include "acquisition/settings/WinchPageLogic.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zarn::ui {

class NumberField;

class CPWinchDlg final : public QWidget {
    Q_OBJECT
public:
    explicit CPWinchDlg(LoggerSetupHost& host, QWidget* parent = nullptr);

    WinchPageLogic& logic() { return logic_; }
    // Shows the stored values (also after a change of the depth unit).
    void showValues();
    void setFieldsEnabled(bool enabled, bool cableTypeEnabled);
    // "&Set": commits the resolution and the circumference.
    void OnSet();

private:
    WinchPageLogic logic_;
    QCheckBox* normal_ = nullptr;
    NumberField* resolution_ = nullptr;
    NumberField* circumference_ = nullptr;
    QLabel* unit_ = nullptr;
    QComboBox* cable_ = nullptr;
    QPushButton* set_ = nullptr;
};

} // namespace zarn::ui
