#include "acquisition/app/ui/QtProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace zarn::ui {

QtProgress::QtProgress(QWidget* parent) : dialog_(new QProgressDialog(parent)) {
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(500);
    dialog_->setRange(0, 1000);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    QObject::connect(dialog_, &QProgressDialog::canceled, [this] { cancelled_ = true; });
    sinceEvents_.start();
}

QtProgress::~QtProgress() {
    delete dialog_;
}

void QtProgress::stage(std::string_view text) {
    dialog_->setLabelText(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    letEventsThrough();
}

void QtProgress::fraction(double done) {
    if (sinceEvents_.elapsed() < 50)
        return; // cheap when called per record
    dialog_->setValue(static_cast<int>(std::clamp(done, 0.0, 1.0) * 1000));
    letEventsThrough();
}

bool QtProgress::cancelled() const {
    return cancelled_.load();
}

void QtProgress::letEventsThrough() {
    sinceEvents_.restart();
    QCoreApplication::processEvents();
}

} // namespace zarn::ui
