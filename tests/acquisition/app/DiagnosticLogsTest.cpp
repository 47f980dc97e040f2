#include "acquisition/app/DiagnosticLogs.h"
#include "platform/ProfileDocument.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace zarn {
namespace {

TechnicalSwitches on(bool tools, bool trace) {
    TechnicalSwitches s;
    s.debuggingTools = tools;
    s.debuggingTrace = trace;
    return s;
}

TEST(DiagnosticLogs, EachLogIsWrittenOnlyWhileItsSwitchIsOn) {
    test::TempHome home;
    DiagnosticLogs logs(home.path());
    logs.errorLog("CUSB :: L1", "off");
    logs.traceLog("Loc", "off");
    logs.debugText("off %d", 1);
    logs.statisticsTrace("off");
    EXPECT_FALSE(std::filesystem::exists(logs.errorLogPath()));
    EXPECT_FALSE(std::filesystem::exists(logs.traceLogPath()));
    EXPECT_FALSE(std::filesystem::exists(logs.debugTextPath()));

    logs.setSwitches(on(true, false));
    logs.errorLog("CUSB :: L1398", "Read failed\nbadly");
    logs.debugText("value %.2f", 1.5);
    logs.traceLog("Loc", "still off");
    logs.statisticsTrace("Stats forced on in debugging mode");
    const auto error = ProfileDocument::parse(home.read("error_ZARN.log"));
    ASSERT_EQ(error.sectionNames().size(), 1u);
    EXPECT_EQ(error.sectionNames()[0].size(), 19u);
    EXPECT_EQ(error.get(error.sectionNames()[0], "CUSB :: L1398"), "Read failed badly");
    EXPECT_TRUE(std::regex_match(home.read("debug.txt"),
                                 std::regex(R"(\[\w{3} \w{3} \d\d \d\d:\d\d:\d\d\]value 1\.50)")));
    const std::string trace = home.read("Trace_ZARN.log");
    EXPECT_TRUE(std::regex_match(
        trace,
        std::regex(
            R"(\[\w{3} \w{3} \d\d \d\d:\d\d:\d\d  - 0\]  - Stats forced on in debugging mode\n)")))
        << trace;
}

TEST(DiagnosticLogs, TraceLinesMeasureTheTimeSinceThePreviousEntry) {
    test::TempHome home;
    DiagnosticLogs logs(home.path());
    logs.setSwitches(on(false, true));
    logs.traceLog("CToolsStream", "first\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    logs.traceLog("CToolsStream", "second");
    const std::string trace = home.read("Trace_ZARN.log");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(trace, m,
                                 std::regex(R"(\[.{19}  - 0\] CToolsStream - first\n)"
                                            R"(\[.{19}  - (\d+)\] CToolsStream - second\n)")))
        << trace;
    EXPECT_GE(std::stoi(m[1]), 30);
    logs.deleteTraceLog();
    EXPECT_FALSE(std::filesystem::exists(logs.traceLogPath()));
}

TEST(DiagnosticLogs, AnUnwritableTraceIsReportedOnceUntilItWorksAgain) {
    test::TempHome home;
    test::RecordingUserMessages boxes;
    // A folder where a file is expected cannot be opened for appending.
    std::filesystem::create_directories(home.file("Trace_ZARN.log"));
    DiagnosticLogs logs(home.path());
    logs.setSwitches(on(false, true));
    logs.traceLog("L", "a");
    logs.traceLog("L", "b");
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Trouble opening or create file. " + logs.traceLogPath().string());
    EXPECT_EQ(boxes.shown()[0].icon, MessageIcon::Error);
}

TEST(DiagnosticLogs, AnUnwritableErrorLogOrDebugTextIsReportedOnceEach) {
    test::TempHome home;
    test::RecordingUserMessages boxes;
    // Folders where the files are expected: neither can be written.
    std::filesystem::create_directories(home.file("error_ZARN.log"));
    std::filesystem::create_directories(home.file("debug.txt"));
    DiagnosticLogs logs(home.path());
    logs.setSwitches(on(true, false));
    logs.errorLog("CUSB :: L1", "a");
    logs.errorLog("CUSB :: L2", "b");
    logs.debugText("c %d", 1);
    logs.debugText("d %d", 2);
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[0], "Trouble opening or create file. " + logs.errorLogPath().string());
    EXPECT_EQ(boxes.texts()[1], "Trouble opening or create file. " + logs.debugTextPath().string());
    EXPECT_EQ(boxes.shown()[0].icon, MessageIcon::Error);
}

TEST(DiagnosticLogs, ConcurrentWritersKeepEveryLineWhole) {
    test::TempHome home;
    DiagnosticLogs logs(home.path());
    logs.setSwitches(on(true, true));
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([&logs, t] {
            for (int i = 0; i < 50; ++i)
                logs.traceLog("T" + std::to_string(t), std::string(200, char('a' + t)));
        });
    for (auto& th : threads)
        th.join();
    const std::string trace = home.read("Trace_ZARN.log");
    const std::regex line(R"(\[.{19}  - \d+\] T(\d) - (a{200}|b{200}|c{200})\n)");
    size_t lines = 0;
    for (auto it = std::sregex_iterator(trace.begin(), trace.end(), line);
         it != std::sregex_iterator(); ++it)
        ++lines;
    EXPECT_EQ(lines, 150u);
}

} // namespace
} // namespace zarn
