#include "acquisition/app/ui/PowerDlg.h"

#include "acquisition/displays/ui/GraphicCounterCtrl.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/link/LinkState.h"
#include "platform/PixelImage.h"
#include "platform/StatusBar.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace zarn::ui {
namespace {

constexpr int RefreshMs = 300;
constexpr int FirstRefreshMs = 50;
constexpr int AfterPowerPressMs = 100;

QToolButton* makeButton(const QString& text, const QString& tip, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setMinimumSize(54, 30);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

constexpr std::uint32_t Yellow = pixelOf(255, 255, 0);
constexpr std::uint32_t LightCyan = pixelOf(0xA0, 0xFF, 0xFF);
constexpr std::uint32_t Black = pixelOf(0, 0, 0);
constexpr std::uint32_t Red = pixelOf(255, 0, 0);
constexpr std::uint32_t White = pixelOf(255, 255, 255);

// A read-out: yellow digits on black, red with white digits in its blink phase.
CGraphicCounterCtrl* makeReadOut(QWidget* parent) {
    auto* counter = new CGraphicCounterCtrl(parent);
    counter->setMinimumSize(70, 22);
    counter->SetBackground(Black);
    counter->SetTextColour(Yellow);
    counter->SetAlternateBackground(Red);
    counter->SetAlternateTextColour(White);
    return counter;
}

QString powerStyle(PowerPanelLogic::ButtonImage image) {
    switch (image) {
    case PowerPanelLogic::ButtonImage::On:
        return QStringLiteral("background: #2e9d2e; color: white; font-weight: bold;");
    case PowerPanelLogic::ButtonImage::SwitchingOn:
        return QStringLiteral("background: #e0d030; font-weight: bold;");
    case PowerPanelLogic::ButtonImage::SwitchingOff:
        return QStringLiteral("background: #e08a20; font-weight: bold;");
    case PowerPanelLogic::ButtonImage::Off:
        break;
    }
    return QStringLiteral("font-weight: bold;");
}

QString statusStyle(StatusColour colour) {
    switch (colour) {
    case StatusColour::Blue:
        return QStringLiteral("color: blue;");
    case StatusColour::WhiteOnRed:
        return QStringLiteral("color: white; background: red;");
    case StatusColour::Red:
        return QStringLiteral("color: red;");
    case StatusColour::Black:
        break;
    }
    return QStringLiteral("color: black;");
}

} // namespace

CPowerDlg::CPowerDlg(AcquisitionEngine& engine, QWidget* parent)
    : QWidget(parent), engine_(engine),
      power_(makeButton(QStringLiteral("Power"), QStringLiteral("Sonde power On/Off."), this)),
      stop_(makeButton(QStringLiteral("Stop"), QStringLiteral("Player or recorder stop."), this)),
      play_(makeButton(QStringLiteral("Play"), QStringLiteral("Play file."), this)),
      record_(makeButton(QStringLiteral("Rec"), QStringLiteral("Recording"), this)),
      rewind_(makeButton(QStringLiteral("Rewind"), QStringLiteral("Reset file player ."), this)),
      pause_(
          makeButton(QStringLiteral("Pause"), QStringLiteral("Player or recorder pause."), this)),
      productTools_(
          makeButton(QStringLiteral("Product"), QStringLiteral("Product. toools."), this)),
      cameraTools_(
          makeButton(QStringLiteral("Camera"), QStringLiteral("Camera tools show."), this)),
      deviationTools_(
          makeButton(QStringLiteral("Deviation"), QStringLiteral("Deviation tools show."), this)),
      loggerSetup_(
          makeButton(QStringLiteral("Setup"), QStringLiteral("Show tools parameter."), this)),
      voltage_(makeReadOut(this)), current_(makeReadOut(this)), valid_(makeReadOut(this)),
      error_(makeReadOut(this)), info_(new QLabel(this)), elapsed_(makeReadOut(this)),
      speed_(new QSlider(Qt::Horizontal, this)), refresh_(new QTimer(this)),
      restart_(new QTimer(this)) {
    setToolTip(QStringLiteral("Probe Control"));
    power_->setObjectName(QStringLiteral("power"));
    record_->setObjectName(QStringLiteral("record"));
    stop_->setObjectName(QStringLiteral("stop"));
    play_->setObjectName(QStringLiteral("play"));
    info_->setObjectName(QStringLiteral("infosProbe"));
    info_->setFrameShape(QFrame::Panel);
    info_->setFrameShadow(QFrame::Sunken);
    info_->setMinimumWidth(260);
    info_->setAutoFillBackground(true);
    speed_->setRange(1, 50);
    speed_->setValue(25);
    speed_->setToolTip(
        QStringLiteral("Player speed variator (depending of your sytem performance)."));
    elapsed_->WriteCounterDataCString("00:00:00");

    auto* buttons = new QHBoxLayout;
    for (QToolButton* b : {power_, record_, stop_, play_, pause_, rewind_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    for (QToolButton* b : {productTools_, cameraTools_, deviationTools_, loggerSetup_})
        buttons->addWidget(b);

    auto* values = new QGridLayout;
    const auto caption = [this](const char* text) { return new QLabel(QString(text), this); };
    values->addWidget(caption("Sonde (V)"), 0, 0);
    values->addWidget(voltage_, 1, 0);
    values->addWidget(caption("Sonde (mA)"), 0, 1);
    values->addWidget(current_, 1, 1);
    values->addWidget(caption("Valid"), 0, 2);
    values->addWidget(valid_, 1, 2);
    values->addWidget(caption("Error"), 0, 3);
    values->addWidget(error_, 1, 3);
    values->addWidget(caption("Time"), 0, 4);
    values->addWidget(elapsed_, 1, 4);
    values->addWidget(caption("Infos Probe"), 0, 5);
    values->addWidget(info_, 1, 5);
    values->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    layout->addLayout(values);
    layout->addWidget(speed_);

    connect(power_, &QToolButton::clicked, this, &CPowerDlg::OnPower);
    connect(stop_, &QToolButton::clicked, this, &CPowerDlg::OnStop);
    connect(play_, &QToolButton::clicked, this, &CPowerDlg::OnPlay);
    connect(record_, &QToolButton::clicked, this, &CPowerDlg::OnRecord);
    connect(rewind_, &QToolButton::clicked, this, &CPowerDlg::OnRewind);
    connect(pause_, &QToolButton::clicked, this, &CPowerDlg::OnPause);
    connect(productTools_, &QToolButton::clicked, this,
            [this] { Q_EMIT commandRequested(ProductToolsCommand); });
    connect(cameraTools_, &QToolButton::clicked, this,
            [this] { Q_EMIT commandRequested(CameraControlCommand); });
    connect(deviationTools_, &QToolButton::clicked, this,
            [this] { Q_EMIT commandRequested(DeviationDataCommand); });
    connect(loggerSetup_, &QToolButton::clicked, this,
            [this] { Q_EMIT commandRequested(LoggerSetupCommand); });
    connect(speed_, &QSlider::valueChanged, this,
            [this](int position) { engine_.player().SetSpeedSlider(position); });

    // The camera control window this button opens is not part of this program yet.
    cameraTools_->setEnabled(false);

    refresh_->setSingleShot(true);
    connect(refresh_, &QTimer::timeout, this, &CPowerDlg::Refresh);
    refresh_->start(FirstRefreshMs);
    restart_->setSingleShot(true);
    connect(restart_, &QTimer::timeout, this, [this] { Q_EMIT displayRestarted(); });

    setReplayControls(false);
    record_->setEnabled(false);
    elapsed_->hide();
}

int CPowerDlg::configuredOrientationMode() const {
    return engine_.configuration().logger.orientationMode;
}

void CPowerDlg::restartDisplayLater() {
    restart_->start(350);
}

void CPowerDlg::showStatus(const PanelStatusView& view) {
    info_->setText(QString::fromUtf8(view.text.data(), static_cast<int>(view.text.size())));
    info_->setStyleSheet(statusStyle(view.colour));
}

QString CPowerDlg::statusText() const {
    return info_->text();
}

void CPowerDlg::setReplayControls(bool enabled) {
    for (QToolButton* b : {play_, rewind_, pause_, stop_})
        b->setEnabled(enabled);
    speed_->setVisible(enabled);
}

void CPowerDlg::OnPower() {
    using Result = PowerPanelLogic::PressResult;
    const Result result = engine_.panel().pressPower(PowerPanelLogic::Clock::now());
    if (result == Result::SwitchingOn) {
        // The replay stopped (the engine's Stop ran): back to the live display.
        Q_EMIT orientationModeShown(configuredOrientationMode());
        setReplayControls(false);
        Q_EMIT forcedCopyRequested();
        StatusBar::current().setPaneText(0, " ");
        status_.shownElsewhere();
        showStatus({PanelText::ProbePowered, StatusColour::Black});
        restartDisplayLater();
    } else if (result == Result::SwitchingOff) {
        elapsed_->hide();
        restartDisplayLater();
        if (stop_->isEnabled())
            OnStop();
    }
    if (result == Result::SwitchingOn || result == Result::SwitchingOff)
        refresh_->start(AfterPowerPressMs);
}

void CPowerDlg::OnStop() {
    engine_.stop();
    Q_EMIT orientationModeShown(configuredOrientationMode());
    StatusBar::current().setPaneText(0, " ");
    elapsed_->hide();
    restartDisplayLater();
    Q_EMIT forcedCopyRequested();
    setReplayControls(false);
    record_->setEnabled(false);
    MessageBus::instance().post(Role::CameraPanel, command(Cmd::ReadBackRefresh));
}

void CPowerDlg::EnterReplayState() {
    setReplayControls(true);
    engine_.recorderState().replayActive = true;
    engine_.player().SetSpeedSlider(speed_->value());
}

void CPowerDlg::OnPlay() {
    RecorderState& state = engine_.recorderState();
    if (!state.replayActive)
        return;
    if (engine_.player().NextPosition() == 0)
        restartDisplayLater();
    record_->setEnabled(false);
    rewind_->setEnabled(false);
    state.paused = false;
    if (!state.playing) {
        state.playing = true;
        Q_EMIT orientationModeShown(engine_.header().Info().OrientationMode);
        engine_.player().StartPlayback();
    }
    StatusBar::current().setPaneText(0, "Data file : " + engine_.player().DataFileName());
}

void CPowerDlg::OnPause() {
    RecorderState& state = engine_.recorderState();
    if (state.recording) {
        // Pause and resume of a recording: suspended records nothing.
        const bool resume = state.paused;
        state.suspended = !resume;
        state.paused = !resume;
        rewind_->setEnabled(false);
        return;
    }
    if (state.replayActive) {
        if (state.playing) {
            engine_.player().Pause(); // ends after its current record
            rewind_->setEnabled(true);
            state.paused = true;
        } else if (state.paused) {
            OnPlay();
        }
        return;
    }
    if (state.paused) {
        OnPlay();
        state.paused = false;
    }
}

void CPowerDlg::OnRewind() {
    if (!engine_.recorderState().replayActive)
        return;
    engine_.player().Rewind();
    engine_.recorderState().paused = true;
    rewind_->setEnabled(false);
    restartDisplayLater();
    MessageBus::instance().post(Role::MainWindow, command(Cmd::FrameShown));
}

void CPowerDlg::OnRecord() {
    RecorderState& state = engine_.recorderState();
    state.playing = false;
    if (engine_.panel().switchedOn() && engine_.link().linkState() > 0 && !state.recording) {
        Q_EMIT newLogRequested();
    } else if (state.recording) {
        state.suspended = false;
    }
    state.paused = false;
}

void CPowerDlg::refreshMeasuredValues() {
    const MeasurementRecord r = engine_.shownRecord();
    if (engine_.link().linkState() < 3) {
        voltage_->WriteCounterDataCString("");
        current_->WriteCounterDataCString("");
    } else {
        voltage_->WriteCounterDataCString(r.ValueAText.c_str());
        current_->WriteCounterDataCString(r.ValueBText.c_str());
    }
    blinkWhen(*voltage_, r.ValueA >= 128);
    blinkWhen(*current_, r.ValueB > 250);
    elapsed_->WriteCounterDataCString(r.ElapsedTimeText.c_str());
    if (engine_.link().flags().sondePowered) {
        const TransmissionCounts c = engine_.link().statistics().snapshot();
        valid_->WriteCounterDataInt(static_cast<int>(r.Counters.GoodFrames));
        error_->WriteCounterDataInt(c.videoRequests - c.recoveries);
    } else {
        valid_->WriteCounterDataCString("");
        error_->WriteCounterDataCString("");
    }
    // The information text: a depth reversal while recording, else the logger's status.
    const auto now = PanelStatusText::Clock::now();
    if (startupTicks_ > 0) {
        --startupTicks_;
    } else if (const std::optional<std::string> reversal = engine_.takeReverseMotionText()) {
        status_.shownElsewhere();
        info_->setText(QString::fromStdString(*reversal));
        info_->setStyleSheet(statusStyle(StatusColour::WhiteOnRed));
    } else if (const std::optional<PanelStatusView> view =
                   status_.update(r.CommStatus, engine_.link().flags().dataReceived, now)) {
        showStatus(*view);
    }
}

void CPowerDlg::blinkWhen(CGraphicCounterCtrl& counter, bool outOfRange) {
    if (outOfRange == counter.model().blinking())
        return;
    if (outOfRange)
        counter.StartBlinking(2);
    else
        counter.StopBlinking();
}

void CPowerDlg::refreshButtons() {
    const RecorderState& state = engine_.recorderState();
    productTools_->setVisible(engine_.configuration().switches.technicalTools);
    const PowerPanelLogic::ButtonView button = engine_.panel().refreshButton();
    power_->setEnabled(button.enabled);
    power_->setStyleSheet(powerStyle(button.image));
    const bool blinkOn = (tick_ % 8) < 4;
    if (state.sondeOn) {
        record_->setEnabled(true);
        const bool recording = state.recording && !state.suspended;
        record_->setStyleSheet(recording && blinkOn ? QStringLiteral("background: red; color: "
                                                                     "white; font-weight: bold;")
                                                    : QString());
        pause_->setStyleSheet(state.suspended && blinkOn ? QStringLiteral("background: #e0d030;")
                                                         : QString());
        stop_->setEnabled(state.recording);
        pause_->setEnabled(state.recording);
        elapsed_->setVisible(state.recording);
        elapsed_->SetTextColour(Yellow);
    } else {
        record_->setEnabled(false);
        record_->setStyleSheet(QString());
        const bool shown = state.logLoaded && (state.playing || state.paused);
        elapsed_->setVisible(shown);
        elapsed_->SetTextColour(LightCyan);
    }
}

void CPowerDlg::Refresh() {
    ++tick_;
    refreshMeasuredValues();
    refreshButtons();
    refresh_->start(RefreshMs);
}

} // namespace zarn::ui
