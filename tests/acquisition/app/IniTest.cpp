#include "acquisition/app/Ini.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace zarn {
namespace {

TEST(CIni, TypedReadsGiveDefaultsForMissingKeysAndParseLikeTheCRuntime) {
    test::TempHome home;
    home.write("a.ini", "[S]\nInt=12abc\nEmpty=\nYes1=YES\nYes2=1\nYes3=2\nNo=no\n"
                        "Comma=1,5\nPoint=1.5\nNeg=-2,25\nFloat=0.15\n");
    CIni ini("a.ini", "S");
    EXPECT_EQ(ini.File(), home.file("a.ini"));
    EXPECT_EQ(ini.GetInt("Int", 7), 12);
    EXPECT_EQ(ini.GetInt("Missing", 7), 7);
    EXPECT_EQ(ini.GetInt("Empty", 7), 0);
    EXPECT_TRUE(ini.GetYesNo("Yes1", false));
    EXPECT_TRUE(ini.GetYesNo("Yes2", false));
    EXPECT_FALSE(ini.GetYesNo("Yes3", true));
    EXPECT_FALSE(ini.GetYesNo("No", true));
    EXPECT_TRUE(ini.GetYesNo("Missing", true));
    EXPECT_DOUBLE_EQ(ini.GetDouble("Comma", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.GetDouble("Point", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.GetDouble("Neg", 0), -2.25);
    EXPECT_DOUBLE_EQ(ini.GetDouble("Missing", 19.685), 19.685);
    EXPECT_FLOAT_EQ(ini.GetFloat("Float", 0), 0.15f);
    EXPECT_TRUE(ini.GetBool("Int", 0));
}

TEST(CIni, WritesUseTheFileFormatsAndOneKeyWhateverItsCase) {
    test::TempHome home;
    CIni ini("b.ini", "LumiLogger");
    EXPECT_TRUE(ini.WriteDouble("StartDepth", 1.5));
    EXPECT_TRUE(ini.WriteDouble("Startdepth", 2.25));
    EXPECT_TRUE(ini.WriteFloat("Coef", 0.15f));
    EXPECT_TRUE(ini.WriteInt("Count", -3));
    EXPECT_TRUE(ini.WriteYesNo("Flag", true));
    EXPECT_TRUE(ini.WriteString("Other", "x", "Second"));
    EXPECT_TRUE(ini.WriteInt("Stays", 1)); // the section given last stays current
    EXPECT_EQ(home.read("b.ini"), "[LumiLogger]\r\nStartDepth=2.250000\r\nCoef=  0.15\r\n"
                                  "Count=-3\r\nFlag=yes\r\n[Second]\r\nOther=x\r\nStays=1\r\n");
}

TEST(CIni, LongValuesAreNotCut) {
    test::TempHome home;
    CIni ini("c.ini", "S");
    const std::string path(700, 'p');
    EXPECT_TRUE(ini.WriteString("Path", path));
    EXPECT_EQ(ini.GetString("Path", ""), path);
}

TEST(CIni, ABatchWritesTheFileOnceWithTheSameResultAsSingleWrites) {
    test::TempHome home;
    const std::string start = "; notes\r\n[S]\r\nb=old\r\nOther=kept\r\n";
    home.write("single.ini", start);
    home.write("batch.ini", start);
    const auto writeAll = [](CIni& ini) {
        EXPECT_TRUE(ini.WriteInt("A", 1));
        EXPECT_TRUE(ini.WriteString("B", "new"));
        EXPECT_TRUE(ini.WriteYesNo("Flag", false, "T"));
        EXPECT_TRUE(ini.WriteDouble("D", 2.5)); // section T stays current
    };
    CIni single("single.ini", "S");
    writeAll(single);
    CIni batched("batch.ini", "S");
    ASSERT_TRUE(batched.Batch([&] {
        writeAll(batched);
        // Reads inside see the pending writes; the file is untouched until the end.
        EXPECT_EQ(batched.GetInt("A", 0, "S"), 1);
        EXPECT_EQ(home.read("batch.ini"), start);
    }));
    EXPECT_EQ(home.read("batch.ini"), home.read("single.ini"));
}

TEST(CIni, AFailedBatchLeavesTheFileAsItWas) {
    test::TempHome home;
    home.write("a.ini", "[S]\r\nA=1\r\n");
    CIni ini("a.ini", "S");
    EXPECT_THROW(static_cast<void>(ini.Batch([&] {
                     EXPECT_TRUE(ini.WriteInt("A", 2));
                     throw std::runtime_error("stop");
                 })),
                 std::runtime_error);
    EXPECT_EQ(home.read("a.ini"), "[S]\r\nA=1\r\n");
    EXPECT_TRUE(ini.WriteInt("A", 3)); // single writes work again
    EXPECT_EQ(ini.GetInt("A", 0), 3);

    home.write("blocker", "a file, not a folder");
    CIni blocked((home.path() / "blocker" / "b.ini").string(), "S");
    EXPECT_FALSE(blocked.Batch([&] { EXPECT_TRUE(blocked.WriteInt("A", 1)); }));
}

} // namespace
} // namespace zarn

namespace zarn {
namespace {

TEST(CIni, ReadAllServesEveryReadFromOneStateOfTheFile) {
    test::TempHome home;
    home.write("d.ini", "[S]\nA=1\nB=2\n");
    CIni ini("d.ini", "S");
    int a = 0;
    int b = 0;
    ini.ReadAll([&] {
        a = ini.GetInt("A", 0);
        home.write("d.ini", "[S]\nA=10\nB=20\n"); // changed behind the reader's back
        b = ini.GetInt("B", 0);
    });
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(ini.GetInt("B", 0), 20); // outside, each read sees the file again
}

} // namespace
} // namespace zarn
