// Preferences in the settings store: held to their ranges on reading, missing ones written with
// their defaults, everything written back.
#include "viewer/ViewerPreferences.h"

#include "platform/PixelImage.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace lvviewer::test {
namespace {

TEST(ViewerPreferences, ReadHeldToRangesAndMissingOnesWrittenWithDefaults) {
    zarn::test::TempHome home;
    zarn::SettingsStore store(home.file("settings.ini"));
    ViewerPreferences p = readPreferences(store);
    EXPECT_EQ(p.fontSize, 1);
    EXPECT_EQ(p.depthScale, 10);
    EXPECT_EQ(pixelOfColorRef(p.fillingColor), zarn::pixelOf(254, 0, 64));
    EXPECT_TRUE(p.useBkgLoader);
    EXPECT_EQ(p.cacheBytes(), std::size_t{512} << 20);
    EXPECT_EQ(store.readString(PreferencesKey, "LineScrollInc"), "4");
    EXPECT_EQ(store.readString(PreferencesKey, "FillingColor"), "4194558");

    struct Case {
        const char* name;
        const char* value;
        int ViewerPreferences::*field;
        int expected;
    };
    for (const Case c : {Case{"FontSize", "0", &ViewerPreferences::fontSize, 1},
                         Case{"FontSize", "9", &ViewerPreferences::fontSize, 3},
                         Case{"DepthScale", "7", &ViewerPreferences::depthScale, 7},
                         Case{"DepthScale", "1000", &ViewerPreferences::depthScale, 100},
                         Case{"LineScrollInc", "-3", &ViewerPreferences::lineScrollInc, 1},
                         Case{"SetDepthUnit", "3", &ViewerPreferences::setDepthUnit, 0},
                         Case{"SetDepthUnit", "2", &ViewerPreferences::setDepthUnit, 2},
                         Case{"CacheMegabytes", "1", &ViewerPreferences::cacheMegabytes, 64}}) {
        ASSERT_TRUE(store.writeString(PreferencesKey, c.name, c.value));
        EXPECT_EQ(readPreferences(store).*c.field, c.expected) << c.name << "=" << c.value;
    }
    EXPECT_TRUE(readPreferences(store).imperial());

    p.fillingColor = 0x00123456;
    p.useBkgLoader = false;
    p.depthScale = 50;
    ASSERT_TRUE(writePreferences(store, p));
    const ViewerPreferences back = readPreferences(store);
    EXPECT_EQ(back.fillingColor, 0x00123456u);
    EXPECT_EQ(pixelOfColorRef(back.fillingColor), zarn::pixelOf(0x56, 0x34, 0x12));
    EXPECT_EQ(colorRefOfPixel(pixelOfColorRef(0x00123456)), 0x00123456u);
    EXPECT_FALSE(back.useBkgLoader);
    EXPECT_EQ(back.depthScale, 50);
}

} // namespace
} // namespace lvviewer::test
