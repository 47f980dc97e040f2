#include "acquisition/settings/ui/NumberField.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace zarn::ui {

NumberField::NumberField(const QString& name, QWidget* parent) : QWidget(parent) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(name);
    edit_->setAlignment(Qt::AlignRight);
    edit_->setMinimumWidth(70);
    up_ = new QToolButton(this);
    up_->setObjectName(name + QStringLiteral("Up"));
    up_->setArrowType(Qt::UpArrow);
    down_ = new QToolButton(this);
    down_->setObjectName(name + QStringLiteral("Down"));
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up_, down_}) {
        b->setFixedSize(16, 12);
        b->setAutoRepeat(true);
    }
    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(up_);
    spin->addWidget(down_);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    row->addWidget(edit_);
    row->addLayout(spin);
    connect(edit_, &QLineEdit::returnPressed, this, [this] { Q_EMIT committed(edit_->text()); });
    connect(up_, &QToolButton::clicked, this, [this] { Q_EMIT stepped(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { Q_EMIT stepped(-1); });
}

QString NumberField::text() const {
    return edit_->text();
}

void NumberField::setText(const QString& text) {
    edit_->setText(text);
}

void NumberField::setSpinEnabled(bool enabled) {
    up_->setEnabled(enabled);
    down_->setEnabled(enabled);
}

} // namespace zarn::ui
