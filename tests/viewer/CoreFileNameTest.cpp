// Core image file names: the export's own names read back to the depths they were made from,
// whatever the borehole's name holds; the other two forms; names refused or kept empty.
#include "viewer/CoreFileName.h"
#include "viewer/DepthCount.h"

#include "platform/imaging/PictureFileName.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lvviewer::test {
namespace {

TEST(CoreFileName, TheExportsNamesGiveBackTheirBoreholeAndDepths) {
    struct Case {
        const char* dataFile; // the log's first data file, as the export names from it
        double start, end;
        int decimals;
        const char* borehole;
        int from, to;
    };
    const Case cases[] = {
        {"WELL1.lox", 12.5, 25, 2, "WELL1 X", 12500, 25000},
        {"WELL1.lox", 12.345, 25.5, 3, "WELL1 X", 12345, 25500},
        {"WELL1.lox", 0.1234, 1.5, 4, "WELL1 X", 123, 1500},            // a tenth of a count lost
        {"WELL1.lox", 3280.83, 3290.0, 2, "WELL1 X", 3280830, 3290000}, // feet: the same counts
        {"WELL1.lox", -1.5, 0.25, 2, "WELL1 X", -1500, 250},            // "m" is the minus
        {"WELL1.lox", -3.25, -1.5, 3, "WELL1 X", -3250, -1500},
        {"WELL1.lox", 30, 12.5, 2, "WELL1 X", 12500, 30000}, // logged upward
        {"BH-3.lox", 1, 2, 2, "BH-3 X", 1000, 2000},
        {"BH+12.lox", 1, 2, 2, "BH+12 X", 1000, 2000},         // '_', '+' and '-' all in
        {"BH 1    2.lox", 1, 2, 2, "BH 1    2 X", 1000, 2000}, // more than three spaces
        {"BH+1-2 x_y.lox", 5, 7.5, 4, "BH+1-2 x y X", 5000, 7500},
        {"my.well.lox", 10, 11, 2, "my well X", 10000, 11000},
    };
    for (const Case& c : cases) {
        const std::string name = zarn::pictureFileName(zarn::pictureNameBase(c.dataFile), 0,
                                                       c.start, c.end, c.decimals, ".jpg");
        const std::optional<CoreFileName> parsed = parseCoreFileName("/data/" + name);
        ASSERT_TRUE(parsed) << name;
        EXPECT_EQ(parsed->boreholeName, c.borehole) << name;
        EXPECT_EQ(parsed->depthFrom, c.from) << name;
        EXPECT_EQ(parsed->depthTo, c.to) << name;
        EXPECT_EQ(parsed->latitude, "") << name;
    }
}

TEST(CoreFileName, OtherFormsAndRefusals) {
    struct Case {
        const char* name;
        bool accepted;
        const char* borehole;
        int from, to;
        const char* latitude = "";
        const char* inclination = "";
    };
    const Case cases[] = {
        {"Hole1_N_0012.34-0015.67.jpg", true, "Hole1 N", 12340, 15670},
        // The third form: separators "," and "M", at most three decimals, "m" a minus.
        {"Hole1_12,5-14M25.jpg", true, "Hole1", 12500, 14250},
        {"Hole1_12.34567-13.jpg", true, "Hole1", 12345, 13000},
        {"Hole1_m2.5-1.5.bmp", true, "Hole1", -2500, 1500},
        {"Hole1_20.0-10.0m.jpg", true, "Hole1", 10000, 20000}, // reversed: ordered
        {"Hole1_12-14Mx.jpg", true, "Hole1", 12000, 14000},    // the depth stops at a letter
        // The field form: borehole, latitude, longitude, azimuth, inclination, from, to.
        {"BH7_45N+12E-270_4-1000_2000.jpg", true, "BH7", 1000, 2000, "45N", "4"},
        {"_1.0-2.0.jpg", false, "", 0, 0},   // no borehole before the last '_'
        {"Hole1_-2.0.jpg", false, "", 0, 0}, // empty depth from
        {"Hole1_2.0-.jpg", false, "", 0, 0}, // empty depth to
        {"Ho-le_12.jpg", false, "", 0, 0},   // no '-' after the last '_'
        // Neither form: kept, with nothing that any borehole search accepts.
        {"DSC01234.jpg", true, "", 0, 0},
        {"holiday-photo.jpg", true, "", 0, 0},
    };
    for (const Case& c : cases) {
        const std::optional<CoreFileName> parsed = parseCoreFileName(c.name);
        ASSERT_EQ(parsed.has_value(), c.accepted) << c.name;
        if (!parsed)
            continue;
        EXPECT_EQ(parsed->boreholeName, c.borehole) << c.name;
        EXPECT_EQ(parsed->depthFrom, c.from) << c.name;
        EXPECT_EQ(parsed->depthTo, c.to) << c.name;
        EXPECT_EQ(parsed->latitude, c.latitude) << c.name;
        EXPECT_EQ(parsed->inclination, c.inclination) << c.name;
    }
}

TEST(DepthCount, TextsCarryTheSignOnceAndRoundingGoesHalfTowardZero) {
    struct Case {
        std::int64_t count;
        const char* text;
    };
    for (const Case c :
         {Case{12345, "12.34"}, Case{-1500, "-1.50"}, Case{-1, "0.00"}, Case{-10, "-0.01"},
          Case{0, "0.00"}, Case{1000000, "1000.00"}, Case{INT64_MIN, "-9223372036854775.80"}})
        EXPECT_EQ(depthText(c.count), c.text) << c.count;
    EXPECT_EQ(roundCount(2.5), 2);
    EXPECT_EQ(roundCount(2.51), 3);
    EXPECT_EQ(roundCount(-2.5), -2);
    EXPECT_EQ(roundCount(-2.51), -3);
    EXPECT_EQ(roundCount32(1e300), INT32_MAX);
    EXPECT_EQ(roundCount32(std::nan("")), 0);
}

} // namespace
} // namespace lvviewer::test
