#include "acquisition/displays/ui/DepthDlg.h"

#include "acquisition/app/MainWindowLogic.h"
#include "acquisition/displays/ui/BigDepth.h"
#include "acquisition/displays/ui/GraphicCounterCtrl.h"
#include "acquisition/displays/ui/ViewMeterCtrl.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "platform/MessageBus.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QThread>
#include <QToolButton>
#include <QVBoxLayout>

namespace zarn::ui {
namespace {

constexpr int FirstTickMs = 100;
constexpr int TickMs = 70;
constexpr int SerialBlinkMs = 500; // a 1 s period
constexpr int RowHeight = 26;

bool onWindowThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

CGraphicCounterCtrl* readOut(int width, QWidget* parent, int widthPreset = 2) {
    auto* counter = new CGraphicCounterCtrl(parent);
    counter->setFixedSize(width, RowHeight);
    counter->SetWidthFactorPreset(widthPreset);
    counter->SetBackground(depthdisplay::Black);
    counter->SetTextColour(depthdisplay::Yellow);
    counter->SetAlternateBackground(depthdisplay::Red);
    counter->SetAlternateTextColour(depthdisplay::Yellow);
    return counter;
}

QLabel* caption(const QString& text, QWidget* parent, int width = -1) {
    auto* label = new QLabel(text, parent);
    QFont small = label->font();
    small.setPointSize(8);
    label->setFont(small);
    if (width > 0)
        label->setFixedWidth(width);
    return label;
}

// The magnifying glass of the magnifier button.
QIcon magnifierIcon() {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(QRectF(2, 2, 11, 11));
    p.setPen(QPen(Qt::black, 3));
    p.drawLine(QPointF(12, 12), QPointF(18, 18));
    return QIcon(pixmap);
}

// The sonde outline with its red mark at the bottom (depth as measured) or at the top (depth
// less the sonde length).
QIcon sondeIcon(bool markAtBottom) {
    QPixmap pixmap(14, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(200, 200, 200));
    p.drawRoundedRect(QRectF(3.5, 0.5, 7, 23), 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::red);
    p.drawRect(markAtBottom ? QRect(4, 18, 6, 5) : QRect(4, 1, 6, 5));
    return QIcon(pixmap);
}

void setColours(CGraphicCounterCtrl& counter, std::uint32_t colour) {
    counter.SetTextColour(colour);
    counter.SetAlternateTextColour(colour);
}

} // namespace

CDepthDlg::CDepthDlg(AcquisitionEngine& engine, WindowPlacementRecord& placements, QWidget* parent)
    : QWidget(parent), engine_(engine) {
    setObjectName(QStringLiteral("depthDisplay"));
    magnifier_ = new CBigDepth(placements, this);
    magnifier_->setWindowFlag(Qt::Window);

    setDepth_ = new QToolButton(this);
    setDepth_->setObjectName(QStringLiteral("setDepth"));
    setDepth_->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
    setDepth_->setToolTip(QString::fromLatin1(MenuText::SetDepth.data(),
                                              static_cast<int>(MenuText::SetDepth.size())));
    setDepth_->setFixedSize(RowHeight, RowHeight);
    setDepth_->setEnabled(false);
    magnifierButton_ = new QToolButton(this);
    magnifierButton_->setObjectName(QStringLiteral("magnifier"));
    magnifierButton_->setIcon(magnifierIcon());
    magnifierButton_->setToolTip(QStringLiteral("Depth magnifier"));
    magnifierButton_->setFixedSize(RowHeight, RowHeight);
    reference_ = new QToolButton(this);
    reference_->setObjectName(QStringLiteral("depthReference"));
    reference_->setAutoRaise(true);
    reference_->setIconSize(QSize(14, 24));
    reference_->setFixedSize(20, RowHeight);

    depth_ = readOut(150, this, 3);
    depthUnit_ = caption(QString(), this, 30);
    speed_ = readOut(84, this);
    speedUnit_ = caption(QString(), this, 42);
    resolution_ = readOut(64, this);
    resolutionUnit_ = caption(QString(), this, 24);
    serial_ = new QLabel(this);
    serial_->setObjectName(QStringLiteral("serial"));
    serial_->setAlignment(Qt::AlignCenter);
    serial_->setFixedSize(82, RowHeight);
    serial_->setAutoFillBackground(true);

    dial_ = new CViewMeterCtrl(this);
    dial_->setFixedSize(2 * RowHeight + 4, 2 * RowHeight + 4);
    for (std::size_t i = 0; i < orientation_.size(); ++i)
        orientation_[i] = readOut(i < 3 ? 54 : 62, this);

    gammaBar_ = new QProgressBar(this);
    gammaBar_->setObjectName(QStringLiteral("gammaBar"));
    gammaBar_->setTextVisible(false);
    gammaBar_->setFixedSize(92, 14);
    gammaBar_->setStyleSheet(
        QStringLiteral("QProgressBar { background: rgb(255,160,0); border: 1px solid gray; }"
                       "QProgressBar::chunk { background: rgb(120,40,0); }"));
    gammaLow_ = caption(QStringLiteral("Gam. 0"), this);
    gammaHigh_ = caption(QString(), this, 40);
    gammaCounter_ = readOut(50, this);
    gammaUnit_ = caption(QStringLiteral("CPS"), this);

    auto* top = new QHBoxLayout;
    top->setSpacing(3);
    top->addWidget(setDepth_);
    top->addWidget(magnifierButton_);
    top->addSpacing(4);
    top->addWidget(depth_);
    top->addWidget(depthUnit_);
    top->addWidget(reference_);
    top->addWidget(speed_);
    top->addWidget(speedUnit_);
    top->addWidget(caption(QStringLiteral("reso."), this));
    top->addWidget(resolution_);
    top->addWidget(resolutionUnit_);
    top->addStretch(1);
    top->addWidget(serial_);

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(3);
    const char* names[] = {"Incl.", "Azim.", "Angle", "H", "G"};
    for (std::size_t i = 0; i < orientation_.size(); ++i) {
        if (i < 3)
            bottom->addWidget(caption(QString::fromLatin1(names[i]), this));
        bottom->addWidget(orientation_[i]);
        if (i >= 3)
            bottom->addWidget(caption(QString::fromLatin1(names[i]), this));
    }
    bottom->addStretch(1);
    bottom->addWidget(gammaLow_);
    bottom->addWidget(gammaBar_);
    bottom->addWidget(gammaHigh_);
    bottom->addWidget(gammaCounter_);
    bottom->addWidget(gammaUnit_);

    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    rows->addLayout(top);
    rows->addLayout(bottom);
    auto* all = new QHBoxLayout(this);
    all->setContentsMargins(2, 2, 2, 2);
    all->setSpacing(4);
    all->addWidget(dial_);
    all->addLayout(rows, 1);

    connect(setDepth_, &QToolButton::clicked, this, [this] { Q_EMIT setDepthRequested(); });
    connect(magnifierButton_, &QToolButton::clicked, this, &CDepthDlg::OnMagnifier);
    connect(reference_, &QToolButton::clicked, this, &CDepthDlg::OnDepthReference);

    // The decoding thread hands each payload's gamma to the display's own record of it.
    engine_.setGammaObserver([this](double gamma) { gamma_.sample(gamma); });
    // Commands for the display come through the bus; one sent by a worker is queued for this
    // thread.
    MessageBus::instance().attach(Role::DepthDisplay, [this](const Message& m) {
        if (onWindowThread())
            handleCommand(m.id);
        else
            MessageBus::instance().post(Role::DepthDisplay, m);
    });

    connect(&serialBlink_, &QTimer::timeout, this, [this] {
        serialPhase_ = !serialPhase_;
        serial_->setStyleSheet(serialPhase_ ? QStringLiteral("background: black; color: white;")
                                            : QString());
    });
    connect(&tick_, &QTimer::timeout, this, &CDepthDlg::displayTick);
    tick_.start(FirstTickMs);

    OnUnitsChanged();
    showDepthReference();
    RefreshSerial();
}

CDepthDlg::~CDepthDlg() {
    // No sample arrives once the observer is gone: the engine holds its lock while it calls.
    engine_.setGammaObserver({});
    MessageBus::instance().detach(Role::DepthDisplay);
}

void CDepthDlg::handleCommand(int id) {
    if (id == Cmd::DepthUnitChanged)
        OnUnitsChanged();
    else if (id == Cmd::SondeChanged)
        RefreshSerial();
}

void CDepthDlg::displayTick() {
    tick_.setInterval(TickMs);
    const RecorderState& state = engine_.recorderState();
    const bool replay = state.replayActive.load();
    const bool powerUpDone = engine_.panel().orderStep() == PowerPanelLogic::IdleStep;
    if (replay != replayShown_ || powerUpDone != powerUpDoneShown_) {
        const bool replayStarts = replay && !replayShown_;
        replayShown_ = replay;
        powerUpDoneShown_ = powerUpDone;
        RefreshSerial();
        if (replayStarts)
            PutDataOnScreen(true);
    }
    // The logger's depth counter is set while it answers without a sonde.
    setDepth_->setEnabled(engine_.link().linkState() == framekind::LoggerStatus);
    PutDataOnScreen(false);
    showDepthReference();
    showGamma();
}

void CDepthDlg::PutDataOnScreen(bool resetResolution) {
    if (resetResolution) {
        // A new log or run: its lines give the resolution again, its sonde the serial number
        // (a log's header is read only once it is opened).
        engine_.resetDepthPerLine();
        RefreshSerial();
    }
    const Configuration configuration = engine_.configuration();
    const bool replay = engine_.recorderState().replayActive.load();
    const MeasurementRecord record =
        replay ? engine_.replayedRecord() : engine_.stream().snapshot();
    DepthDisplayInputs in;
    in.frameKind = engine_.link().linkState();
    in.replay = replay;
    in.feet = configuration.program.depthUnit != 0;
    in.depthAsMeasured = depthAsMeasured_;
    in.sondeLengthCm = engine_.sondes().working.sondeLength;
    in.depth = record.LoggerDepth;
    in.speed = record.Speed;
    in.resolution = engine_.depthPerLine();
    in.orientation = record.Orientation;
    in.orientationMode =
        replay ? engine_.header().Info().OrientationMode : configuration.logger.orientationMode;

    const DepthReadout readout = DepthDisplayLogic::depthReadout(in);
    showDepthReadout(readout, *depth_, *speed_, *resolution_);
    showOrientation(logic_.orientationReadout(in));
    if (magnifier_->isVisible())
        magnifier_->refresh(readout);
}

void CDepthDlg::showOrientation(const OrientationReadout& readout) {
    dial_->setVisible(readout.dialShown);
    if (readout.dialShown)
        dial_->SetValue(readout.dialAngle);
    if (!readout.write)
        return;
    const std::string* texts[] = {readout.inclination ? &*readout.inclination : nullptr,
                                  &readout.azimuth, &readout.angle, &readout.magnetic,
                                  &readout.gravity};
    for (std::size_t i = 0; i < orientation_.size(); ++i) {
        CGraphicCounterCtrl& counter = *orientation_[i];
        setColours(counter, readout.colour);
        if (readout.blink == OrientationReadout::Blink::Start)
            counter.StartBlinking(depthdisplay::DashesBlinkSpeed);
        else if (readout.blink == OrientationReadout::Blink::Stop && counter.model().blinking())
            counter.StopBlinking();
        if (texts[i] != nullptr)
            counter.WriteCounterDataCString(*texts[i]);
    }
}

void CDepthDlg::showGamma() {
    const Configuration configuration = engine_.configuration();
    const LoggerParameters& lp = configuration.logger;
    gamma_.setSettings(
        GammaSettings{lp.gammaScale, lp.gammaMaximum, lp.gammaIsAverage != 0, lp.gammaFilter});
    const bool replay = engine_.recorderState().replayActive.load();
    const bool sensor =
        replay ? engine_.header().Info().GammaOnBoard : engine_.sondes().working.gammaOnBoard != 0;
    const bool statusFrames = !replay && engine_.link().linkState() == framekind::LoggerStatus;
    const GammaView view = gamma_.tick(sensor, statusFrames);
    for (QWidget* w : std::initializer_list<QWidget*>{gammaBar_, gammaLow_, gammaHigh_,
                                                      gammaCounter_, gammaUnit_})
        w->setVisible(view.shown);
    if (!view.shown)
        return;
    gammaBar_->setRange(0, view.barMaximum);
    gammaBar_->setValue(std::clamp(view.barValue, 0, view.barMaximum));
    gammaHigh_->setText(QString::number(view.barMaximum));
    setColours(*gammaCounter_, replay ? depthdisplay::Aqua : depthdisplay::Yellow);
    gammaCounter_->WriteCounterDataCString(view.text);
}

void CDepthDlg::showDepthReference() {
    const bool bottom = depthAsMeasured_ || engine_.recorderState().replayActive.load();
    reference_->setIcon(sondeIcon(bottom));
}

void CDepthDlg::OnDepthReference() {
    depthAsMeasured_ = !depthAsMeasured_;
    showDepthReference();
}

void CDepthDlg::OnUnitsChanged() {
    const UnitLabels units =
        DepthDisplayLogic::unitLabels(engine_.configuration().program.depthUnit != 0);
    depthUnit_->setText(QString::fromLatin1(units.depth));
    speedUnit_->setText(QString::fromLatin1(units.speed));
    resolutionUnit_->setText(QString::fromLatin1(units.resolution));
    magnifier_->setUnits(units);
}

void CDepthDlg::RefreshSerial() {
    const bool replay = engine_.recorderState().replayActive.load();
    const int serial =
        replay ? engine_.header().Info().SerialNumber : engine_.sondes().selectedSerial();
    const bool powerUpDone = engine_.panel().orderStep() == PowerPanelLogic::IdleStep;
    const SerialReadout readout = DepthDisplayLogic::serialReadout(replay, serial, powerUpDone);
    serial_->setText(QString::fromStdString(readout.text));
    QPalette palette = serial_->palette();
    palette.setColor(QPalette::Window, readout.replayBackground
                                           ? QColor(160, 255, 255)
                                           : style()->standardPalette().color(QPalette::Button));
    serial_->setPalette(palette);
    if (readout.blinking && !serialBlink_.isActive()) {
        serialBlink_.start(SerialBlinkMs);
    } else if (!readout.blinking && serialBlink_.isActive()) {
        serialBlink_.stop();
        serialPhase_ = false;
        serial_->setStyleSheet(QString());
    }
}

void CDepthDlg::OnMagnifier() {
    magnifier_->setUnits(
        DepthDisplayLogic::unitLabels(engine_.configuration().program.depthUnit != 0));
    magnifier_->showBelow(window());
    PutDataOnScreen(false);
}

QString CDepthDlg::serialText() const {
    return serial_->text();
}

QString CDepthDlg::depthUnit() const {
    return depthUnit_->text();
}

} // namespace zarn::ui
