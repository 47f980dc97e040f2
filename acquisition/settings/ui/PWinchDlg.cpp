#include "acquisition/settings/ui/PWinchDlg.h"

#include "acquisition/settings/ui/NumberField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zarn::ui {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CPWinchDlg::CPWinchDlg(LoggerSetupHost& host, QWidget* parent) : QWidget(parent), logic_(host) {
    QFont bold(QStringLiteral("Verdana"), 12, QFont::Bold);
    const auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setFont(bold);
        l->setBuddy(buddy);
        return l;
    };
    normal_ = new QCheckBox(QStringLiteral("Normal"), this);
    normal_->setObjectName(QStringLiteral("normal"));
    resolution_ = new NumberField(QStringLiteral("resolution"), this);
    circumference_ = new NumberField(QStringLiteral("circumference"), this);
    unit_ = new QLabel(this);
    unit_->setObjectName(QStringLiteral("unit"));
    cable_ = new QComboBox(this);
    cable_->setObjectName(QStringLiteral("cableType"));
    cable_->addItems({QStringLiteral("4 conductors"), QStringLiteral("mono cable")});
    set_ = new QPushButton(QStringLiteral("&Set"), this);
    set_->setObjectName(QStringLiteral("set"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(QStringLiteral("Encoder &Direction"), normal_), 0, 0);
    grid->addWidget(normal_, 0, 1);
    grid->addWidget(label(QStringLiteral("Encoder &Resolution"), resolution_->edit()), 1, 0);
    grid->addWidget(resolution_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Pulse/Turn"), this), 1, 2);
    grid->addWidget(label(QStringLiteral("Wheel &Circumference"), circumference_->edit()), 2, 0);
    grid->addWidget(circumference_, 2, 1);
    grid->addWidget(unit_, 2, 2);
    grid->addWidget(label(QStringLiteral("Cable &Type"), cable_), 3, 0);
    grid->addWidget(cable_, 3, 1, 1, 2);
    grid->addWidget(set_, 4, 1, 1, 2, Qt::AlignRight);
    grid->setRowStretch(5, 1);

    connect(normal_, &QCheckBox::clicked, this, [this](bool on) {
        logic_.setDirection(on);
        showValues();
    });
    connect(cable_, &QComboBox::activated, this, [this](int index) {
        logic_.setCableType(index);
        showValues();
    });
    connect(resolution_, &NumberField::committed, this, [this](const QString& text) {
        static_cast<void>(logic_.enterResolution(text.toStdString()));
        showValues();
    });
    connect(resolution_, &NumberField::stepped, this, [this](int direction) {
        static_cast<void>(logic_.stepResolution(direction));
        showValues();
    });
    connect(circumference_, &NumberField::committed, this, [this](const QString& text) {
        static_cast<void>(logic_.enterCircumference(text.toStdString()));
        showValues();
    });
    connect(circumference_, &NumberField::stepped, this, [this](int direction) {
        static_cast<void>(logic_.stepCircumference(direction));
        showValues();
    });
    connect(set_, &QPushButton::clicked, this, &CPWinchDlg::OnSet);
    showValues();
}

void CPWinchDlg::showValues() {
    const WinchPageLogic::Shown s = logic_.shown();
    normal_->setChecked(s.normal);
    resolution_->setText(qs(s.resolution));
    circumference_->setText(qs(s.circumference));
    unit_->setText(qs(s.unit));
    cable_->setCurrentIndex(s.cableType);
}

void CPWinchDlg::setFieldsEnabled(bool enabled, bool cableTypeEnabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{normal_, resolution_, circumference_, set_})
        w->setEnabled(enabled);
    cable_->setEnabled(enabled && cableTypeEnabled);
}

void CPWinchDlg::OnSet() {
    const WinchPageLogic::Shown s = logic_.shown();
    // Only what the operator changed is committed: an unchanged field sends nothing.
    if (resolution_->text().toStdString() != s.resolution)
        static_cast<void>(logic_.enterResolution(resolution_->text().toStdString()));
    if (circumference_->text().toStdString() != s.circumference)
        static_cast<void>(logic_.enterCircumference(circumference_->text().toStdString()));
    showValues();
}

} // namespace zarn::ui
