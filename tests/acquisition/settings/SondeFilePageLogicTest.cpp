// The sonde file page's logic: a slot shown, a Write with every field read first (one bad
// field writes nothing), the clamps, and the table read again from the file.
#include "acquisition/settings/SondeFilePageLogic.h"
#include "platform/FileIo.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

namespace zarn::test {
namespace {

struct SondeFileFixture : ::testing::Test {
    TempHome home;
    RecordingUserMessages messages;
    MessageBus bus;
    MessageRecorder recorder{bus, {Role::ProbePage, Role::DepthDisplay}};
    SondeTable table;
    SondeDatabase db{table, [] { return true; }, bus, home.file("LvZARN.tol")};
    SondeFilePageLogic page{db, bus};

    SondeFileFixture() {
        table.slots[2].serialNumber = 417;
        table.slots[2].imageOffset = 12.5;
        table.slots[2].gammaCoefficient = 0.8;
        EXPECT_TRUE(db.WriteSlot(2, SondeFile::CoefForm::Float));
    }
};

TEST_F(SondeFileFixture, AWriteWithABadFieldWritesNothing) {
    const std::string before = readWholeFile(db.file()).value_or("");
    SondeFilePageLogic::Fields good = page.shown(2);
    EXPECT_EQ(good.serialNumber, "0417");
    EXPECT_EQ(good.imageOffset, "12.5");
    EXPECT_EQ(good.gammaCoefficient, "0.80");
    EXPECT_EQ(page.list()[2], "0417");
    EXPECT_EQ(page.list()[3], "-");

    const std::vector<std::pair<std::string SondeFilePageLogic::Fields::*, const char*>> bad = {
        {&SondeFilePageLogic::Fields::sondeLength, "16x"},
        {&SondeFilePageLogic::Fields::cameraOffset, "1-2"},
        {&SondeFilePageLogic::Fields::serialNumber, "99999999999999999999"},
        {&SondeFilePageLogic::Fields::imageOffset, "1.2.3"},
        {&SondeFilePageLogic::Fields::gammaCoefficient, ""},
        {&SondeFilePageLogic::Fields::gammaOffset, "145.5"},
    };
    for (const auto& [field, text] : bad) {
        SondeFilePageLogic::Fields f = good;
        f.*field = text;
        EXPECT_FALSE(page.write(2, f)) << text;
        EXPECT_EQ(readWholeFile(db.file()).value_or(""), before) << text;
    }
    EXPECT_EQ(messages.texts().size(), bad.size());
    EXPECT_TRUE(recorder.received().empty());
}

TEST_F(SondeFileFixture, AWriteClampsStoresAndReloads) {
    SondeFilePageLogic::Fields f = page.shown(2);
    f.imageOffset = "400";
    f.gammaCoefficient = "1,5";
    f.sondeLength = "170";
    f.gammaOnBoard = true;
    ASSERT_TRUE(page.write(5, f));
    EXPECT_EQ(table.slots[5].serialNumber, 417);
    EXPECT_DOUBLE_EQ(table.slots[5].imageOffset, 359.9);
    EXPECT_DOUBLE_EQ(table.slots[5].gammaCoefficient, 1.0);
    EXPECT_EQ(table.slots[5].sondeLength, 170);
    EXPECT_EQ(table.slots[5].gammaOnBoard, 1);
    EXPECT_TRUE(messages.texts().empty()) << "the clamps say nothing";
    EXPECT_EQ(recorder.received(), (std::vector<MessageRecorder::Received>{
                                       {Role::ProbePage, command(Cmd::SondeChanged), false}}));
    recorder.clear();
    page.choose(5);
    EXPECT_EQ(table.selected, 5);
    EXPECT_EQ(table.working.sondeLength, 170);
    EXPECT_EQ(recorder.received().size(), 2u);
}

} // namespace
} // namespace zarn::test
