#include "acquisition/app/ui/GuiThread.h"

#include <QCoreApplication>
#include <QThread>

namespace zarn::ui {

void postToGui(std::function<void()> work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return;
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

bool onGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace zarn::ui
