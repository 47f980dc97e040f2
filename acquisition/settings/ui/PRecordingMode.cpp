#include "acquisition/settings/ui/PRecordingMode.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zarn::ui {
namespace {

QString textOf(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CPRecordingMode::CPRecordingMode(const Setup& setup, QWidget* parent)
    : QDialog(parent), logic_(setup.cableSpeed, setup.feet, setup.orientationMode),
      previousDirection_(setup.logDirection) {
    auto* modeGroup = new QGroupBox(QStringLiteral(" Mode ..."), this);
    uphole_ = new QRadioButton(QStringLiteral("Uphole"), modeGroup);
    downhole_ = new QRadioButton(QStringLiteral("Downhole"), modeGroup);
    uphole_->setObjectName(QStringLiteral("uphole"));
    downhole_->setObjectName(QStringLiteral("downhole"));
    (logic_.DownholePreselected() ? downhole_ : uphole_)->setChecked(true);
    auto* modeLayout = new QVBoxLayout(modeGroup);
    modeLayout->addWidget(uphole_);
    modeLayout->addWidget(downhole_);

    auto* splitGroup = new QGroupBox(QStringLiteral("Split file BY  ..."), this);
    split_ = new QComboBox(splitGroup);
    split_->setObjectName(QStringLiteral("split"));
    for (const SplitChoice& c : logic_.SplitChoices())
        split_->addItem(textOf(c.text));
    split_->setCurrentIndex(0);
    auto* splitLayout = new QVBoxLayout(splitGroup);
    splitLayout->addWidget(split_);

    auto* orientation = new QLabel(QString::fromStdString(logic_.OrientationLine()), this);
    orientation->setObjectName(QStringLiteral("orientation"));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CPRecordingMode::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(modeGroup);
    top->addWidget(splitGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(orientation);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void CPRecordingMode::accept() {
    choice_ = logic_.Accept(downhole_->isChecked(), uphole_->isChecked(), split_->currentIndex(),
                            previousDirection_);
    QDialog::accept();
}

} // namespace zarn::ui
