// "LAS 2.0 exportation for ZARN": the dialog over LasExportLogic. It chooses the log and the
// LAS file, checks From and To when their field is left, offers the sample interval, Reverse
// depth and the channel boxes, and runs the export on a thread of its own with its info line
// and progress bar; Close during a run stops it first. The child widgets carry object names
// ("from", "to", "interval", "reverse", "start", "close", "channel_<key>", ...) by which the
// tests find them.
#pragma once

#include "acquisition/export/LasExport.h"
#include "acquisition/export/LasExportLogic.h"
#include "acquisition/export/ui/ExportDialogs.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zarn::ui {

class ExportRunner;

class CLasExport final : public QDialog {
    Q_OBJECT
public:
    CLasExport(const Configuration& configuration, ExportFileChoices choices,
               QWidget* parent = nullptr);
    ~CLasExport() override;

    const LasExportLogic& logic() const { return logic_; }
    const std::optional<std::filesystem::path>& header() const { return header_; }
    bool running() const;
    const std::optional<LasExportResult>& lastResult() const { return result_; }

    void OnInput();
    void OnOutput();
    void OnStart();
    void reject() override; // Close: stops a running export first

Q_SIGNALS:
    void exportEnded();

private:
    struct Channel {
        QCheckBox* box;
        bool LasColumns::*column;
    };
    void build();
    void enableControls();
    void showRange();
    void leave(QLineEdit* edit, bool isFrom);
    void finishRun();

    LasExportLogic logic_;
    ExportFileChoices choices_;
    std::filesystem::path headerFolder_;
    std::optional<std::filesystem::path> header_;
    std::optional<LasExportResult> result_;
    std::shared_ptr<LasExportResult> pending_;
    bool leaving_ = false;
    bool closeAfterRun_ = false;

    QLabel* input_;
    QLabel* output_;
    QPushButton* inputButton_;
    QPushButton* outputButton_;
    QLineEdit* from_;
    QLineEdit* to_;
    QCheckBox* reverse_;
    QComboBox* interval_;
    std::vector<Channel> channels_;
    QLabel* info_;
    QProgressBar* progress_;
    QPushButton* start_;
    QPushButton* close_;
    ExportRunner* runner_;
};

} // namespace zarn::ui
