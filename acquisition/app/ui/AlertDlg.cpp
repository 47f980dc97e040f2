#include "acquisition/app/ui/AlertDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zarn::ui {

CAlertDlg::CAlertDlg(QWidget* parent) : QDialog(parent), message_(new QLabel(this)) {
    setModal(false);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    QFont bold = message_->font();
    bold.setBold(true);
    message_->setFont(bold);
    message_->setStyleSheet(QStringLiteral("color: red;"));
    message_->setMinimumWidth(260);
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    connect(ok, &QPushButton::clicked, this, &QDialog::hide);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(message_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setWindowTitle(QStringLiteral("Invalid Depth !!!"));
    message_->setText(QStringLiteral("Encoder Error"));
}

void CAlertDlg::ShowAlarm(const QString& title, const QString& message) {
    setWindowTitle(title);
    message_->setText(message);
    if (!isVisible())
        show();
}

QString CAlertDlg::message() const {
    return message_->text();
}

} // namespace zarn::ui
