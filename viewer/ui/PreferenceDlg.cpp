#include "viewer/ui/PreferenceDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lvviewer::ui {

CPreferenceDlg::CPreferenceDlg(const ViewerPreferences& current, QWidget* parent)
    : QDialog(parent), prefs_(current) {
    setWindowTitle("Preferences");
    auto* layout = new QVBoxLayout(this);
    auto* viewGroup = new QGroupBox("View", this);
    auto* form = new QFormLayout(viewGroup);
    scale_ = new QComboBox(viewGroup);
    form->addRow("Depth Scale", scale_);
    lineInc_ = new QSpinBox(viewGroup);
    lineInc_->setRange(1, 100);
    lineInc_->setValue(current.lineScrollInc);
    form->addRow("Scrolling key increment", lineInc_);
    fontSize_ = new QComboBox(viewGroup);
    fontSize_->addItems({"1", "2", "3"});
    fontSize_->setCurrentIndex(current.fontSize - 1);
    fontSize_->setVisible(false);
    layout->addWidget(viewGroup);

    auto* options = new QGroupBox("Options", this);
    auto* optionsLayout = new QVBoxLayout(options);
    colour_ = new QCheckBox("Force Color Printer Preview", options);
    colour_->setChecked(current.colorPreview);
    loader_ = new QCheckBox("Multi Thread Background File loader", options);
    loader_->setChecked(current.useBkgLoader);
    imperial_ = new QCheckBox("Use imperial units", options);
    imperial_->setChecked(current.imperial());
    for (QCheckBox* box : {colour_, loader_, imperial_})
        optionsLayout->addWidget(box);
    layout->addWidget(options);

    // A step not in the list becomes the first one.
    prefs_.depthScale = DepthScaleSteps[depthScaleIndex(current.depthScale)];
    fillScales();
    connect(imperial_, &QCheckBox::toggled, this, [this](bool on) {
        prefs_.depthScale = DepthScaleSteps[std::max(0, scale_->currentIndex())];
        prefs_.setDepthUnit = on ? 1 : 0;
        fillScales();
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CPreferenceDlg::fillScales() {
    scale_->clear();
    for (const int step : DepthScaleSteps)
        scale_->addItem(QString::fromStdString(depthScaleText(step, prefs_.imperial())));
    scale_->setCurrentIndex(depthScaleIndex(prefs_.depthScale));
}

ViewerPreferences CPreferenceDlg::chosen() const {
    ViewerPreferences p = prefs_;
    p.depthScale = DepthScaleSteps[std::max(0, scale_->currentIndex())];
    p.lineScrollInc = std::clamp(lineInc_->value(), 1, 100);
    p.colorPreview = colour_->isChecked();
    p.useBkgLoader = loader_->isChecked();
    p.setDepthUnit = imperial_->isChecked() ? (prefs_.imperial() ? prefs_.setDepthUnit : 1) : 0;
    p.fontSize = fontSize_->currentIndex() + 1;
    return p;
}

} // namespace lvviewer::ui
