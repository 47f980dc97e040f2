// What the window tests share: waiting while the window's events run, and a program started
// in a temporary home.
#pragma once

#include "acquisition/app/ui/LumiLoggerApp.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>
#include <string>

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

// The program's own simulation in a fresh home, whose simulator settings are the tests': the
// winch lowers the sonde from 10 m at 10 m/min, a minute after it is switched on, and frames
// come as fast as they can. More settings sections may follow.
struct SimulatedProgram {
    explicit SimulatedProgram(const std::string& moreSettings = {})
        : app{optionsFor(home, messages, moreSettings)} {}

    zarn::test::TempHome home;
    zarn::test::RecordingUserMessages messages;
    CLumiLoggerApp app;

    static AppOptions optionsFor(const zarn::test::TempHome& home,
                                 zarn::test::RecordingUserMessages& messages,
                                 const std::string& moreSettings) {
        home.write("simulator.ini", "[Device]\nFastMode = yes\n"
                                    "[Winch]\nStartDepth = 10\nEndDepth = 40\nSpeed = 10\n"
                                    "StartDelay = 60\n" +
                                        moreSettings);
        AppOptions options;
        options.simulate = true;
        options.messages = &messages;
        return options;
    }
};

} // namespace zarn::ui::test
