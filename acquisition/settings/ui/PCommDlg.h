// The communication page of the logger setup sheet: the line speed, the signal drives and the
// receiver gain with their read-back, and the eight link indicators. The logic
// (CommPageLogic) takes or refuses each entry; the page shows the stored values after each.
#pragma once

#include "acquisition/settings/CommPageLogic.h"

#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QPushButton;

namespace zarn::ui {

class NumberField;

class CPCommDlg final : public QWidget {
    Q_OBJECT
public:
    explicit CPCommDlg(LoggerSetupHost& host, QWidget* parent = nullptr);

    CommPageLogic& logic() { return logic_; }
    void showValues();
    void setFieldsEnabled(bool enabled);
    // "&Set": commits the gain, the uphole drive and the downhole drive, in this order.
    void OnSet();
    // The 64-ms indicator tick, the frame notice (1741), the read-back refresh (1743) and the
    // clear command (1744).
    void tickIndicators();
    void frameDecoded();
    void refreshReadBack();
    void clearIndicators();

    QString readBackSpeed() const;
    QString readBackDrive() const;
    CommIndicators::Colour indicatorColour(int indicator) const {
        return logic_.indicators().colour(indicator);
    }

private:
    void paintIndicators();

    LoggerSetupHost& host_;
    CommPageLogic logic_;
    QComboBox* speed_ = nullptr;
    NumberField* downhole_ = nullptr;
    NumberField* gain_ = nullptr;
    NumberField* uphole_ = nullptr;
    QLabel* maximum_ = nullptr;
    QLabel* speedRead_ = nullptr;
    QLabel* driveRead_ = nullptr;
    QPushButton* set_ = nullptr;
    std::array<QLabel*, CommIndicators::Count> indicators_{};
};

} // namespace zarn::ui
