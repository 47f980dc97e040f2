#include "acquisition/export/ui/BmpExportation.h"

#include "acquisition/export/PicturePreview.h"
#include "acquisition/export/ui/ExportRunner.h"
#include "acquisition/export/ui/ExportWidgets.h"
#include "platform/UserMessages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zarn::ui {

namespace {

// The preview frame's size in pixels.
constexpr int FrameWidth = 240;
constexpr int FrameHeight = 400;

} // namespace

CBmpExportation::CBmpExportation(const Configuration& configuration, ExportFileChoices choices,
                                 QWidget* parent)
    : QDialog(parent), logic_(configuration.program.picture, configuration.program.depthUnit != 0),
      choices_(std::move(choices)), headerFolder_(headerFolderOf(configuration.paths)),
      depthUnit_(configuration.program.depthUnit) {
    setWindowTitle(QStringLiteral("Picture export"));
    build();
    connectEntries();
    runner_ = new ExportRunner(status_, progress_, this);
    connect(runner_, &ExportRunner::finished, this, &CBmpExportation::finishRun);
    previewRunner_ = new ExportRunner(status_, progress_, this);
    connect(previewRunner_, &ExportRunner::finished, this, &CBmpExportation::finishPreview);
    // The folder of the log exported last, while that log is still there.
    std::error_code ec;
    const std::filesystem::path last = configuration.paths.exportDataFile;
    if (!last.empty() && std::filesystem::exists(last, ec)) {
        logic_.setOutputFolder(last.parent_path());
        output_->setText(qs(last.parent_path().string()));
    }
    fillFromLogic();
}

CBmpExportation::~CBmpExportation() {
    // Nothing is reported to a dialog on its way out.
    for (ExportRunner* runner : {runner_, previewRunner_}) {
        runner->blockSignals(true);
        runner->cancelAndWait();
    }
}

void CBmpExportation::build() {
    auto* layout = new QGridLayout(this);
    auto* left = new QVBoxLayout;
    layout->addLayout(left, 0, 0);

    auto* source = new QGroupBox(QStringLiteral("Source"), this);
    auto* sourceGrid = new QGridLayout(source);
    input_ = named(new QLabel(source), "input");
    input_->setMinimumWidth(300);
    inputButton_ = browseButton("inputButton", source);
    sourceGrid->addWidget(input_, 0, 0, 1, 2);
    sourceGrid->addWidget(inputButton_, 0, 2);
    sourceGrid->addWidget(new QLabel(QStringLiteral("Source :"), source), 1, 0);
    sourceInfo_ = named(new QLabel(source), "sourceInfo");
    sourceGrid->addWidget(sourceInfo_, 1, 1, 1, 2);
    sourceGrid->addWidget(new QLabel(QStringLiteral("Average source file depth sampling"), source),
                          2, 0);
    average_ = named(new QLabel(source), "average");
    sourceGrid->addWidget(average_, 2, 1, 1, 2);
    left->addWidget(source);

    auto* depth = new QGroupBox(QStringLiteral("Depth"), this);
    auto* depthGrid = new QGridLayout(depth);
    from_ = named(new QLineEdit(depth), "from");
    to_ = named(new QLineEdit(depth), "to");
    fromUnit_ = new QLabel(depth);
    toUnit_ = new QLabel(depth);
    depthGrid->addWidget(new QLabel(QStringLiteral("From"), depth), 0, 0);
    depthGrid->addWidget(from_, 0, 1);
    depthGrid->addWidget(fromUnit_, 0, 2);
    depthGrid->addWidget(new QLabel(QStringLiteral("To"), depth), 0, 3);
    depthGrid->addWidget(to_, 0, 4);
    depthGrid->addWidget(toUnit_, 0, 5);
    reverse_ = named(new QCheckBox(QStringLiteral("Reverse depth"), depth), "reverse");
    reverse_->setEnabled(false); // the direction follows the log
    depthGrid->addWidget(reverse_, 1, 0, 1, 3);
    left->addWidget(depth);

    auto* sampling = new QGroupBox(QStringLiteral("Depth sampling interval"), this);
    auto* samplingRow = new QHBoxLayout(sampling);
    interval_ = named(new QLineEdit(sampling), "interval");
    lgxInterval_ = named(new QComboBox(sampling), "lgxInterval");
    intervalUnit_ = new QLabel(sampling);
    intervalRange_ = named(new QLabel(sampling), "intervalRange");
    samplingRow->addWidget(interval_);
    samplingRow->addWidget(lgxInterval_);
    samplingRow->addWidget(intervalUnit_);
    samplingRow->addWidget(intervalRange_, 1);
    left->addWidget(sampling);

    auto* deviation = new QGroupBox(QStringLiteral("Deviation"), this);
    auto* deviationRow = new QHBoxLayout(deviation);
    deviation_ = named(new QComboBox(deviation), "deviation");
    deviation_->addItem(QStringLiteral("no deviation"), 0);
    deviation_->addItem(QStringLiteral("Magnetic North"), 1);
    deviation_->addItem(QStringLiteral("High side"), 2);
    deviationRow->addWidget(new QLabel(QStringLiteral("Use"), deviation));
    deviationRow->addWidget(deviation_, 1);
    left->addWidget(deviation);

    auto* maxLines = new QGroupBox(QStringLiteral("Max of lines"), this);
    maxLinesGroup_ = maxLines;
    auto* maxRow = new QHBoxLayout(maxLines);
    maxLines_ = named(new QLineEdit(maxLines), "maxLines");
    lengthPerFile_ = named(new QLabel(maxLines), "lengthPerFile");
    maxRow->addWidget(maxLines_);
    maxRow->addWidget(lengthPerFile_, 1);
    left->addWidget(maxLines);

    auto* format = new QGroupBox(QStringLiteral("Format"), this);
    auto* formatGrid = new QGridLayout(format);
    bmp_ = named(new QRadioButton(QStringLiteral("BMP"), format), "bmp");
    tiff_ = named(new QRadioButton(QStringLiteral("TIFF"), format), "tiff");
    jpg_ = named(new QRadioButton(QStringLiteral("JPG"), format), "jpg");
    lgx_ = named(new QCheckBox(QStringLiteral("LGX Format"), format), "lgx");
    trueColour_ = named(new QRadioButton(QStringLiteral("True color"), format), "trueColour");
    grey_ = named(new QRadioButton(QStringLiteral("B/W"), format), "grey");
    bilinear_ = named(new QRadioButton(QStringLiteral("Bilinear"), format), "bilinear");
    bicubic_ = named(new QRadioButton(QStringLiteral("Bicubic"), format), "bicubic");
    for (const auto& group :
         {std::pair{bmp_, tiff_}, std::pair{trueColour_, grey_}, std::pair{bilinear_, bicubic_}}) {
        auto* buttons = new QButtonGroup(format);
        buttons->addButton(group.first);
        buttons->addButton(group.second);
        if (group.first == bmp_)
            buttons->addButton(jpg_);
    }
    formatGrid->addWidget(bmp_, 0, 0);
    formatGrid->addWidget(tiff_, 0, 1);
    formatGrid->addWidget(jpg_, 0, 2);
    formatGrid->addWidget(lgx_, 0, 3);
    formatGrid->addWidget(trueColour_, 1, 0);
    formatGrid->addWidget(grey_, 1, 1);
    formatGrid->addWidget(bilinear_, 2, 0);
    formatGrid->addWidget(bicubic_, 2, 1);
    decimals_ = named(new QComboBox(format), "decimals");
    for (int d : {2, 3, 4})
        decimals_->addItem(QString::number(d), d);
    formatGrid->addWidget(new QLabel(QStringLiteral("Decimal"), format), 3, 0);
    formatGrid->addWidget(decimals_, 3, 1);
    drawScale_ = named(new QCheckBox(QStringLiteral("Draw depth scale"), format), "drawScale");
    scaleColour_ = named(new QComboBox(format), "scaleColour");
    for (const char* colour : {"Black", "Red", "Yellow", "White"})
        scaleColour_->addItem(QString::fromLatin1(colour));
    formatGrid->addWidget(drawScale_, 4, 0, 1, 2);
    formatGrid->addWidget(scaleColour_, 4, 2, 1, 2);
    left->addWidget(format);

    auto* output = new QGroupBox(QStringLiteral("Output"), this);
    auto* outputGrid = new QGridLayout(output);
    output_ = named(new QLabel(output), "output");
    outputButton_ = browseButton("outputButton", output);
    outputGrid->addWidget(output_, 0, 0);
    outputGrid->addWidget(outputButton_, 0, 1);
    viewer_ = named(new QCheckBox(QStringLiteral("LVViewer (BMP and JPG)"), output), "viewer");
    browser_ =
        named(new QCheckBox(QStringLiteral("HTML generator ( JPG only)"), output), "browser");
    outputGrid->addWidget(viewer_, 1, 0, 1, 2);
    outputGrid->addWidget(browser_, 2, 0, 1, 2);
    left->addWidget(output);

    info_ = named(new QLabel(this), "info");
    left->addWidget(info_);

    auto* right = new QVBoxLayout;
    preview_ = named(new QLabel(this), "preview");
    preview_->setFixedSize(FrameWidth, FrameHeight);
    preview_->setFrameShape(QFrame::Box);
    preview_->setAlignment(Qt::AlignCenter);
    preview_->setStyleSheet(QStringLiteral("background: black; color: grey"));
    preview_->setText(QStringLiteral("Preview"));
    right->addWidget(preview_, 0, Qt::AlignHCenter);
    status_ = named(new QLabel(this), "status");
    status_->setWordWrap(true);
    status_->setMinimumHeight(2 * status_->fontMetrics().height());
    right->addWidget(status_);
    progress_ = named(new QProgressBar(this), "progress");
    progress_->setTextVisible(false);
    right->addWidget(progress_);
    right->addStretch(1);
    auto* buttons = new QHBoxLayout;
    export_ = plainButton("Export", "export", this);
    export_->setAutoDefault(true); // Enter on Export, and only there, runs the export
    cancel_ = plainButton("Cancel", "cancel", this);
    buttons->addStretch(1);
    buttons->addWidget(export_);
    buttons->addWidget(cancel_);
    right->addLayout(buttons);
    layout->addLayout(right, 0, 1);
}

void CBmpExportation::connectEntries() {
    connect(inputButton_, &QPushButton::clicked, this, &CBmpExportation::OnInput);
    connect(outputButton_, &QPushButton::clicked, this, &CBmpExportation::OnOutput);
    connect(export_, &QPushButton::clicked, this, &CBmpExportation::OnExport);
    connect(cancel_, &QPushButton::clicked, this, &CBmpExportation::OnCancel);
    const auto onLeave = [this](QLineEdit* edit, auto enter) {
        connect(edit, &QLineEdit::editingFinished, this,
                [this, edit, enter] { leave(edit, enter); });
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
    };
    onLeave(from_, &BmpExportationLogic::enterFrom);
    onLeave(to_, &BmpExportationLogic::enterTo);
    onLeave(interval_, &BmpExportationLogic::enterInterval);
    onLeave(maxLines_, &BmpExportationLogic::enterMaxLines);
    connect(lgx_, &QCheckBox::toggled, this, &CBmpExportation::switchLgx);
    connect(lgxInterval_, &QComboBox::activated, this, [this](int row) {
        logic_.setLgxItem(lgxInterval_->itemData(row).toInt());
        refreshSizes();
        requestPreview();
    });
    connect(deviation_, &QComboBox::activated, this, [this](int row) {
        logic_.setDeviation(deviation_->itemData(row).toInt());
        requestPreview();
    });
    const auto type = [this](QRadioButton* radio, CBmpCreator::PictureType t) {
        connect(radio, &QRadioButton::toggled, this, [this, t](bool on) {
            if (!on)
                return;
            logic_.setType(t);
            viewer_->setChecked(logic_.useViewer());
            browser_->setChecked(logic_.useBrowser());
        });
    };
    type(bmp_, CBmpCreator::PictureType::Bmp);
    type(tiff_, CBmpCreator::PictureType::Tiff);
    type(jpg_, CBmpCreator::PictureType::Jpeg);
    connect(grey_, &QRadioButton::toggled, this, [this](bool on) { logic_.setGrey(on); });
    connect(bicubic_, &QRadioButton::toggled, this, [this](bool on) { logic_.setBicubic(on); });
    connect(decimals_, &QComboBox::activated, this,
            [this](int row) { logic_.setDecimals(decimals_->itemData(row).toInt()); });
    connect(drawScale_, &QCheckBox::toggled, this, [this](bool on) { logic_.setDrawScale(on); });
    connect(scaleColour_, &QComboBox::activated, this,
            [this](int row) { logic_.setScaleColour(row); });
    const auto box = [this](QCheckBox* check, auto set) {
        connect(check, &QCheckBox::clicked, this, [this, check, set](bool on) {
            if (std::optional<std::string> refused = (logic_.*set)(on)) {
                check->setChecked(false);
                showMessage(*refused, MessageIcon::Warning);
            }
        });
    };
    box(viewer_, &BmpExportationLogic::setUseViewer);
    box(browser_, &BmpExportationLogic::setUseBrowser);
}

// The widgets set from the logic: on opening and after a source was read.
void CBmpExportation::fillFromLogic() {
    const QString unit = QString::fromLatin1(logic_.depthUnit());
    fromUnit_->setText(unit);
    toUnit_->setText(unit);
    intervalUnit_->setText(QString::fromLatin1(logic_.intervalUnit()));
    lgxInterval_->clear();
    for (int item = 1; item <= LgxIntervalCount; ++item)
        lgxInterval_->addItem(qs(lgxIntervalText(item, logic_.feet())), item);
    lgxInterval_->setCurrentIndex(logic_.lgxItem() - 1);
    (logic_.type() == CBmpCreator::PictureType::Bmp    ? bmp_
     : logic_.type() == CBmpCreator::PictureType::Tiff ? tiff_
                                                       : jpg_)
        ->setChecked(true);
    (logic_.grey() ? grey_ : trueColour_)->setChecked(true);
    (logic_.bicubic() ? bicubic_ : bilinear_)->setChecked(true);
    decimals_->setCurrentIndex(decimals_->findData(logic_.decimals()));
    drawScale_->setChecked(logic_.drawScale());
    scaleColour_->setCurrentIndex(logic_.scaleColour());
    deviation_->setCurrentIndex(deviation_->findData(logic_.deviation()));
    viewer_->setChecked(logic_.useViewer());
    browser_->setChecked(logic_.useBrowser());
    lgx_->setChecked(logic_.lgx());
    switchLgx(logic_.lgx());
    if (const ExportSource* source = logic_.source()) {
        std::filesystem::path data = source->headerPath;
        input_->setText(qs(data.replace_extension("lox").string()));
        sourceInfo_->setText(qs(logic_.sourceText()));
        average_->setText(qs(logic_.averageText() + " " + logic_.intervalUnit()));
        intervalRange_->setText(qs(logic_.intervalRangeText()));
        output_->setText(qs(logic_.outputFolder().string()));
    }
    refreshSizes();
}

// The fields and the sizes after a change.
void CBmpExportation::refreshSizes() {
    if (logic_.ready()) {
        from_->setText(qs(logic_.fromText()));
        to_->setText(qs(logic_.toText()));
        interval_->setText(qs(logic_.intervalText()));
        maxLines_->setText(qs(logic_.maxLinesText()));
        lengthPerFile_->setText(qs(logic_.lengthPerFileText()));
        info_->setText(qs(logic_.infoText()));
    }
    enableControls();
}

void CBmpExportation::enableControls() {
    const bool idle = !running();
    const bool ready = idle && logic_.ready();
    const bool pictures = !logic_.lgx();
    for (QWidget* w : std::initializer_list<QWidget*>{
             from_, to_, interval_, lgxInterval_, deviation_, maxLines_, lgx_, trueColour_, grey_,
             bilinear_, bicubic_, outputButton_, export_})
        w->setEnabled(ready);
    for (QWidget* w : std::initializer_list<QWidget*>{bmp_, tiff_, jpg_, decimals_, drawScale_,
                                                      scaleColour_, viewer_, browser_})
        w->setEnabled(ready && pictures);
    inputButton_->setEnabled(idle);
}

void CBmpExportation::leave(
    QLineEdit* edit, std::optional<std::string> (BmpExportationLogic::*enter)(std::string_view)) {
    if (leaving_ || !logic_.ready() || running())
        return;
    leaving_ = true;
    const std::optional<std::string> refused = (logic_.*enter)(edit->text().toStdString());
    refreshSizes();
    requestPreview();
    if (refused)
        showMessage(*refused, MessageIcon::Error);
    leaving_ = false;
}

void CBmpExportation::switchLgx(bool lgx) {
    logic_.setLgx(lgx);
    if (lgx) {
        bmp_->setChecked(true);
        viewer_->setChecked(false);
        browser_->setChecked(false);
        static_cast<void>(logic_.setUseViewer(false));
        static_cast<void>(logic_.setUseBrowser(false));
    }
    interval_->setVisible(!lgx);
    intervalRange_->setVisible(!lgx);
    lgxInterval_->setVisible(lgx);
    maxLinesGroup_->setVisible(!lgx);
    refreshSizes();
}

bool CBmpExportation::running() const {
    return runner_ && runner_->running();
}

void CBmpExportation::OnInput() {
    const std::optional<std::filesystem::path> chosen = choices_.headerToOpen(headerFolder_);
    if (!chosen)
        return;
    const std::optional<std::string> problem = logic_.open(*chosen);
    if (problem) {
        showMessage(*problem, MessageIcon::Error);
        refreshSizes();
        return;
    }
    header_ = *chosen;
    headerFolder_ = chosen->parent_path();
    status_->clear();
    fillFromLogic();
    requestPreview();
}

void CBmpExportation::OnOutput() {
    if (const std::optional<std::filesystem::path> folder =
            choices_.exportFolder(logic_.outputFolder())) {
        logic_.setOutputFolder(*folder);
        output_->setText(qs(folder->string()));
    }
}

void CBmpExportation::OnExport() {
    if (running() || !logic_.ready())
        return;
    if (std::optional<std::string> refused = logic_.checkBeforeRun()) {
        showMessage(*refused, MessageIcon::Error);
        return;
    }
    if (std::optional<std::string> space =
            PictureExportRun::freeSpaceProblem(logic_.outputFolder())) {
        showMessage(*space, MessageIcon::Error);
        return;
    }
    PictureExportJob job = logic_.job();
    if (job.output == PictureExportJob::Output::Lgx) {
        const LgxWriter::Paths paths = LgxWriter::pathsFor(
            job.outputFolder, logic_.source()->files.front().path.filename().string(),
            job.deviation);
        std::error_code ec;
        if (std::filesystem::exists(paths.description, ec)) {
            if (showMessage(LgxWriter::ReplaceQuestion, MessageIcon::Question,
                            MessageButtons::YesNo) != MessageAnswer::Yes) {
                status_->setText(QStringLiteral("Canceling wait ... End."));
                return;
            }
            job.replaceLgx = true;
        }
    }
    previewRunner_->cancelAndWait();
    result_.reset();
    handOff_.reset();
    ranJob_ = job;
    status_->setText(QStringLiteral("Load loging file, wait .."));
    // The run reads its own copy of the source: the dialog's may change only after it ended.
    auto source = std::make_shared<const ExportSource>(*logic_.source());
    auto result = std::make_shared<PictureExportResult>();
    if (!runner_->start([source, job, result](Progress& progress) {
            PictureExportRun run(*source, job);
            *result = run.run(progress);
        }))
        return;
    pending_ = std::move(result);
    enableControls();
}

void CBmpExportation::finishRun() {
    if (pending_)
        result_ = std::move(*pending_);
    pending_.reset();
    enableControls();
    Q_EMIT exportEnded();
    if (closeAfterRun_) {
        QDialog::reject();
        return;
    }
    if (result_ &&
        (result_->outcome == ExportOutcome::Failed ||
         result_->outcome == ExportOutcome::Declined) &&
        !result_->message.empty())
        showMessage(result_->message, MessageIcon::Error);
    handOn();
}

void CBmpExportation::handOn() {
    if (!result_ || !logic_.source() || !choices_.launcher || !choices_.viewerSettings)
        return;
    PictureHandOff::Choices asked{logic_.useViewer(), logic_.useBrowser(), depthUnit_, {}};
    if (asked.useViewer && choices_.viewerProgram)
        asked.viewerProgram = choices_.viewerProgram();
    const PictureHandOff::Plan plan =
        PictureHandOff::plan(*logic_.source(), ranJob_, *result_, asked);
    if (plan.empty())
        return;
    handOff_ = PictureHandOff(*choices_.viewerSettings, *choices_.launcher).run(plan, *result_);
    for (const std::string& warning : handOff_->warnings)
        showMessage(warning, MessageIcon::Warning);
}

void CBmpExportation::requestPreview() {
    if (!logic_.ready() || running())
        return;
    previewRunner_->cancelAndWait();
    auto source = std::make_shared<const ExportSource>(*logic_.source());
    auto picture = std::make_shared<std::optional<PixelImage>>();
    const PictureExportJob job = logic_.job();
    if (previewRunner_->start([source, job, picture](Progress& progress) {
            *picture = picturePreview(*source, job, FrameWidth, FrameHeight, progress);
        }))
        pendingPreview_ = std::move(picture);
}

void CBmpExportation::finishPreview() {
    const std::shared_ptr<std::optional<PixelImage>> picture = std::move(pendingPreview_);
    if (!picture || !*picture)
        return; // replaced by a newer one, or nothing to show
    const PixelImage& pixels = **picture;
    // B, G, R, A bytes: 32-bit pixels 0xAARRGGBB.
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), pixels.width(),
                       pixels.height(), pixels.width() * 4, QImage::Format_RGB32);
    preview_->setPixmap(QPixmap::fromImage(image.copy()));
}

void CBmpExportation::OnCancel() {
    if (running()) {
        runner_->cancel();
        return;
    }
    QDialog::reject();
}

void CBmpExportation::reject() {
    if (running()) {
        // Closing stops the export first; the dialog closes once it has ended.
        closeAfterRun_ = true;
        runner_->cancel();
        return;
    }
    QDialog::reject();
}

} // namespace zarn::ui
