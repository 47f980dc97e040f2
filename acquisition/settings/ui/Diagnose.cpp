#include "acquisition/settings/ui/Diagnose.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace zarn::ui {

namespace {

constexpr int StatisticsMs = 333;

// A 16 x 16 lamp: green when the bit is clear, red when the sonde reports the error.
QPixmap lamp(const QColor& colour) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour.darker(170), 1));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return pixmap;
}

} // namespace

CDiagnose::CDiagnose(DiagnosePanelHost& host, QWidget* parent)
    : QDialog(parent), host_(host), normal_(lamp(QColor(40, 170, 60))),
      error_(lamp(QColor(220, 30, 30))),
      active_(new QCheckBox(QStringLiteral("Active diagnostic"), this)),
      reset_(new QPushButton(QStringLiteral("&DSP Error reset"), this)), report_(new QLabel(this)),
      statisticsTimer_(new QTimer(this)), sendTimer_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Diagnostic panel"));
    setModal(false);

    auto* dsp = new QGroupBox(QStringLiteral("DSP error"), this);
    auto* dspGrid = new QGridLayout(dsp);
    for (std::size_t g = 0; g < DspErrorGroups.size(); ++g) {
        const DspErrorGroup& group = DspErrorGroups[g];
        auto* box = new QGroupBox(QString::fromLatin1(group.title), dsp);
        auto* rows = new QGridLayout(box);
        rows->setVerticalSpacing(1);
        int row = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const char* label = group.labels[static_cast<std::size_t>(bit)];
            if (!label)
                continue;
            auto* icon = new QLabel(box);
            icon->setPixmap(normal_);
            icon->setObjectName(QString::fromLatin1(label));
            rows->addWidget(icon, row, 0);
            rows->addWidget(new QLabel(QString::fromLatin1(label), box), row, 1,
                            Qt::AlignLeft | Qt::AlignVCenter);
            indicators_.push_back({g, bit, icon});
            ++row;
        }
        rows->setRowStretch(row, 1);
        rows->setColumnStretch(1, 1);
        dspGrid->addWidget(box, static_cast<int>(g / 3), static_cast<int>(g % 3));
    }

    auto* stats = new QGroupBox(QStringLiteral("Transmission"), this);
    auto* form = new QFormLayout(stats);
    const auto fields = statisticsFieldsOf(DiagnoseCounts{});
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto* field = new QLineEdit(stats);
        field->setReadOnly(true);
        field->setAlignment(Qt::AlignRight);
        field->setMinimumWidth(
            field->fontMetrics().horizontalAdvance(QStringLiteral("-2147483648")) + 12);
        field->setObjectName(QStringLiteral("statistic%1").arg(i));
        statistics_[i] = field;
        form->addRow(QString::fromLatin1(fields[i].label), field);
    }
    auto* counterReset = new QPushButton(QStringLiteral("Counter reset"), stats);
    form->addRow(counterReset);

    reset_->setEnabled(false);
    report_->setStyleSheet(QStringLiteral("color: #b00000"));
    report_->setWordWrap(true);
    auto* close = new QPushButton(QStringLiteral("Close"), this);

    auto* orders = new QHBoxLayout;
    orders->addWidget(active_);
    orders->addWidget(reset_);
    orders->addStretch(1);
    orders->addWidget(close);

    auto* left = new QVBoxLayout;
    left->addWidget(dsp);
    left->addLayout(orders);
    left->addWidget(report_);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(stats);

    connect(active_, &QCheckBox::toggled, this, &CDiagnose::OnActiveDiagnostic);
    connect(reset_, &QPushButton::clicked, this, &CDiagnose::OnDspErrorReset);
    connect(counterReset, &QPushButton::clicked, this, &CDiagnose::OnCounterReset);
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    connect(statisticsTimer_, &QTimer::timeout, this, &CDiagnose::refreshStatistics);
    sendTimer_->setInterval(DiagnoseLogic::RetryMs);
    connect(sendTimer_, &QTimer::timeout, this, &CDiagnose::sendTick);
    refreshStatistics();
}

void CDiagnose::showReadBack() {
    logic_.showReadBack(host_.readBack());
    showIndicators();
}

void CDiagnose::showIndicators() {
    for (const Indicator& indicator : indicators_)
        indicator.icon->setPixmap(logic_.inError(indicator.group, indicator.bit) ? error_
                                                                                 : normal_);
}

void CDiagnose::refreshStatistics() {
    const auto fields = statisticsFieldsOf(host_.counts());
    for (std::size_t i = 0; i < fields.size(); ++i)
        statistics_[i]->setText(QString::fromStdString(fields[i].text));
}

QString CDiagnose::sendReport() const {
    return report_->text();
}

void CDiagnose::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    refreshStatistics();
    statisticsTimer_->start(StatisticsMs);
}

void CDiagnose::hideEvent(QHideEvent* event) {
    statisticsTimer_->stop();
    QDialog::hideEvent(event);
}

void CDiagnose::OnActiveDiagnostic(bool checked) {
    logic_.setActiveDiagnostic(checked, DiagnoseLogic::Clock::now());
    reset_->setEnabled(logic_.resetEnabled());
    armSending();
}

void CDiagnose::OnDspErrorReset() {
    logic_.dspErrorReset(DiagnoseLogic::Clock::now());
    showIndicators();
    armSending();
}

void CDiagnose::OnCounterReset() {
    host_.resetCounters();
    refreshStatistics();
}

void CDiagnose::armSending() {
    // The first try at once, then every 64 ms until the order is out.
    sendTick();
    if (logic_.sending() && !sendTimer_->isActive())
        sendTimer_->start();
}

void CDiagnose::sendTick() {
    const DiagnoseLogic::Step step =
        logic_.tick(DiagnoseLogic::Clock::now(), [this] { return host_.claimLink(); });
    if (step == DiagnoseLogic::Step::Send) {
        const bool sent = host_.sendOrder(logic_.byteA(), logic_.byteB());
        report_->setText(sent ? QString() : QString::fromLatin1(DiagnoseLogic::SendFailedText));
        showIndicators(); // the second reset clears them again
    } else if (step == DiagnoseLogic::Step::GivenUp) {
        report_->setText(QString::fromLatin1(DiagnoseLogic::NotSentText));
    }
    if (!logic_.sending())
        sendTimer_->stop();
}

} // namespace zarn::ui
