// The diagnostic panel ("Diagnostic panel"): the 38 indicators of the sonde's DSP error bits,
// "Active diagnostic" and "&DSP Error reset" (the diagnostic order F13.6, sent when the link is
// free), and the transmission statistics, refreshed every 333 ms while the panel is shown.
// Modeless; Close hides it. Only the windows' thread calls it: its owner routes the refresh
// command (1741) to showReadBack.
#pragma once

#include "acquisition/settings/DiagnoseLogic.h"

#include <QDialog>
#include <QPixmap>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zarn::ui {

class CDiagnose : public QDialog {
    Q_OBJECT

public:
    explicit CDiagnose(DiagnosePanelHost& host, QWidget* parent = nullptr);

    // 1741: the indicators from the host's read-back values.
    void showReadBack();
    // Rewrites the twelve statistics fields.
    void refreshStatistics();

    const DiagnoseLogic& logic() const { return logic_; }
    // The text that reports an order not sent; empty when the last one went out.
    QString sendReport() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void OnActiveDiagnostic(bool checked);
    void OnDspErrorReset();
    void OnCounterReset();
    void sendTick();
    void showIndicators();
    void armSending();

    DiagnosePanelHost& host_;
    DiagnoseLogic logic_;
    QPixmap normal_;
    QPixmap error_;
    // One icon per shown bit: the group's index, the bit and its label.
    struct Indicator {
        std::size_t group;
        int bit;
        QLabel* icon;
    };
    std::vector<Indicator> indicators_;
    std::array<QLineEdit*, 12> statistics_{};
    QCheckBox* active_;
    QPushButton* reset_;
    QLabel* report_;
    QTimer* statisticsTimer_;
    QTimer* sendTimer_;
};

} // namespace zarn::ui
