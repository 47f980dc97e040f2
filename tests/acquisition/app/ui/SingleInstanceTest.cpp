#include "WindowTestSupport.h"

#include "acquisition/app/ui/InstanceChecker.h"
#include "acquisition/app/ui/LumiLoggerApp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include "platform/FileIo.h"

#include <QLocalSocket>

#include <csignal>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zarn::ui {
namespace {

using test::waitUntil;

// The program started in the test's home, without a logger (replay mode), its error output
// kept in a file. Started with posix_spawn: the thread sanitizer follows it, not a raw clone.
class Program {
public:
    Program(const zarn::test::TempHome& home, const std::string& name)
        : errors_(home.file(name + ".err")) {
        const std::string homeDir = home.path().string();
        const std::string bridge = "ZARN_FTD2XX=" + (home.path() / "no-such-bridge.so").string();
        std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", bridge};
        for (char** e = environ; *e != nullptr; ++e)
            if (!std::string_view(*e).starts_with("ZARN_FTD2XX="))
                env.emplace_back(*e);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = ZARN_PROGRAM, homeOption = "--home";
        std::string homeValue = homeDir;
        char* argv[] = {program.data(), homeOption.data(), homeValue.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, errors_.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        started_ = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data()) == 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Program() { kill(); }
    bool started() const { return started_; }
    // The exit code once it ended by itself within the time; empty while it runs.
    std::optional<int> exitCode(int waitMs) {
        if (ended_)
            return code_;
        static_cast<void>(waitUntil(
            [&] {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) != pid_)
                    return false;
                ended_ = true;
                code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                return true;
            },
            waitMs));
        return ended_ ? std::optional<int>(code_) : std::nullopt;
    }
    // As a crash or a power cut: nothing is cleaned up.
    void kill() {
        if (!started_ || ended_)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        ended_ = true;
        code_ = -1;
    }
    std::string errors() const { return readWholeFile(errors_).value_or(""); }

private:
    std::filesystem::path errors_;
    pid_t pid_ = -1;
    bool started_ = false;
    bool ended_ = false;
    int code_ = -1;
};

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
    Program first(home, "first");
    ASSERT_TRUE(first.started());
    ASSERT_TRUE(waitUntil([&] { return listening(server); }, 20000)) << "the first copy is up";

    Program second(home, "second");
    ASSERT_TRUE(second.started());
    EXPECT_EQ(second.exitCode(20000), CLumiLoggerApp::SecondInstance)
        << "the second copy ends by itself";
    EXPECT_NE(second.errors().find("A preceding version of the program was detected"),
              std::string::npos);
    EXPECT_TRUE(waitUntil(
        [&] {
            return first.errors().find("a second start brought the window to the front") !=
                   std::string::npos;
        },
        5000));
    EXPECT_FALSE(first.exitCode(0)) << "the first copy runs on";
}

TEST(SingleInstance, ALockLeftByAKilledProgramDoesNotBlockTheNextStart) {
    zarn::test::TempHome home;
    const QString server =
        CInstanceChecker(QString::fromStdString(home.path().string())).serverName();
    {
        Program killed(home, "killed");
        ASSERT_TRUE(waitUntil([&] { return listening(server); }, 20000));
        killed.kill(); // the lock and the socket stay behind
    }
    ASSERT_TRUE(std::filesystem::exists(home.file("zarn.lock")));

    Program next(home, "next");
    ASSERT_TRUE(next.started());
    EXPECT_TRUE(waitUntil([&] { return listening(server); }, 20000)) << "the next start runs";
    EXPECT_FALSE(next.exitCode(0));
}

} // namespace
} // namespace zarn::ui
