// Picture names: the depths as the decimals setting writes them, negative depths with "m", and
// the viewer's parse giving back the group and both depths.
#include "platform/imaging/PictureFileName.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

TEST(PictureFileName, DepthsByDecimalsAndSignAndTheViewersParseGivesThemBack) {
    struct Case {
        double start, end;
        int decimals;
        const char* name;
    };
    for (const Case c : {
             Case{12.5, 25, 2, "WELL1_X_0012.50-0025.00.jpg"},
             Case{12.5, 25, 3, "WELL1_X_0012.500-0025.000.jpg"},
             Case{12.5, 25, 7, "WELL1_X_0012.5000-0025.0000.jpg"},
             Case{-1.5, 0.25, 2, "WELL1_X_m001.50-0000.25.jpg"},
             Case{-0.0001, 2, 4, "WELL1_X_m000.0001-0002.0000.jpg"},
             Case{-0.001, 2, 2, "WELL1_X_0000.00-0002.00.jpg"}, // rounds to 0, no sign
             Case{30, 12.5, 2, "WELL1_X_0030.00-0012.50.jpg"},  // upward: deeper first
         }) {
        EXPECT_EQ(pictureFileName("WELL1_", 0, c.start, c.end, c.decimals, ".jpg"), c.name);
        const std::optional<PictureNameParts> parts = parsePictureFileName(c.name);
        ASSERT_TRUE(parts) << c.name;
        EXPECT_EQ(parts->group, "WELL1_X");
        const double unit = c.decimals == 2 ? 0.01 : c.decimals == 3 ? 0.001 : 0.0001;
        EXPECT_NEAR(parts->start, c.start, unit / 2 + 1e-12) << c.name;
        EXPECT_NEAR(parts->end, c.end, unit / 2 + 1e-12) << c.name;
        EXPECT_EQ(parts->extension, ".jpg");
    }
    EXPECT_EQ(pictureNameBase("WELL1.lox"), "WELL1_");
    EXPECT_EQ(pictureNameBase("my.well.lox"), "my_well_");
    EXPECT_EQ(pictureFileName("B_", 1, 1, 2, 2, ".tif"), "B_N_0001.00-0002.00.tif");
    EXPECT_EQ(pictureFileName("B_", 2, 1, 2, 2, ".bmp"), "B_H_0001.00-0002.00.bmp");
    for (const char* notOne : {"WELL1.jpg", "WELL1_X_12.5.jpg", "WELL1_X_a.00-1.00.jpg",
                               "WELL1_X_-1.50-2.00.jpg", "WELL1_X_1.00-2.00"})
        EXPECT_FALSE(parsePictureFileName(notOne)) << notOne;
}

} // namespace
} // namespace zarn::test
