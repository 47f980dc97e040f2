#include "acquisition/export/ui/LasExport.h"

#include "acquisition/export/ui/ExportRunner.h"
#include "acquisition/export/ui/ExportWidgets.h"
#include "platform/UserMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zarn::ui {

namespace {

// The channel boxes in the dialog's order, with the setting each keeps.
struct ChannelBox {
    const char* text;
    const char* name;
    bool LasColumns::*column;
};
constexpr ChannelBox ChannelBoxes[] = {
    {"Log Speed", "channel_ExportSpeed", &LasColumns::speed},
    {"Natural Gamma", "channel_ExportGamm", &LasColumns::gamma},
    {"Inclination", "channel_ExportIncl", &LasColumns::inclination},
    {"Azimuth", "channel_ExportAzimuth", &LasColumns::azimuth},
    {"HG Delta", "channel_ExportTDelta", &LasColumns::tDelta},
    {"Roll", "channel_ExportRoll", &LasColumns::roll},
    {"Magn. Roll", "channel_ExportMroll", &LasColumns::magneticRoll},
    {"Total Grav.", "channel_ExportTgrav", &LasColumns::totalGravity},
    {"Total Mag.", "channel_ExportTgauss", &LasColumns::totalMagnetic},
    {"Add deviation RAW data.", "channel_ExportRaw", &LasColumns::raw},
    {"Inclination - Azimuth", "channel_ExportInclGroup", &LasColumns::inclinationGroup},
};

} // namespace

CLasExport::CLasExport(const Configuration& configuration, ExportFileChoices choices,
                       QWidget* parent)
    : QDialog(parent), logic_(configuration.program.las, configuration.program.depthUnit != 0),
      choices_(std::move(choices)), headerFolder_(headerFolderOf(configuration.paths)) {
    setWindowTitle(QStringLiteral("LAS 2.0 exportation for ZARN"));
    build();
    runner_ = new ExportRunner(info_, progress_, this);
    connect(runner_, &ExportRunner::finished, this, &CLasExport::finishRun);
    enableControls();
}

CLasExport::~CLasExport() {
    runner_->cancelAndWait();
}

void CLasExport::build() {
    auto* layout = new QVBoxLayout(this);

    auto* files = new QGroupBox(QStringLiteral("Files"), this);
    auto* filesGrid = new QGridLayout(files);
    input_ = named(new QLabel(files), "input");
    output_ = named(new QLabel(QString::fromLatin1(LasExportLogic::NoOutputText), files), "output");
    input_->setMinimumWidth(280);
    inputButton_ = browseButton("inputButton", files);
    outputButton_ = browseButton("outputButton", files);
    filesGrid->addWidget(new QLabel(QStringLiteral("Input"), files), 0, 0);
    filesGrid->addWidget(input_, 0, 1);
    filesGrid->addWidget(inputButton_, 0, 2);
    filesGrid->addWidget(new QLabel(QStringLiteral("Output"), files), 1, 0);
    filesGrid->addWidget(output_, 1, 1);
    filesGrid->addWidget(outputButton_, 1, 2);
    filesGrid->setColumnStretch(1, 1);
    layout->addWidget(files);

    auto* depth = new QGroupBox(QStringLiteral("Depth"), this);
    auto* depthGrid = new QGridLayout(depth);
    from_ = named(new QLineEdit(depth), "from");
    to_ = named(new QLineEdit(depth), "to");
    const QString unit = QString::fromLatin1(logic_.depthUnit());
    depthGrid->addWidget(new QLabel(QStringLiteral("From"), depth), 0, 0);
    depthGrid->addWidget(from_, 0, 1);
    depthGrid->addWidget(new QLabel(unit, depth), 0, 2);
    depthGrid->addWidget(new QLabel(QStringLiteral("To"), depth), 0, 3);
    depthGrid->addWidget(to_, 0, 4);
    depthGrid->addWidget(new QLabel(unit, depth), 0, 5);
    reverse_ = named(new QCheckBox(QStringLiteral("Reverse depth"), depth), "reverse");
    depthGrid->addWidget(reverse_, 1, 0, 1, 3);
    interval_ = named(new QComboBox(depth), "interval");
    for (const LasInterval& entry : lasIntervals(logic_.feet()))
        interval_->addItem(QString::fromLatin1(entry.text), entry.ticks);
    interval_->setCurrentIndex(logic_.intervalIndex());
    depthGrid->addWidget(new QLabel(QStringLiteral("Select sample interval"), depth), 2, 0, 1, 3);
    depthGrid->addWidget(interval_, 2, 3, 1, 3);
    layout->addWidget(depth);

    auto* channels = new QGroupBox(QStringLiteral("Channels"), this);
    auto* channelGrid = new QGridLayout(channels);
    int n = 0;
    for (const ChannelBox& c : ChannelBoxes) {
        auto* box = named(new QCheckBox(QString::fromLatin1(c.text), channels), c.name);
        channelGrid->addWidget(box, n / 2, n % 2);
        channels_.push_back(Channel{box, c.column});
        connect(box, &QCheckBox::toggled, this,
                [this, column = c.column](bool on) { logic_.columns().*column = on; });
        ++n;
    }
    layout->addWidget(channels);

    info_ = named(new QLabel(this), "info");
    info_->setMinimumHeight(info_->fontMetrics().height());
    layout->addWidget(info_);
    progress_ = named(new QProgressBar(this), "progress");
    progress_->setTextVisible(false);
    layout->addWidget(progress_);
    auto* buttons = new QHBoxLayout;
    start_ = plainButton("Start", "start", this);
    close_ = plainButton("Close", "close", this);
    buttons->addStretch(1);
    buttons->addWidget(start_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    connect(inputButton_, &QPushButton::clicked, this, &CLasExport::OnInput);
    connect(outputButton_, &QPushButton::clicked, this, &CLasExport::OnOutput);
    connect(start_, &QPushButton::clicked, this, &CLasExport::OnStart);
    connect(close_, &QPushButton::clicked, this, &CLasExport::reject);
    connect(from_, &QLineEdit::editingFinished, this, [this] { leave(from_, true); });
    connect(to_, &QLineEdit::editingFinished, this, [this] { leave(to_, false); });
    for (QLineEdit* edit : {from_, to_})
        connect(edit, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
    connect(reverse_, &QCheckBox::toggled, this, [this](bool on) { logic_.setReverse(on); });
    connect(interval_, &QComboBox::activated, this,
            [this](int row) { logic_.setIntervalIndex(row); });
}

void CLasExport::enableControls() {
    const bool idle = !running();
    const bool ready = idle && logic_.ready();
    for (QWidget* w : std::initializer_list<QWidget*>{from_, to_, reverse_, interval_})
        w->setEnabled(ready);
    for (const Channel& c : channels_)
        c.box->setEnabled(ready && (c.column != &LasColumns::gamma || logic_.gammaAvailable()));
    start_->setEnabled(idle && logic_.canStart());
    inputButton_->setEnabled(idle);
    outputButton_->setEnabled(ready);
}

void CLasExport::showRange() {
    from_->setText(qs(logic_.fromText()));
    to_->setText(qs(logic_.toText()));
}

void CLasExport::leave(QLineEdit* edit, bool isFrom) {
    if (leaving_ || !logic_.ready() || running())
        return;
    leaving_ = true;
    const std::string text = edit->text().toStdString();
    const std::optional<std::string> refused =
        isFrom ? logic_.enterFrom(text) : logic_.enterTo(text);
    showRange();
    if (refused)
        showMessage(*refused, MessageIcon::Error);
    leaving_ = false;
}

bool CLasExport::running() const {
    return runner_ && runner_->running();
}

void CLasExport::OnInput() {
    const std::optional<std::filesystem::path> chosen = choices_.headerToOpen(headerFolder_);
    if (!chosen)
        return;
    if (const std::optional<std::string> problem = logic_.open(*chosen)) {
        showMessage(*problem, MessageIcon::Error);
        enableControls();
        return;
    }
    header_ = *chosen;
    headerFolder_ = chosen->parent_path();
    input_->setText(qs(chosen->filename().string()));
    output_->setText(qs(logic_.outputText()));
    info_->clear();
    showRange();
    // The boxes ticked again from the settings; Natural Gamma shows clear on a log without a
    // gamma sensor (its setting is kept for the next log that has one).
    for (const Channel& c : channels_) {
        const QSignalBlocker quiet(c.box);
        c.box->setChecked(logic_.columns().*c.column &&
                          (c.column != &LasColumns::gamma || logic_.gammaAvailable()));
    }
    enableControls();
}

void CLasExport::OnOutput() {
    const std::filesystem::path proposed =
        logic_.output().value_or(header_ ? defaultLasPath(*header_) : std::filesystem::path());
    logic_.setOutput(choices_.lasToSave(proposed));
    output_->setText(qs(logic_.outputText()));
    enableControls();
}

void CLasExport::OnStart() {
    if (running() || !logic_.canStart())
        return;
    if (std::optional<std::string> refused = logic_.checkStart()) {
        showMessage(*refused, MessageIcon::Error);
        return;
    }
    const LasExportJob job = logic_.job();
    std::error_code ec;
    if (std::filesystem::exists(job.output, ec) &&
        showMessage(LasExportLogic::ReplaceQuestion, MessageIcon::Question,
                    MessageButtons::YesNo) != MessageAnswer::Yes) {
        showMessage(LasExportLogic::AbortedText, MessageIcon::Information);
        return;
    }
    result_.reset();
    info_->clear();
    // The run reads its own copy of the source.
    auto source = std::make_shared<const ExportSource>(*logic_.source());
    auto result = std::make_shared<LasExportResult>();
    if (!runner_->start([source, job, result](Progress& progress) {
            *result = LasExport(*source, job).run(progress);
        }))
        return;
    pending_ = std::move(result);
    enableControls();
}

void CLasExport::finishRun() {
    if (pending_)
        result_ = std::move(*pending_);
    pending_.reset();
    enableControls();
    Q_EMIT exportEnded();
    if (closeAfterRun_) {
        QDialog::reject();
        return;
    }
    if (result_ && result_->outcome == LasPassOutcome::Failed && !result_->message.empty())
        showMessage(result_->message, MessageIcon::Error);
}

void CLasExport::reject() {
    if (running()) {
        closeAfterRun_ = true;
        runner_->cancel();
        return;
    }
    QDialog::reject();
}

} // namespace zarn::ui
