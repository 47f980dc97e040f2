#include "acquisition/settings/ui/PropertyLoggerDlg.h"

#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/settings/ui/PCommDlg.h"
#include "acquisition/settings/ui/PProbeDlg.h"
#include "acquisition/settings/ui/PWinchDlg.h"
#include "acquisition/wire/ImageRows.h"
#include "platform/MessageBus.h"
#include "platform/UserMessages.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace zarn::ui {
namespace {

constexpr int ServiceMs = 50;
constexpr int IndicatorMs = 64;
constexpr int EnablingMs = 250;
constexpr int ImageColumns = 720;
constexpr std::array<Role, 3> PageRoles = {Role::WinchPage, Role::CommunicationPage,
                                           Role::ProbePage};

bool onWindowThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

CPropertyLoggerDlg::CPropertyLoggerDlg(AcquisitionEngine& engine, SondeDatabase& sondes,
                                       QWidget* parent, WindowPlacement* placement)
    : QDialog(parent), engine_(engine), host_(engine), placement_(placement) {
    setWindowTitle(QStringLiteral("Logger Setup"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    winch_ = new CPWinchDlg(host_, tabs_);
    probe_ = new CPProbeDlg(host_, sondes, tabs_);
    comm_ = new CPCommDlg(host_, tabs_);
    tabs_->addTab(winch_, QStringLiteral("Winch"));
    tabs_->addTab(probe_, QStringLiteral("Probe"));
    tabs_->addTab(comm_, QStringLiteral("Communication"));
    tabs_->setCurrentIndex(CommunicationTab);
    settingLabel_ = new QLabel(QStringLiteral("Setting"), this);
    readBackLabel_ = new QLabel(QStringLiteral("Read back"), this);
    auto* heads = new QHBoxLayout;
    heads->addStretch(1);
    heads->addWidget(settingLabel_);
    heads->addSpacing(40);
    heads->addWidget(readBackLabel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(heads);
    layout->addWidget(tabs_);
    showReadBackLabels(CommunicationTab);

    connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
        // Leaving the probe tab with an edit open: save it, or stay.
        if (lastTab_ == ProbeTab && tab != ProbeTab &&
            (probe_->logic().imageOffsetEditing() || probe_->logic().gammaCoefficientEditing())) {
            if (showMessage("Do you save now the image Offset parameter ?", MessageIcon::Error,
                            MessageButtons::YesNo) != MessageAnswer::Yes) {
                const QSignalBlocker block(tabs_);
                tabs_->setCurrentIndex(ProbeTab);
                return;
            }
            probe_->OnSet();
            if (probe_->logic().gammaCoefficientEditing())
                probe_->OnGammaEdit();
        }
        lastTab_ = tab;
        showReadBackLabels(tab);
    });

    // The engine decodes with the sonde the page shows, an image offset being edited included.
    connect(probe_, &CPProbeDlg::sondeTableChanged, this,
            [this, &sondes] { engine_.setSondes(sondes.table()); });
    service_ = new QTimer(this);
    connect(service_, &QTimer::timeout, this, &CPropertyLoggerDlg::service);
    indicators_ = new QTimer(this);
    connect(indicators_, &QTimer::timeout, comm_, &CPCommDlg::tickIndicators);
    enabling_ = new QTimer(this);
    connect(enabling_, &QTimer::timeout, this, &CPropertyLoggerDlg::refreshEnabling);
    service_->start(ServiceMs);
    clock_.start();

    for (Role role : PageRoles)
        MessageBus::instance().attach(role, [this, role](const Message& m) {
            if (onWindowThread())
                handleMessage(m.id);
            else // sent by a worker: queued for the window thread
                MessageBus::instance().post(role, m);
        });
}

CPropertyLoggerDlg::~CPropertyLoggerDlg() {
    for (Role role : PageRoles)
        MessageBus::instance().detach(role);
}

void CPropertyLoggerDlg::handleMessage(int id) {
    switch (id) {
    case Cmd::CommunicationRefresh:
        comm_->frameDecoded();
        break;
    case Cmd::ReadBackRefresh:
        comm_->refreshReadBack();
        probe_->showSondeVoltage();
        break;
    case Cmd::ClearReadBack:
        comm_->clearIndicators();
        probe_->clearSondeVoltage();
        break;
    case Cmd::SondeChanged:
        probe_->rebuildSondeList();
        comm_->showValues();
        break;
    case Cmd::ImageRowDrawn:
        probe_->rowDrawn();
        break;
    case Cmd::DepthUnitChanged:
        winch_->showValues();
        break;
    default:
        break;
    }
}

void CPropertyLoggerDlg::service() {
    const std::int64_t now = clock_.elapsed();
    winch_->logic().order().service(now);
    comm_->logic().downholeOrder().service(now);
    comm_->logic().surfaceOrder().service(now);
    probe_->logic().voltageOrder().service(now);
    probe_->logic().surfaceOrder().service(now);
    probe_->logic().followRunState(host_.runState());
}

void CPropertyLoggerDlg::rowDrawn(const DrawnRow& row) {
    if (!probe_->logic().imageOffsetEditing())
        return;
    drawnRow_.resize(static_cast<std::size_t>(std::max(engine_.image().rowWidth(), 0)));
    // The display row: a border column, then the image's columns.
    if (engine_.image().CopyRow(row.position, drawnRow_))
        probe_->preview().publishDisplayRow(drawnRow_, 1, ImageColumns,
                                            pixelsPerRowOf(row.resolutionCode));
}

void CPropertyLoggerDlg::refreshEnabling() {
    const SetupRunState s = host_.runState();
    const bool fewerThanTen = probe_->logic().occupiedSlots() < SondeTable::SlotCount;
    if (s.sondePowered) {
        winch_->setFieldsEnabled(false, !s.replay);
        comm_->setFieldsEnabled(!s.recording);
        probe_->setEnabling(false, !s.recording, !s.recording && fewerThanTen, !s.recording);
    } else {
        winch_->setFieldsEnabled(s.loggerFrames, !s.replay);
        comm_->setFieldsEnabled(false);
        probe_->setEnabling(s.loggerFrames, true, fewerThanTen, false);
    }
    probe_->setGammaShown(probe_->sondeHasGamma());
}

void CPropertyLoggerDlg::showReadBackLabels(int tab) {
    settingLabel_->setVisible(tab == CommunicationTab);
    readBackLabel_->setVisible(tab == CommunicationTab);
}

void CPropertyLoggerDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!placed_) {
        // Where it was last closed; the first time beside the main window.
        placed_ = true;
        if (placement_ && placement_->usable())
            move(placement_->normalPosition.left, placement_->normalPosition.top);
        else if (parentWidget())
            move(parentWidget()->geometry().left() + 20, parentWidget()->geometry().top() + 170);
    }
    winch_->showValues();
    comm_->showValues();
    probe_->showValues();
    probe_->rebuildSondeList();
    refreshEnabling();
    indicators_->start(IndicatorMs);
    enabling_->start(EnablingMs);
}

void CPropertyLoggerDlg::hideEvent(QHideEvent* event) {
    indicators_->stop();
    enabling_->stop();
    QDialog::hideEvent(event);
}

void CPropertyLoggerDlg::keyPressEvent(QKeyEvent* event) {
    // Enter goes to the page: the field that has the focus commits its entry.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget()))
            Q_EMIT edit->returnPressed();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CPropertyLoggerDlg::done(int result) {
    if (probe_->logic().imageOffsetEditing() || probe_->logic().gammaCoefficientEditing()) {
        if (showMessage("Do you save now the image Offset parameter ?", MessageIcon::Error,
                        MessageButtons::YesNo) != MessageAnswer::Yes) {
            tabs_->setCurrentIndex(ProbeTab);
            return;
        }
        probe_->OnSet();
        if (probe_->logic().gammaCoefficientEditing())
            probe_->OnGammaEdit();
    }
    if (placement_) {
        const QRect frame = geometry();
        placement_->length = static_cast<std::int32_t>(WindowPlacement::Size);
        placement_->showCommand = 1;
        placement_->normalPosition = {frame.left(), frame.top(), frame.right() + 1,
                                      frame.bottom() + 1};
    }
    QDialog::done(result);
}

} // namespace zarn::ui
