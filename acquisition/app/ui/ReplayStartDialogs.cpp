#include "acquisition/app/ui/ReplayStartDialogs.h"

#include "platform/UserMessages.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zarn::ui {

CPSetDepthPlayer::CPSetDepthPlayer(const SetDepthPlayerLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic), entry_(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("Set depth start"));
    entry_->setText(QString::fromStdString(logic_.InitialEntry()));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* all = new QPushButton(QStringLiteral("All"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CPSetDepthPlayer::accept);
    connect(all, &QPushButton::clicked, this, [this] {
        start_.reset();
        QDialog::reject();
    });
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Begining at :"), this));
    row->addWidget(entry_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(all);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(logic_.RangeText()), this));
    layout->addLayout(row);
    layout->addLayout(buttons);
}

void CPSetDepthPlayer::accept() {
    const SetDepthPlayerLogic::Outcome outcome = logic_.Accept(entry_->text().toStdString());
    if (!outcome.accepted) {
        showMessage(outcome.message);
        return;
    }
    start_ = outcome.startDepthMetres;
    QDialog::accept();
}

CPMultiFileSelector::CPMultiFileSelector(MultiFileSelectorLogic& logic, QWidget* parent)
    : QDialog(parent), logic_(logic), files_(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Multi file selector"));
    for (const MultiFileSelectorLogic::Entry& e : logic_.Entries())
        files_->addItem(QString::fromStdString(e.text), e.fileIndex);
    files_->setCurrentIndex(logic_.Selected());
    connect(files_, &QComboBox::currentIndexChanged, this, [this](int row) { logic_.Select(row); });
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        accepted_ = true;
        QDialog::accept();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(logic_.Text()), this));
    layout->addWidget(files_);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

int CPMultiFileSelector::fileIndex() const {
    return accepted_ ? logic_.Accept() : MultiFileSelectorLogic::Cancel();
}

} // namespace zarn::ui
