#include "acquisition/export/ui/ExportRunner.h"

#include <QLabel>
#include <QProgressBar>

#include <cmath>

namespace zarn::ui {

namespace {

constexpr int PollMs = 40;
constexpr int BarRange = 1000;

} // namespace

ExportRunner::ExportRunner(QLabel* status, QProgressBar* bar, QObject* parent)
    : QObject(parent), status_(status), bar_(bar) {
    timer_.setInterval(PollMs);
    connect(&timer_, &QTimer::timeout, this, &ExportRunner::poll);
}

ExportRunner::~ExportRunner() {
    timer_.stop();
    task_.cancel();
    task_.join();
}

bool ExportRunner::start(std::function<void(Progress&)> work) {
    if (!task_.start(std::move(work)))
        return false;
    bar_->setRange(0, BarRange);
    bar_->setValue(0);
    bar_->setVisible(true);
    timer_.start();
    return true;
}

void ExportRunner::cancelAndWait() {
    if (!task_.running())
        return;
    task_.cancel();
    task_.join();
    poll();
}

void ExportRunner::poll() {
    SharedProgress& progress = task_.progress();
    if (progress.takeStageChange())
        status_->setText(QString::fromStdString(progress.stageText()));
    bar_->setValue(static_cast<int>(std::lround(progress.fractionDone() * BarRange)));
    // Reported once: the timer runs from the start until the end is seen.
    if (!task_.finished() || !timer_.isActive())
        return;
    task_.join();
    timer_.stop();
    Q_EMIT finished();
}

} // namespace zarn::ui
