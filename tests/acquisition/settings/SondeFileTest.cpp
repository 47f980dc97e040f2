#include "acquisition/app/SondeFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace zarn {
namespace {

SondeSlot makeSonde(int serial, int length, double image, double camera, double deviation,
                    double gamma, double coef, bool onBoard) {
    SondeSlot s;
    s.serialNumber = serial;
    s.sondeLength = length;
    s.imageOffset = image;
    s.cameraOffset = camera;
    s.deviationOffset = deviation;
    s.gammaOffset = gamma;
    s.gammaCoefficient = coef;
    s.gammaOnBoard = onBoard ? 1 : 0;
    return s;
}

// What a section without any key reads as.
SondeSlot missingSlot() {
    return makeSonde(-999, 163, 0.0, 8, 107, 145, 1.0, false);
}

TEST(SondeFile, DefaultPathIsInTheProgramFolder) {
    test::TempHome home;
    EXPECT_EQ(SondeFile::DefaultPath(), home.file("LvZARN.tol"));
}

TEST(SondeFile, WritesOneSlotWithTheKeyFormsOfEachWriter) {
    const SondeSlot sonde = makeSonde(42, 170, 12.34, 9, 110, 150, 1.257, true);
    struct Case {
        SondeFile::CoefForm form;
        const char* coefText;
    };
    for (const Case& c : {Case{SondeFile::CoefForm::TwoDecimals, "1.26"},
                          Case{SondeFile::CoefForm::Float, " 1.257"}}) {
        test::TempHome home;
        ASSERT_TRUE(SondeFile::WriteSlot(home.file("LvZARN.tol"), 3, sonde, c.form));
        EXPECT_EQ(home.read("LvZARN.tol"),
                  std::string("[Sonde3]\r\nSerialNumber=0042\r\nSondeLenght=170\r\n"
                              "ImageOffset=12.3\r\nCameraOffset=9\r\nDeviationOffset=110\r\n"
                              "GammaOnBoard=yes\r\nGammaCoef=") +
                      c.coefText + "\r\nGammaOffset=150\r\n")
            << c.coefText;
    }
}

TEST(SondeFile, EmptyAndRemovedSlotsAreWrittenWithADash) {
    test::TempHome home;
    const auto file = home.file("LvZARN.tol");
    ASSERT_TRUE(SondeFile::WriteRemovedSlot(file, 2));
    SondeSlot empty = makeSonde(-999, 163, 5.0, 8, 107, 145, 0.5, false);
    ASSERT_TRUE(SondeFile::WriteSlot(file, 7, empty, SondeFile::CoefForm::TwoDecimals));
    EXPECT_EQ(home.read("LvZARN.tol"),
              "[Sonde2]\r\nSerialNumber=-\r\nSondeLenght=162\r\nImageOffset=0\r\n"
              "CameraOffset=8\r\nDeviationOffset=107\r\nGammaOnBoard=no\r\nGammaCoef=     1\r\n"
              "GammaOffset=145\r\n"
              "[Sonde7]\r\nSerialNumber=-\r\nSondeLenght=163\r\nImageOffset=5.0\r\n"
              "CameraOffset=8\r\nDeviationOffset=107\r\nGammaOnBoard=no\r\nGammaCoef=0.50\r\n"
              "GammaOffset=145\r\n");
    SondeTable table;
    SondeFile::Load(file, table);
    EXPECT_EQ(table.slots[2], SondeFile::RemovedSlot());
    EXPECT_EQ(table.slots[2], makeSonde(0, 162, 0.0, 8, 107, 145, 1.0, false));
    EXPECT_FALSE(table.slots[7].occupied());
}

TEST(SondeFile, TenSlotsRoundTripInBothForms) {
    test::TempHome home;
    const auto file = home.file("LvZARN.tol");
    SondeTable written;
    for (int n = 0; n < SondeTable::SlotCount; ++n) {
        // Values the file keeps exactly: one decimal for the image offset, two for the coef.
        written.slots[size_t(n)] = makeSonde(n * 1111 + 1, 150 + n, n * 35.5, n, 100 + n, 140 + n,
                                             0.25 * (n + 1), n % 2 == 0);
        ASSERT_TRUE(SondeFile::WriteSlot(file, n, written.slots[size_t(n)],
                                         n % 2 ? SondeFile::CoefForm::Float
                                               : SondeFile::CoefForm::TwoDecimals));
    }
    SondeTable loaded;
    loaded.selected = 6;
    SondeFile::Load(file, loaded);
    EXPECT_EQ(loaded.slots, written.slots);
    EXPECT_EQ(loaded.selected, 6);
    EXPECT_EQ(loaded.working, (SelectedSonde{156, 213.0, 6, 106, 146, 1, 1.75}));

    // Rewriting a slot changes its values in place, not the other slots.
    written.slots[4] = makeSonde(9999, 200, 359.9, -5, 0, 300, 10.0, false);
    ASSERT_TRUE(SondeFile::WriteSlot(file, 4, written.slots[4], SondeFile::CoefForm::Float));
    SondeFile::Load(file, loaded);
    EXPECT_EQ(loaded.slots, written.slots);
}

TEST(SondeFile, MissingKeysAndOddValuesReadAsTheFileDefaults) {
    test::TempHome home;
    home.write("LvZARN.tol", "[Sonde0]\nSerialNumber=-\n"
                             "[Sonde2]\nserialnumber=0012x\nGammaOnBoard=YES\nImageOffset=12,5\n"
                             "GammaCoef=nan\nCameraOffset=abc\nDeviationOffset=-4\n"
                             "[Sonde3]\nGammaOnBoard=1\nGammaCoef=1e999\nImageOffset=-inf\n"
                             "SondeLenght=99999999999\n"
                             "[Sonde4]\nSerialNumber=0007\nSondeLen");
    SondeTable table;
    SondeFile::Load(home.file("LvZARN.tol"), table);
    SondeSlot dash = missingSlot();
    dash.serialNumber = 0;
    EXPECT_EQ(table.slots[0], dash);
    EXPECT_EQ(table.slots[1], missingSlot());
    EXPECT_EQ(table.slots[2], makeSonde(12, 163, 12.5, 0, -4, 145, 1.0, true));
    EXPECT_EQ(table.slots[3], makeSonde(-999, 2147483647, 0.0, 8, 107, 145, 1.0, true));
    SondeSlot truncated = missingSlot();
    truncated.serialNumber = 7;
    EXPECT_EQ(table.slots[4], truncated);
    for (int n = 5; n < SondeTable::SlotCount; ++n)
        EXPECT_EQ(table.slots[size_t(n)], missingSlot()) << n;
}

TEST(SondeFile, MissingOrGarbageFileGivesTenEmptySlots) {
    test::TempHome home;
    std::mt19937 random(7);
    std::string garbage;
    for (int i = 0; i < 20000; ++i) {
        const char c = static_cast<char>(random() % 256);
        garbage += c == '[' ? '\0' : c; // no section header can appear
    }
    home.write("garbage.tol", garbage);
    for (const char* name : {"LvZARN.tol" /* never written */, "garbage.tol"}) {
        SondeTable table;
        table.selected = 3;
        table.slots[3].serialNumber = 55;
        SondeFile::Load(home.file(name), table);
        for (const SondeSlot& slot : table.slots)
            EXPECT_EQ(slot, missingSlot()) << name;
        EXPECT_EQ(table.selected, 3);
        EXPECT_EQ(table.working, (SelectedSonde{163, 0.0, 8, 107, 145, 0, 1.0})) << name;
    }
}

TEST(SondeFile, LoadClampsTheSelectedIndexAndCopiesTheSelectedSlot) {
    test::TempHome home;
    const auto file = home.file("LvZARN.tol");
    ASSERT_TRUE(SondeFile::WriteSlot(file, 0, makeSonde(100, 160, 1.5, 1, 101, 141, 0.5, true),
                                     SondeFile::CoefForm::TwoDecimals));
    ASSERT_TRUE(SondeFile::WriteSlot(file, 9, makeSonde(109, 169, 9.5, 9, 109, 149, 2.5, false),
                                     SondeFile::CoefForm::TwoDecimals));
    const SelectedSonde first{160, 1.5, 1, 101, 141, 1, 0.5};
    const SelectedSonde last{169, 9.5, 9, 109, 149, 0, 2.5};
    struct Case {
        int sondeUsed;
        int selected;
        SelectedSonde working;
    };
    for (const Case& c : {Case{-1, 0, first}, Case{0, 0, first}, Case{9, 9, last},
                          Case{10, 0, first}, Case{12, 0, first}}) {
        SondeTable table;
        table.selected = c.sondeUsed;
        SondeFile::Load(file, table);
        EXPECT_EQ(table.selected, c.selected) << c.sondeUsed;
        EXPECT_EQ(table.working, c.working) << c.sondeUsed;
    }
}

TEST(SondeFile, WritingASlotKeepsEverythingElseInTheFile) {
    test::TempHome home;
    home.write("LvZARN.tol", "; sondes of the field crew\n[Sonde1]\nSerialNumber=0011\n"
                             "[SONDE3]\nGammaCoef=2\nOperator=me\nserialnumber=0003\n\n"
                             "[Sonde4]\nSerialNumber=0004\n");
    ASSERT_TRUE(SondeFile::WriteSlot(home.file("LvZARN.tol"), 3,
                                     makeSonde(33, 160, 0.5, 1, 2, 3, 0.75, false),
                                     SondeFile::CoefForm::TwoDecimals));
    EXPECT_EQ(home.read("LvZARN.tol"),
              "; sondes of the field crew\n[Sonde1]\nSerialNumber=0011\n"
              "[SONDE3]\nGammaCoef=0.75\nOperator=me\nserialnumber=0033\nSondeLenght=160\n"
              "ImageOffset=0.5\nCameraOffset=1\nDeviationOffset=2\nGammaOnBoard=no\n"
              "GammaOffset=3\n\n[Sonde4]\nSerialNumber=0004\n");
}

TEST(SondeFile, WriteFailuresAreReportedAndChangeNothing) {
    test::TempHome home;
    home.write("blocker", "a file where a folder would be");
    const SondeSlot sonde = makeSonde(1, 160, 0, 0, 0, 0, 1, false);
    EXPECT_FALSE(SondeFile::WriteSlot(home.file("blocker") / "LvZARN.tol", 0, sonde,
                                      SondeFile::CoefForm::Float));
    EXPECT_FALSE(SondeFile::WriteRemovedSlot(home.file("blocker") / "LvZARN.tol", 0));
    for (int slot : {-1, 10}) {
        EXPECT_FALSE(
            SondeFile::WriteSlot(home.file("LvZARN.tol"), slot, sonde, SondeFile::CoefForm::Float));
        EXPECT_FALSE(SondeFile::WriteRemovedSlot(home.file("LvZARN.tol"), slot));
    }
    EXPECT_FALSE(std::filesystem::exists(home.file("LvZARN.tol")));
}

TEST(SondeFile, ImportFilesNeedASondeSection) {
    test::TempHome home;
    home.write("full.znv", "[Sonde]\nSerialNumber=0321\nSondeLenght=171\nImageOffset=-3\n"
                           "CameraOffset=7\nDeviationOffset=106\nGammaOnBoard=yes\n"
                           "GammaCoef=0.005\nGammaOffset=144\n");
    home.write("lower.txt", "[sonde]\nSerialNumber=0005\n");
    home.write("other.znv", "[Sonde0]\nSerialNumber=0005\n");
    home.write("binary.znv", std::string("\0\x01\xff=[\n\r", 8));
    struct Case {
        const char* name;
        bool accepted;
        SondeSlot expected;
    };
    SondeSlot lower = missingSlot();
    lower.serialNumber = 5;
    for (const Case& c :
         {Case{"full.znv", true, makeSonde(321, 171, -3, 7, 106, 144, 0.005, true)},
          Case{"lower.txt", true, lower}, Case{"other.znv", false, SondeSlot{}},
          Case{"binary.znv", false, SondeSlot{}}, Case{"absent.znv", false, SondeSlot{}}}) {
        SondeSlot read;
        EXPECT_EQ(SondeFile::ReadImport(home.file(c.name), read), c.accepted) << c.name;
        EXPECT_EQ(read, c.expected) << c.name; // read without clamps; untouched when refused
    }
}

} // namespace
} // namespace zarn
