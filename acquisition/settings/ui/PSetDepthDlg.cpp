#include "acquisition/settings/ui/PSetDepthDlg.h"

#include "platform/UserMessages.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zarn::ui {
namespace {

QString initialEntry() {
    return QString::fromLatin1(DepthResetLogic::InitialEntry.data(),
                               static_cast<qsizetype>(DepthResetLogic::InitialEntry.size()));
}

} // namespace

CPSetDepthDlg::CPSetDepthDlg(const Setup& setup, QWidget* parent)
    : QDialog(parent), logic_(setup.feet, setup.sondeLengthCm, setup.depthScale) {
    setWindowTitle(QStringLiteral("Depth reset."));
    auto* question = new QLabel(QStringLiteral("Are you sure of your setting ?"), this);
    entry_ = new QLineEdit(initialEntry(), this);
    entry_->setObjectName(QStringLiteral("depth"));
    entry_->setAlignment(Qt::AlignRight);
    entry_->selectAll();
    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CPSetDepthDlg::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(question);
    layout->addWidget(entry_);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    entry_->setFocus();
}

void CPSetDepthDlg::accept() {
    const DepthResetLogic::Outcome out = logic_.Accept(entry_->text().toStdString());
    if (!out.accepted) {
        // A refused entry reverts the field; the dialog stays open for another try.
        showMessage(out.message, MessageIcon::Warning);
        entry_->setText(initialEntry());
        entry_->selectAll();
        entry_->setFocus();
        return;
    }
    depth_ = out.depthMetres;
    QDialog::accept();
}

} // namespace zarn::ui
