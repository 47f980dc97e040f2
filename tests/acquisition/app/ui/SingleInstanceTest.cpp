#include "WindowTestSupport.h"

#include "acquisition/app/ui/InstanceChecker.h"
#include "acquisition/app/ui/LumiLoggerApp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>

namespace zarn::ui {
namespace {

using test::waitUntil;

// The program started in the test's home, without a logger (replay mode).
std::unique_ptr<QProcess> startProgram(const zarn::test::TempHome& home) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("ZARN_FTD2XX"),
               QString::fromStdString((home.path() / "no-such-bridge.so").string()));
    process->setProcessEnvironment(env);
    process->start(QStringLiteral(ZARN_PROGRAM),
                   {QStringLiteral("--home"), QString::fromStdString(home.path().string())});
    return process;
}

// True once the running program listens for later starts.
bool listening(const QString& serverName) {
    QLocalSocket socket;
    socket.connectToServer(serverName);
    const bool connected = socket.waitForConnected(200);
    socket.abort();
    return connected;
}

TEST(SingleInstance, ASecondStartBringsTheFirstToTheFrontAndEnds) {
    zarn::test::TempHome home;
    const QString server =
        CInstanceChecker(QString::fromStdString(home.path().string())).serverName();
    std::unique_ptr<QProcess> first = startProgram(home);
    ASSERT_TRUE(first->waitForStarted(10000));
    ASSERT_TRUE(waitUntil([&] { return listening(server); }, 20000)) << "the first copy is up";

    std::unique_ptr<QProcess> second = startProgram(home);
    ASSERT_TRUE(second->waitForFinished(20000)) << "the second copy ends by itself";
    EXPECT_EQ(second->exitCode(), CLumiLoggerApp::SecondInstance);
    EXPECT_TRUE(QString::fromUtf8(second->readAllStandardError())
                    .contains(QStringLiteral("A preceding version of the program was detected")));
    EXPECT_TRUE(waitUntil(
        [&] {
            return QString::fromUtf8(first->readAllStandardError())
                .contains(QStringLiteral("a second start brought the window to the front"));
        },
        5000));
    EXPECT_EQ(first->state(), QProcess::Running) << "the first copy runs on";
    first->kill();
    first->waitForFinished(5000);
}

TEST(SingleInstance, ALockLeftByAKilledProgramDoesNotBlockTheNextStart) {
    zarn::test::TempHome home;
    const QString server =
        CInstanceChecker(QString::fromStdString(home.path().string())).serverName();
    std::unique_ptr<QProcess> killed = startProgram(home);
    ASSERT_TRUE(waitUntil([&] { return listening(server); }, 20000));
    killed->kill(); // as a crash or a power cut: the lock and the socket stay behind
    ASSERT_TRUE(killed->waitForFinished(5000));
    ASSERT_TRUE(std::filesystem::exists(home.file("zarn.lock")));

    std::unique_ptr<QProcess> next = startProgram(home);
    ASSERT_TRUE(next->waitForStarted(10000));
    EXPECT_TRUE(waitUntil([&] { return listening(server); }, 20000)) << "the next start runs";
    EXPECT_EQ(next->state(), QProcess::Running);
    next->kill();
    next->waitForFinished(5000);
}

} // namespace
} // namespace zarn::ui
