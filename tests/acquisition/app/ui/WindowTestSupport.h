// What the window tests share: waiting while the window's events run, and a program started
// in a temporary home.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace zarn::ui::test {

// Lets the window's events run until done() or the time is up; done()'s last answer.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

inline void runEventsFor(int ms) {
    static_cast<void>(waitUntil([] { return false; }, ms));
}

} // namespace zarn::ui::test
