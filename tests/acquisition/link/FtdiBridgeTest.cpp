// The bridge over libftdi1, bound the way the program binds any bridge. No logger is attached
// on the machines that run the tests: the bridge must say so cleanly.
#include "tests/acquisition/link/LinkTestSupport.h"

#include <gmock/gmock.h>

namespace zarn::test {
namespace {

class FtdiBridge : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("ZARN_FTD2XX", ZARN_FTDI_BRIDGE, 1); }
    void TearDown() override { ::unsetenv("ZARN_FTD2XX"); }

    TempHome home;
    RecordingUserMessages messages;
    Shared<Configuration> settings;
    DiagnosticLogs logs{home.path()};
};

TEST_F(FtdiBridge, BindsEveryName) {
    CUSB usb(settings, logs);
    ASSERT_TRUE(usb.bindLibrary()) << usb.library().loadError() << usb.library().missingName();
    EXPECT_TRUE(usb.flags().linkAvailable.load());
    const Ftd2xxCalls& c = usb.library().calls();
    const std::vector<const void*> pointers = {
        reinterpret_cast<const void*>(c.write),
        reinterpret_cast<const void*>(c.read),
        reinterpret_cast<const void*>(c.open),
        reinterpret_cast<const void*>(c.openEx),
        reinterpret_cast<const void*>(c.listDevices),
        reinterpret_cast<const void*>(c.close),
        reinterpret_cast<const void*>(c.resetDevice),
        reinterpret_cast<const void*>(c.purge),
        reinterpret_cast<const void*>(c.setTimeouts),
        reinterpret_cast<const void*>(c.getQueueStatus),
        reinterpret_cast<const void*>(c.setBreakOn),
        reinterpret_cast<const void*>(c.setBreakOff),
        reinterpret_cast<const void*>(c.getStatus),
        reinterpret_cast<const void*>(c.setEventNotification),
        reinterpret_cast<const void*>(c.eeRead),
        reinterpret_cast<const void*>(c.eeProgram),
        reinterpret_cast<const void*>(c.eeUaRead),
        reinterpret_cast<const void*>(c.eeUaWrite),
        reinterpret_cast<const void*>(c.eeUaSize),
        reinterpret_cast<const void*>(c.getLatencyTimer),
        reinterpret_cast<const void*>(c.setLatencyTimer),
    };
    ASSERT_EQ(pointers.size(), Ftd2xxLibrary::CallCount);
    for (size_t i = 0; i < pointers.size(); ++i)
        EXPECT_NE(pointers[i], nullptr) << Ftd2xxLibrary::bindingOrder()[i];
    EXPECT_THAT(messages.texts(), testing::IsEmpty());
}

TEST_F(FtdiBridge, ReportsDeviceNotFoundWhenNoLoggerIsAttached) {
    CUSB usb(settings, logs);
    ASSERT_TRUE(usb.bindLibrary());
    const FT_STATUS byIndex = usb.ftOpen(0);
    EXPECT_EQ(byIndex, FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(CUSB::statusText(byIndex), "Device not found:");
    EXPECT_EQ(usb.ftOpenEx("LUMIVANE Logger", FT_OPEN_BY_DESCRIPTION), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(usb.ftOpenEx("Logger", FT_OPEN_BY_DESCRIPTION), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(usb.ftOpenEx("QV-00000000", FT_OPEN_BY_SERIAL_NUMBER), FT_DEVICE_NOT_FOUND);
    EXPECT_FALSE(usb.deviceOpen());
    EXPECT_THAT(messages.texts(), testing::IsEmpty());
}

TEST_F(FtdiBridge, RefusesHandlesItDidNotGiveAndBadArguments) {
    CUSB usb(settings, logs);
    ASSERT_TRUE(usb.bindLibrary());
    const Ftd2xxCalls& c = usb.library().calls();
    int notAHandle = 0;
    FT_HANDLE bogus = &notAHandle;
    std::uint8_t buffer[8] = {};
    std::uint32_t count = 7;
    EXPECT_EQ(c.write(bogus, buffer, sizeof buffer, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(c.read(nullptr, buffer, sizeof buffer, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(c.getQueueStatus(bogus, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(c.close(bogus), FT_INVALID_HANDLE);
    EXPECT_EQ(c.purge(bogus, FT_PURGE_RX), FT_INVALID_HANDLE);
    EXPECT_EQ(c.setLatencyTimer(bogus, 2), FT_INVALID_HANDLE);
    EXPECT_EQ(c.openEx(nullptr, FT_OPEN_BY_DESCRIPTION, &bogus), FT_INVALID_PARAMETER);
    EXPECT_EQ(c.openEx("Logger", 7, &bogus), FT_INVALID_PARAMETER);
    EXPECT_EQ(c.open(0, nullptr), FT_INVALID_PARAMETER);
    // Rewriting the EEPROM is never offered.
    EXPECT_EQ(c.eeProgram(bogus, nullptr), FT_CALL_NOT_OFFERED);
}

} // namespace
} // namespace zarn::test
