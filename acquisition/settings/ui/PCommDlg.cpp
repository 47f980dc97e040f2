#include "acquisition/settings/ui/PCommDlg.h"

#include "acquisition/settings/LineSpeedTable.h"
#include "acquisition/settings/ui/NumberField.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zarn::ui {
namespace {

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString background(const QColor& colour) {
    return QStringLiteral("background-color: %1; border: 1px solid gray; padding: 1px 4px;")
        .arg(colour.name());
}

QColor colourOf(CommIndicators::Colour c) {
    switch (c) {
    case CommIndicators::Colour::Red:
        return QColor(255, 0, 0);
    case CommIndicators::Colour::Yellow:
        return QColor(255, 255, 0);
    case CommIndicators::Colour::Green:
        return QColor(0, 255, 0);
    case CommIndicators::Colour::Grey:
        break;
    }
    return QColor(192, 192, 192);
}

} // namespace

CPCommDlg::CPCommDlg(LoggerSetupHost& host, QWidget* parent)
    : QWidget(parent), host_(host), logic_(host) {
    const auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    speed_ = new QComboBox(this);
    speed_->setObjectName(QStringLiteral("speed"));
    for (const LineSpeed& s : LineSpeedTable)
        speed_->addItem(qs(s.bauds), s.divisor);
    downhole_ = new NumberField(QStringLiteral("downholeDrive"), this);
    gain_ = new NumberField(QStringLiteral("gain"), this);
    uphole_ = new NumberField(QStringLiteral("upholeDrive"), this);
    maximum_ = new QLabel(this);
    maximum_->setObjectName(QStringLiteral("maximum"));
    speedRead_ = new QLabel(QStringLiteral("-"), this);
    speedRead_->setObjectName(QStringLiteral("speedReadBack"));
    driveRead_ = new QLabel(QStringLiteral("-"), this);
    driveRead_->setObjectName(QStringLiteral("driveReadBack"));
    for (QLabel* l : {speedRead_, driveRead_}) {
        l->setMinimumWidth(70);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setStyleSheet(background(QColor(255, 255, 0)));
    }
    set_ = new QPushButton(QStringLiteral("&Set"), this);
    set_->setObjectName(QStringLiteral("set"));

    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("&Downhole Signal Drive"), downhole_->edit()), 0, 0);
    grid->addWidget(downhole_, 0, 1);
    grid->addWidget(label(QStringLiteral("Uphole Receiver &Gain"), gain_->edit()), 1, 0);
    grid->addWidget(gain_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("db"), this), 1, 2);
    grid->addWidget(label(QStringLiteral("&Uphole Signal Drive"), uphole_->edit()), 2, 0);
    grid->addWidget(uphole_, 2, 1);
    grid->addWidget(maximum_, 2, 2);
    grid->addWidget(driveRead_, 2, 3);
    grid->addWidget(label(QStringLiteral("C&ommunication Speed"), speed_), 3, 0);
    grid->addWidget(speed_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Bauds"), this), 3, 2);
    grid->addWidget(speedRead_, 3, 3);
    grid->addWidget(set_, 4, 3);

    auto* lights = new QGroupBox(this);
    auto* lightGrid = new QGridLayout(lights);
    for (int i = 0; i < CommIndicators::Count; ++i) {
        auto* l =
            new QLabel(QString::fromLatin1(CommIndicators::Labels[static_cast<size_t>(i)]), lights);
        l->setObjectName(QStringLiteral("indicator%1").arg(i));
        l->setAlignment(Qt::AlignCenter);
        indicators_[static_cast<size_t>(i)] = l;
        lightGrid->addWidget(l, i / 2, i % 2);
    }
    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addWidget(lights);
    page->addStretch(1);

    connect(speed_, &QComboBox::activated, this, [this](int index) {
        static_cast<void>(logic_.chooseSpeed(speed_->itemData(index).toInt()));
        showValues();
    });
    const auto wire = [this](NumberField* field, bool (CommPageLogic::*enter)(std::string_view),
                             std::string CommPageLogic::Shown::*stored) {
        connect(field, &NumberField::committed, this, [this, enter](const QString& text) {
            static_cast<void>((logic_.*enter)(text.toStdString()));
            showValues();
        });
        // A spin step moves the stored value by one.
        connect(field, &NumberField::stepped, this, [this, enter, stored](int direction) {
            const int now = QString::fromStdString(logic_.shown().*stored).toInt();
            static_cast<void>((logic_.*enter)(std::to_string(now + direction)));
            showValues();
        });
    };
    wire(downhole_, &CommPageLogic::enterDownholeDrive, &CommPageLogic::Shown::downholeDrive);
    wire(gain_, &CommPageLogic::enterGain, &CommPageLogic::Shown::gain);
    wire(uphole_, &CommPageLogic::enterUpholeDrive, &CommPageLogic::Shown::upholeDrive);
    connect(set_, &QPushButton::clicked, this, &CPCommDlg::OnSet);
    showValues();
    paintIndicators();
}

void CPCommDlg::showValues() {
    const CommPageLogic::Shown s = logic_.shown();
    const int index = speed_->findData(s.divisor);
    speed_->setCurrentIndex(index);
    maximum_->setText(qs(s.maximum));
    uphole_->setText(qs(s.upholeDrive));
    downhole_->setText(qs(s.downholeDrive));
    gain_->setText(qs(s.gain));
}

void CPCommDlg::setFieldsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{speed_, downhole_, gain_, uphole_, set_})
        w->setEnabled(enabled);
}

void CPCommDlg::OnSet() {
    const CommPageLogic::Shown s = logic_.shown();
    // Committed in this order, each only when the operator changed it.
    if (gain_->text().toStdString() != s.gain)
        static_cast<void>(logic_.enterGain(gain_->text().toStdString()));
    if (uphole_->text().toStdString() != s.upholeDrive)
        static_cast<void>(logic_.enterUpholeDrive(uphole_->text().toStdString()));
    if (downhole_->text().toStdString() != s.downholeDrive)
        static_cast<void>(logic_.enterDownholeDrive(downhole_->text().toStdString()));
    showValues();
}

void CPCommDlg::tickIndicators() {
    logic_.indicators().tick(host_.readBack().commStatus);
    paintIndicators();
}

void CPCommDlg::frameDecoded() {
    const LoggerReadBack r = host_.readBack();
    logic_.indicators().frameDecoded(r.commStatus, r.sondeDataFlag);
    paintIndicators();
}

void CPCommDlg::clearIndicators() {
    logic_.indicators().clear();
    paintIndicators();
    speedRead_->setText(QStringLiteral("-"));
    driveRead_->setText(QStringLiteral("-"));
}

void CPCommDlg::refreshReadBack() {
    const CommPageLogic::ReadBackTexts t = logic_.readBackTexts();
    const QColor colour = t.replay ? QColor(160, 255, 255) : QColor(255, 255, 0);
    for (QLabel* l : {speedRead_, driveRead_})
        l->setStyleSheet(background(colour));
    speedRead_->setText(qs(t.speed));
    driveRead_->setText(qs(t.upholeDrive));
}

QString CPCommDlg::readBackSpeed() const {
    return speedRead_->text();
}

QString CPCommDlg::readBackDrive() const {
    return driveRead_->text();
}

void CPCommDlg::paintIndicators() {
    for (int i = 0; i < CommIndicators::Count; ++i)
        indicators_[static_cast<size_t>(i)]->setStyleSheet(
            background(colourOf(logic_.indicators().colour(i))));
}

} // namespace zarn::ui
