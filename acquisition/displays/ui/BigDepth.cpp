#include "acquisition/displays/ui/BigDepth.h"

#include "acquisition/displays/ui/DisplayFont.h"
#include "acquisition/displays/ui/GraphicCounterCtrl.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>

namespace zarn::ui {
namespace {

constexpr int RefreshDelayMs = 1;
// Below the top of the main window when no placement is stored.
constexpr int BelowMainTop = 150;

QLabel* unitLabel(int pixelHeight, QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont font(displayFontFamily());
    font.setBold(true);
    font.setPixelSize(pixelHeight);
    label->setFont(font);
    return label;
}

CGraphicCounterCtrl* bigCounter(int widthPreset, QWidget* parent) {
    auto* counter = new CGraphicCounterCtrl(parent);
    counter->SetWidthFactorPreset(widthPreset);
    counter->SetTextColour(depthdisplay::Yellow);
    counter->SetAlternateTextColour(depthdisplay::Yellow);
    return counter;
}

void write(CGraphicCounterCtrl& counter, const std::string& text, std::uint32_t colour) {
    counter.SetTextColour(colour);
    counter.SetAlternateTextColour(colour);
    counter.WriteCounterDataCString(text);
}

} // namespace

void showDepthReadout(const DepthReadout& readout, CGraphicCounterCtrl& depth,
                      CGraphicCounterCtrl& speed, CGraphicCounterCtrl& resolution) {
    write(depth, readout.depth, readout.colour);
    write(speed, readout.speed, readout.colour);
    write(resolution, readout.resolution, readout.colour);
}

CBigDepth::CBigDepth(WindowPlacementRecord& placements, QWidget* parent)
    : QDialog(parent), placements_(placements) {
    setWindowTitle(QStringLiteral("Depth magnifier"));
    setObjectName(QStringLiteral("bigDepth"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    depth_ = bigCounter(3, this);
    depth_->setMinimumSize(360, 72);
    speed_ = bigCounter(3, this);
    speed_->setMinimumSize(220, 44);
    resolution_ = bigCounter(3, this);
    resolution_->setMinimumSize(220, 44);
    depthUnit_ = unitLabel(40, this);
    speedUnit_ = unitLabel(24, this);
    resolutionUnit_ = unitLabel(24, this);
    grid->addWidget(depth_, 0, 0, 1, 3);
    grid->addWidget(depthUnit_, 0, 3);
    grid->addWidget(speed_, 1, 0);
    grid->addWidget(speedUnit_, 1, 1);
    grid->addWidget(resolution_, 1, 2);
    grid->addWidget(resolutionUnit_, 1, 3);
    refresh_.setSingleShot(true);
    connect(&refresh_, &QTimer::timeout, this, &CBigDepth::draw);
    setUnits(DepthDisplayLogic::unitLabels(false));
}

void CBigDepth::showBelow(const QWidget* mainWindow) {
    const WindowPlacement& placement = placements_[PlacedWindow::LargeDepth];
    if (placement.usable()) {
        const PlacementRect& r = placement.normalPosition;
        move(r.left, r.top);
    } else if (mainWindow != nullptr) {
        adjustSize();
        const QRect main = mainWindow->frameGeometry();
        move(main.left() + (main.width() - width()) / 2, main.top() + BelowMainTop);
    }
    show();
    raise();
    storePlacement();
}

void CBigDepth::refresh(const DepthReadout& readout) {
    pending_ = readout;
    if (!refresh_.isActive())
        refresh_.start(RefreshDelayMs);
}

void CBigDepth::draw() {
    showDepthReadout(pending_, *depth_, *speed_, *resolution_);
}

void CBigDepth::setUnits(const UnitLabels& units) {
    depthUnit_->setText(QString::fromLatin1(units.depth));
    speedUnit_->setText(QString::fromLatin1(units.speed));
    resolutionUnit_->setText(QString::fromLatin1(units.resolution));
}

QString CBigDepth::depthUnit() const {
    return depthUnit_->text();
}

void CBigDepth::storePlacement() {
    WindowPlacement& placement = placements_[PlacedWindow::LargeDepth];
    const QRect frame = geometry();
    placement.length = static_cast<std::int32_t>(WindowPlacement::Size);
    placement.showCommand = 1;
    placement.normalPosition = {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
}

void CBigDepth::closeEvent(QCloseEvent* event) {
    storePlacement();
    hide();
    event->ignore(); // kept for the next time it is shown
}

void CBigDepth::mouseDoubleClickEvent(QMouseEvent*) {
    storePlacement();
    hide();
}

} // namespace zarn::ui
