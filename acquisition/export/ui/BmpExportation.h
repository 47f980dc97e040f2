// "Picture export": the dialog over BmpExportationLogic. It chooses the log and the output
// folder, checks each entry when its field is left (Enter moves to the next field, which
// leaves it), shows the sizes and a preview of the pictures in its picture frame (drawn again
// after each change of the source, the range, the interval or the deviation), and runs the export
// (pictures, or the LGX image log) on a thread of its own with the status line and the progress bar
// under the picture frame; while it runs only Cancel is live, and Cancel stops it. After a
// picture export that ended well it hands the pictures on as its boxes ask (PictureHandOff):
// the viewer on the first picture, then the HTML page in the browser. The child
// widgets carry object names ("from", "to", "interval", "lgxInterval", "maxLines", "deviation",
// "export", "cancel", ...) by which the tests find them.
#pragma once

#include "acquisition/export/BmpExportationLogic.h"
#include "acquisition/export/PictureExportRun.h"
#include "acquisition/export/ui/ExportDialogs.h"
#include "platform/PixelImage.h"

#include <QDialog>

#include <memory>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace zarn::ui {

class ExportRunner;

class CBmpExportation final : public QDialog {
    Q_OBJECT
public:
    // choices: all filled (withDefaultDialogs).
    CBmpExportation(const Configuration& configuration, ExportFileChoices choices,
                    QWidget* parent = nullptr);
    ~CBmpExportation() override;

    const BmpExportationLogic& logic() const { return logic_; }
    // The header chosen last, when one was read.
    const std::optional<std::filesystem::path>& header() const { return header_; }
    bool running() const;
    // The outcome of the last export, when one ran.
    const std::optional<PictureExportResult>& lastResult() const { return result_; }
    // What the last export handed on, when it was a picture export that ended well.
    const std::optional<PictureHandOff::Report>& lastHandOff() const { return handOff_; }

    void OnInput();  // "..." of the input: choose and read the log
    void OnOutput(); // "..." of the output: choose the folder
    void OnExport();
    void OnCancel(); // stops a running export, else closes
    void reject() override;

Q_SIGNALS:
    // An export has ended (done, cancelled or failed).
    void exportEnded();

private:
    void build();
    void connectEntries();
    void fillFromLogic();
    void refreshSizes();
    void enableControls();
    void leave(QLineEdit* edit,
               std::optional<std::string> (BmpExportationLogic::*enter)(std::string_view));
    void switchLgx(bool lgx);
    void finishRun();
    void handOn();
    // The preview drawn again on a thread of its own (one at a time; a newer one replaces it).
    void requestPreview();
    void finishPreview();

    BmpExportationLogic logic_;
    ExportFileChoices choices_;
    std::filesystem::path headerFolder_;
    std::optional<std::filesystem::path> header_;
    std::optional<PictureExportResult> result_;
    PictureExportJob ranJob_; // the job of the last export
    int depthUnit_;
    std::optional<PictureHandOff::Report> handOff_;
    std::shared_ptr<PictureExportResult> pending_; // filled by the running export
    std::shared_ptr<std::optional<PixelImage>> pendingPreview_;
    bool leaving_ = false; // re-entry guard of the leave-field checks
    bool closeAfterRun_ = false;

    QLabel* input_;
    QLabel* sourceInfo_;
    QLabel* average_;
    QLineEdit* from_;
    QLineEdit* to_;
    QLabel* fromUnit_;
    QLabel* toUnit_;
    QCheckBox* reverse_;
    QLineEdit* interval_;
    QLabel* intervalUnit_;
    QLabel* intervalRange_;
    QComboBox* lgxInterval_;
    QComboBox* deviation_;
    QWidget* maxLinesGroup_;
    QLineEdit* maxLines_;
    QLabel* lengthPerFile_;
    QRadioButton* bmp_;
    QRadioButton* tiff_;
    QRadioButton* jpg_;
    QCheckBox* lgx_;
    QRadioButton* trueColour_;
    QRadioButton* grey_;
    QRadioButton* bilinear_;
    QRadioButton* bicubic_;
    QComboBox* decimals_;
    QCheckBox* drawScale_;
    QComboBox* scaleColour_;
    QLabel* output_;
    QCheckBox* viewer_;
    QCheckBox* browser_;
    QLabel* info_;
    QLabel* preview_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* inputButton_;
    QPushButton* outputButton_;
    QPushButton* export_;
    QPushButton* cancel_;
    ExportRunner* runner_;
    ExportRunner* previewRunner_;
};

} // namespace zarn::ui
