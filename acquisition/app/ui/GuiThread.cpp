#include "acquisition/app/ui/GuiThread.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

namespace zarn::ui {

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

GuiInbox::GuiInbox(QObject* parent, int periodMs) : QObject(parent), timer_(new QTimer(this)) {
    connect(timer_, &QTimer::timeout, this, &GuiInbox::runPending);
    timer_->start(periodMs);
}

void GuiInbox::post(std::function<void()> work) {
    std::lock_guard lock(mutex_);
    work_.push_back(std::move(work));
}

void GuiInbox::runPending() {
    std::deque<std::function<void()>> now;
    {
        std::lock_guard lock(mutex_);
        now.swap(work_);
    }
    for (std::function<void()>& work : now)
        work();
}

} // namespace zarn::ui
