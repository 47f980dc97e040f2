#include "platform/ftd2xx/EepromReadRecord.h"
#include "tests/acquisition/link/LinkTestSupport.h"

#include <functional>
#include <gmock/gmock.h>

namespace zarn::test {
namespace {

using testing::ElementsAre;

TEST(Ftd2xxLibrary, TheNameComesFromTheEnvironmentOrIsTheDefault) {
    ::unsetenv("ZARN_FTD2XX");
    EXPECT_EQ(Ftd2xxLibrary::libraryName(), "libftd2xx.so");
    ::setenv("ZARN_FTD2XX", "", 1);
    EXPECT_EQ(Ftd2xxLibrary::libraryName(), "libftd2xx.so");
    ::setenv("ZARN_FTD2XX", "/opt/x/libother.so", 1);
    EXPECT_EQ(Ftd2xxLibrary::libraryName(), "/opt/x/libother.so");
    ::unsetenv("ZARN_FTD2XX");
}

TEST(CUSB, BindingReportsWhatWasMissingWithTheProgramsOwnTexts) {
    struct Case {
        std::string library; // empty: a library that does not exist
        bool bound;
        std::vector<std::string> shown;
    };
    const std::string tail = " \n Install the last version USB FTDI driver";
    const std::vector<Case> cases = {
        {"zarn_test_d2xx", true, {}},
        {"", false, {"USB Driver not installed."}},
        {"zarn_test_d2xx_without_FT_Write", false, {"Error:\n Can't Find FT_Write" + tail}},
        {"zarn_test_d2xx_without_FT_Read", false, {"Error:\n Can't Find FT_Read" + tail}},
        {"zarn_test_d2xx_without_FT_Open", false, {"Error: Can't Find FT_Open" + tail}},
        {"zarn_test_d2xx_without_FT_Purge", false, {"Error: Can't Find FT_Purge" + tail}},
        {"zarn_test_d2xx_without_FT_EE_Read", false, {"Error: Can't Find FT_EE_Read" + tail}},
        {"zarn_test_d2xx_without_FT_SetLatencyTimer",
         false,
         {"Error: Can't Find FT_SetLatencyTimer" + tail}},
        // Two names missing: the first in binding order is the one named.
        {"zarn_test_d2xx_without_FT_Close_FT_Purge", false, {"Error: Can't Find FT_Close" + tail}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library.empty() ? "no library" : c.library);
        TempHome home;
        RecordingUserMessages messages;
        Shared<Configuration> settings;
        DiagnosticLogs logs(home.path());
        const std::string path = c.library.empty() ? (home.path() / "libnothing.so").string()
                                                   : testBridgePath(c.library);
        ::setenv("ZARN_FTD2XX", path.c_str(), 1);
        CUSB usb(settings, logs);
        EXPECT_EQ(usb.bindLibrary(), c.bound);
        EXPECT_EQ(usb.flags().linkAvailable.load(), c.bound);
        EXPECT_EQ(messages.texts(), c.shown);
        for (const UserMessage& m : messages.shown())
            EXPECT_EQ(m.icon, MessageIcon::Error);
        ::unsetenv("ZARN_FTD2XX");
    }
}

TEST(CUSB, BindingStopsAtTheFirstMissingNameAndLaterCallsAreNotValid) {
    TempHome home;
    RecordingUserMessages messages;
    Shared<Configuration> settings;
    DiagnosticLogs logs(home.path());
    TestBridge bridge("zarn_test_d2xx_without_FT_Purge");
    CUSB usb(settings, logs);
    ASSERT_FALSE(usb.bindLibrary());

    // The calls before FT_Purge are bound and work; FT_Purge and every call after it are not
    // bound, although the library has them.
    const Ftd2xxCalls& calls = usb.library().calls();
    EXPECT_NE(calls.write, nullptr);
    EXPECT_NE(calls.resetDevice, nullptr);
    EXPECT_EQ(calls.purge, nullptr);
    EXPECT_EQ(calls.setTimeouts, nullptr);
    EXPECT_EQ(calls.setLatencyTimer, nullptr);
    EXPECT_EQ(usb.ftOpen(0), FT_OK);
    EXPECT_EQ(usb.ftResetDevice(), FT_OK);

    struct Case {
        const char* what;
        std::function<FT_STATUS()> call;
        std::string shown;
    };
    std::uint32_t count = 0;
    std::uint8_t latency = 0;
    EepromReadRecord eeprom;
    const std::vector<Case> cases = {
        {"purge", [&] { return usb.ftPurge(FT_PURGE_RX); }, "FT_Purge is not valid!"},
        {"timeouts", [&] { return usb.ftSetTimeouts(3, 3); }, "FT_SetTimeouts is not valid!"},
        {"queue", [&] { return usb.ftGetQueueStatus(count); }, "FT_GetQueueStatus is not valid!"},
        {"eeprom", [&] { return usb.ftEeRead(*eeprom.record()); }, "FT_EE_Read is not valid!"},
        // Both latency calls name the reading one.
        {"set latency", [&] { return usb.ftSetLatencyTimer(2); },
         "FT_GetLatencyTimer is not valid!"},
        {"get latency", [&] { return usb.ftGetLatencyTimer(latency); },
         "FT_GetLatencyTimer is not valid!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = messages.texts().size();
        EXPECT_EQ(c.call(), CUSB::UnboundStatus);
        const auto texts = messages.texts();
        ASSERT_EQ(texts.size(), before + 1);
        EXPECT_EQ(texts.back(), c.shown);
    }
}

TEST(CUSB, CallsGoToTheOpenDeviceAndCloseOnlyWhatIsOpen) {
    TempHome home;
    RecordingUserMessages messages;
    Shared<Configuration> settings;
    DiagnosticLogs logs(home.path());
    TestBridge bridge;
    CUSB usb(settings, logs);
    ASSERT_TRUE(usb.bindLibrary());

    std::uint32_t waiting = 99;
    EXPECT_EQ(usb.ftGetQueueStatus(waiting), FT_INVALID_HANDLE) << "nothing open yet";
    EXPECT_EQ(usb.ftClose(), FT_OK);
    EXPECT_EQ(usb.ftOpen(1), FT_DEVICE_NOT_FOUND);
    EXPECT_FALSE(usb.deviceOpen());

    EXPECT_EQ(usb.ftOpenEx("Logger", FT_OPEN_BY_DESCRIPTION), FT_OK);
    EXPECT_TRUE(usb.deviceOpen());
    EepromReadRecord eeprom;
    ASSERT_EQ(usb.ftEeRead(*eeprom.record()), FT_OK);
    EXPECT_EQ(eeprom.vendorId(), 0x0403);
    EXPECT_EQ(eeprom.productId(), 0x6001);
    EXPECT_EQ(eeprom.serialNumber(), "TD000042");
    EXPECT_EQ(usb.ftGetQueueStatus(waiting), FT_OK);
    EXPECT_EQ(waiting, 0u);

    EXPECT_EQ(usb.ftClose(), FT_OK);
    EXPECT_FALSE(usb.deviceOpen());
    EXPECT_EQ(usb.ftClose(), FT_OK) << "a second close does not reach the library";
    EXPECT_EQ(usb.ftOpenEx("TD000042", FT_OPEN_BY_SERIAL_NUMBER), FT_OK);
    EXPECT_THAT(messages.texts(), testing::IsEmpty());
}

TEST(CUSB, StatusTextsAndErrorLocations) {
    const std::vector<std::pair<FT_STATUS, std::string>> texts = {
        {0, "Devise OK, no error"},
        {1, "Invalid handle"},
        {2, "Device not found:"},
        {3, "Device not opened"},
        {4, "IO Error"},
        {5, "Insufficient ressources"},
        {6, "invalid parameter send"},
        {7, ""},
        {8, "USB : read time mode"},
        {9, ""},
        {FT_CALL_NOT_OFFERED, ""},
    };
    for (const auto& [status, text] : texts)
        EXPECT_EQ(CUSB::statusText(status), text) << status;

    const std::vector<std::pair<int, std::string>> locations = {
        {1052, "Thread_USB_Read : L281 - err 1052"},
        {5500, "Thread_USB_Read : USB disconnected ? - err 5500"},
        {5570, "Thread_USB_Send : driver error. Data not send - err 5570"},
        {1128, "err1128"},
        {-3, "err-3"},
    };
    for (const auto& [code, location] : locations)
        EXPECT_EQ(CUSB::errorLocation(code), location) << code;
}

TEST(CUSB, TheErrorReportWritesLocationAndStatusTextToTheErrorLog) {
    TempHome home;
    Shared<Configuration> settings;
    DiagnosticLogs logs(home.path());
    TechnicalSwitches on;
    on.debuggingTools = true;
    logs.setSwitches(on);
    CUSB usb(settings, logs);
    usb.errorReport(FT_IO_ERROR, CUSB::DisconnectedCode);
    usb.errorReport(FT_DEVICE_NOT_FOUND, 77);
    const ProfileDocument doc = ProfileFile::load(logs.errorLogPath());
    auto entry = [&](const std::string& location) -> std::optional<std::string> {
        for (const std::string& section : doc.sectionNames())
            if (auto value = doc.get(section, location))
                return value;
        return std::nullopt;
    };
    EXPECT_EQ(entry("Thread_USB_Read : USB disconnected ? - err 5500"),
              std::optional<std::string>("IO Error"));
    EXPECT_EQ(entry("err77"), std::optional<std::string>("Device not found:"));
}

} // namespace
} // namespace zarn::test
