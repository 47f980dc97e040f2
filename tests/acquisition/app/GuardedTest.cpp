#include "acquisition/app/Guarded.h"
#include "acquisition/app/DiagnosticLogs.h"
#include "platform/DebugOutput.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace zarn::guardtest {

// A class with guarded members, as the program's classes have them.
struct Device {
    int line = 0;
    int open(bool fail) {
        line = __LINE__ + 1;
        return guarded(ZARN_GUARD_HERE("CDevice"), -1, [&] {
            if (fail)
                throw std::runtime_error("device gone");
            return 7;
        });
    }
    bool close() {
        line = __LINE__ + 1;
        return guarded(ZARN_GUARD_AT("CUSB :: L1398"), [] { throw 42; });
    }
};

} // namespace zarn::guardtest

namespace zarn {
namespace {

class GuardedTest : public ::testing::Test {
protected:
    void SetUp() override {
        DiagnosticLogs::instance().setFolder(home.path());
        DiagnosticLogs::instance().setSwitches(TechnicalSwitches{false, true, false, false});
        setDebugOutputSink([this](std::string_view text) { debug.emplace_back(text); });
    }
    void TearDown() override {
        setDebugOutputSink({});
        DiagnosticLogs::instance().setSwitches(TechnicalSwitches{});
    }
    // Every (location, text) entry of the error log.
    std::vector<std::pair<std::string, std::string>> errorEntries() const {
        std::vector<std::pair<std::string, std::string>> entries;
        const auto doc = ProfileDocument::parse(home.read("error_ZARN.log"));
        for (const std::string& section : doc.sectionNames())
            for (const std::string& key : doc.keyNames(section))
                entries.emplace_back(key, doc.get(section, key).value_or(""));
        return entries;
    }

    test::TempHome home;
    std::vector<std::string> debug;
};

TEST_F(GuardedTest, AnExceptionIsLoggedWithItsLocationAndTheCallGoesOnWithTheFailureValue) {
    guardtest::Device device;
    EXPECT_EQ(device.open(true), -1);
    const std::string location = "CDevice :: L" + std::to_string(device.line);
    EXPECT_EQ(errorEntries(),
              (std::vector<std::pair<std::string, std::string>>{{location, "device gone"}}));
    EXPECT_EQ(debug, std::vector<std::string>{"Function: zarn::guardtest::Device::open\n"
                                              "File: GuardedTest.cpp\nLine: " +
                                              std::to_string(device.line) + "\n"});
}

TEST_F(GuardedTest, AnExceptionOfAnyTypeIsCaughtUnderAFixedLocation) {
    guardtest::Device device;
    EXPECT_FALSE(device.close());
    EXPECT_EQ(errorEntries(), (std::vector<std::pair<std::string, std::string>>{
                                  {"CUSB :: L1398", "Unknown exception"}}));
    EXPECT_EQ(debug, std::vector<std::string>{"Function: zarn::guardtest::Device::close\n"
                                              "File: GuardedTest.cpp\nLine: " +
                                              std::to_string(device.line) + "\n"});
}

TEST_F(GuardedTest, ACallWithoutExceptionReturnsItsValueAndWritesNothing) {
    guardtest::Device device;
    EXPECT_EQ(device.open(false), 7);
    bool ran = false;
    EXPECT_TRUE(guarded(ZARN_GUARD_HERE("CTest"), [&] { ran = true; }));
    EXPECT_TRUE(ran);
    EXPECT_FALSE(std::filesystem::exists(home.file("error_ZARN.log")));
    EXPECT_TRUE(debug.empty());
}

TEST_F(GuardedTest, WithoutDebuggingToolsOnlyTheDebuggerOutputIsWritten) {
    DiagnosticLogs::instance().setSwitches(TechnicalSwitches{});
    guardtest::Device device;
    EXPECT_EQ(device.open(true), -1);
    EXPECT_FALSE(std::filesystem::exists(home.file("error_ZARN.log")));
    EXPECT_EQ(debug.size(), 1u);
}

TEST(GuardSite, QualifiedFunctionNameIsCutFromTheCompilersSignature) {
    const struct {
        const char* signature;
        const char* name;
    } cases[] = {
        {"bool zarn::CUSB::Open(int) const", "zarn::CUSB::Open"},
        {"zarn::CUSB::CUSB()", "zarn::CUSB::CUSB"},
        {"static void zarn::CUSB::ReaderThread(void*)", "zarn::CUSB::ReaderThread"},
        {"const char* zarn::name()", "zarn::name"},
        {"std::map<int, std::basic_string<char> > zarn::X::g(int)", "zarn::X::g"},
        {"void zarn::{anonymous}::h()", "zarn::{anonymous}::h"},
        {"virtual void zarn::(anonymous namespace)::T::TestBody()",
         "zarn::(anonymous namespace)::T::TestBody"},
        {"int zarn::F::operator()(int)", "zarn::F::operator()"},
        {"void zarn::f(T) [with T = int]", "zarn::f"},
        {"int main()", "main"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(qualifiedFunctionName(c.signature), c.name) << c.signature;
    EXPECT_EQ(guardLocation("CToolsStream", 42), "CToolsStream :: L42");
    EXPECT_STREQ(sourceFileName("/work/acquisition/link/USB.cpp"), "USB.cpp");
    EXPECT_STREQ(sourceFileName("USB.cpp"), "USB.cpp");
}

} // namespace
} // namespace zarn
