#include "acquisition/settings/SondeDatabase.h"
#include "platform/ProfileFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zarn {
namespace {

using Result = SondeDatabase::ImportResult;
using Received = test::MessageRecorder::Received;

SondeSlot sondeWithSerial(int serial) {
    SondeSlot s;
    s.serialNumber = serial;
    s.sondeLength = 150 + serial % 50;
    s.imageOffset = 10.5;
    s.cameraOffset = 6;
    s.deviationOffset = 100;
    s.gammaOffset = 140;
    s.gammaCoefficient = 1.25;
    s.gammaOnBoard = 1;
    return s;
}

SelectedSonde workingOf(const SondeSlot& s) {
    return SelectedSonde{s.sondeLength, s.imageOffset,  s.cameraOffset,    s.deviationOffset,
                         s.gammaOffset, s.gammaOnBoard, s.gammaCoefficient};
}

Received changed(Role role) {
    return Received{role, command(Cmd::SondeChanged), true};
}

// A program home with a sonde file, the table loaded from it, and recorders for message boxes,
// bus commands and configuration saves.
struct Env {
    test::TempHome home;
    test::RecordingUserMessages messages;
    MessageBus bus;
    test::MessageRecorder recorder{bus,
                                   {Role::SondeFilePage, Role::DepthDisplay,
                                    Role::CommunicationPage, Role::ProbePage, Role::MainWindow}};
    SondeTable table;
    std::vector<int> savedIndexes; // the selected index at each configuration save
    bool saveWorks = true;         // what the configuration save answers
    SondeDatabase db{table,
                     [this] {
                         savedIndexes.push_back(table.selected);
                         return saveWorks;
                     },
                     bus, home.file("LvZARN.tol")};

    // Stores sondes with the given serials in the given slots, in the file and in the table.
    void store(std::initializer_list<std::pair<int, int>> slotSerials) {
        for (auto [slot, serial] : slotSerials)
            EXPECT_TRUE(SondeFile::WriteSlot(db.file(), slot, sondeWithSerial(serial),
                                             SondeFile::CoefForm::Float));
        SondeFile::Load(db.file(), table);
    }
    std::string file() const { return home.read("LvZARN.tol"); }
    std::string key(int slot, const char* name) const {
        return ProfileFile::read(db.file(), "Sonde" + std::to_string(slot), name).value_or("?");
    }
    std::filesystem::path importFile(const std::string& name, const std::string& body) const {
        home.write(name, body);
        return home.file(name);
    }
    SondeDatabase::ChooseImportFile choose(const std::filesystem::path& path) {
        return [path] { return std::optional<std::filesystem::path>(path); };
    }
};

std::string sonde(int serial, const std::string& more = "") {
    return "[Sonde]\r\nSerialNumber=" + std::to_string(serial) + "\r\n" + more;
}

TEST(SondeDatabase, ImportFillsTheFirstFreeSlotSelectsItAndTellsTheWindows) {
    Env env;
    env.store({{0, 11}, {1, 12}, {3, 13}});
    const std::string before = env.file();
    const auto path = env.importFile(
        "new.znv", sonde(77, "SondeLenght=171\r\nImageOffset=45.25\r\nCameraOffset=7\r\n"
                             "DeviationOffset=105\r\nGammaOnBoard=yes\r\nGammaCoef=1.234\r\n"
                             "GammaOffset=143\r\nComment=kept out of the table\r\n"));

    EXPECT_EQ(env.db.Import(env.choose(path)), Result::Imported);

    SondeSlot expected;
    expected = SondeSlot{77, 171, 45.25, 7, 105, 143, 1.234, 1};
    EXPECT_EQ(env.table.slots[2], expected);
    EXPECT_EQ(env.table.selected, 2);
    EXPECT_EQ(env.table.working, workingOf(expected));
    EXPECT_EQ(env.savedIndexes, std::vector<int>{2});
    EXPECT_EQ(env.file(), before + "[Sonde2]\r\nSerialNumber=0077\r\nSondeLenght=171\r\n"
                                   "ImageOffset=45.2\r\nCameraOffset=7\r\nDeviationOffset=105\r\n"
                                   "GammaOnBoard=yes\r\nGammaCoef=1.23\r\nGammaOffset=143\r\n");
    EXPECT_TRUE(env.messages.texts().empty());
    EXPECT_EQ(env.recorder.received(),
              (std::vector<Received>{changed(Role::SondeFilePage), changed(Role::DepthDisplay),
                                     changed(Role::CommunicationPage)}));
}

TEST(SondeDatabase, ImportClampsTheImageOffsetAndGammaCoefficient) {
    struct Case {
        const char* image;
        const char* coef;
        double storedImage;
        double storedCoef;
        const char* imageText;
        const char* coefText;
    };
    const Case cases[] = {
        {"-3", "0.005", 0.0, 0.15, "0.0", "0.15"},
        {"400", "12.5", 359.9, 10.0, "359.9", "10.00"},
        {"359.9", "0.01", 359.9, 0.01, "359.9", "0.01"},
        {"0", "10", 0.0, 10.0, "0.0", "10.00"},
        {"-0.05", "0.0099", 0.0, 0.15, "0.0", "0.15"},
        {"123.4", "2,5", 123.4, 2.5, "123.4", "2.50"},
        {"nan", "1e999", 0.0, 1.0, "0.0", "1.00"}, // not numbers: the key's default
    };
    for (const Case& c : cases) {
        Env env;
        const auto path = env.importFile("c.txt", sonde(5, std::string("ImageOffset=") + c.image +
                                                               "\r\nGammaCoef=" + c.coef + "\r\n"));
        ASSERT_EQ(env.db.Import(env.choose(path)), Result::Imported) << c.image;
        EXPECT_EQ(env.table.slots[0].imageOffset, c.storedImage) << c.image;
        EXPECT_EQ(env.table.slots[0].gammaCoefficient, c.storedCoef) << c.coef;
        EXPECT_EQ(env.table.working, workingOf(env.table.slots[0])) << c.image;
        EXPECT_EQ(env.key(0, "ImageOffset"), c.imageText);
        EXPECT_EQ(env.key(0, "GammaCoef"), c.coefText);
    }
}

TEST(SondeDatabase, FullTableIsReportedBeforeAnyFileIsChosen) {
    Env env;
    env.store({{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}, {5, 6}, {6, 7}, {7, 8}, {8, 9}, {9, 10}});
    env.table.selected = 4;
    env.table.copySelectedToWorking();
    const SondeTable before = env.table;
    const std::string fileBefore = env.file();
    const auto path = env.importFile("eleven.znv", sonde(11));
    bool asked = false;

    EXPECT_EQ(env.db.Import([&] {
        asked = true;
        return std::optional<std::filesystem::path>(path);
    }),
              Result::TableFull);

    EXPECT_FALSE(asked);
    EXPECT_EQ(env.messages.texts(),
              std::vector<std::string>{"The maximum of storable sonde is reached."});
    EXPECT_EQ(env.table, before);
    EXPECT_EQ(env.file(), fileBefore);
    EXPECT_TRUE(env.recorder.received().empty());
    EXPECT_TRUE(env.savedIndexes.empty());
}

TEST(SondeDatabase, RefusedImportsChangeNothing) {
    struct Case {
        const char* name;
        const char* body; // nullptr: no such file
        Result result;
        const char* message; // nullptr: none
    };
    const char* noSection = "Bad sonde file\nThe file has no [Sonde] section.";
    const char* noSerial = "Bad sonde file\nThe sonde has no serial number above 0.";
    const Case cases[] = {
        {"cancel", nullptr, Result::Cancelled, nullptr},
        {"absent.znv", nullptr, Result::BadFile, "Bad sonde file"},
        {"other.txt", "[Sonde0]\r\nSerialNumber=0042\r\n", Result::NotASondeFile, noSection},
        {"binary.znv",
         "\x7f"
         "ELF\x01\x02\x01\xff\xfe=\r\n\0\0",
         Result::NotASondeFile, noSection},
        {"dash.znv", "[Sonde]\r\nSerialNumber=-\r\nSondeLenght=170\r\n", Result::NotASondeFile,
         noSerial},
        {"zero.znv", "[Sonde]\r\nSerialNumber=0000\r\n", Result::NotASondeFile, noSerial},
        {"negative.znv", "[Sonde]\r\nSerialNumber=-12\r\n", Result::NotASondeFile, noSerial},
        {"noserial.znv", "[Sonde]\r\nSondeLenght=170\r\n", Result::NotASondeFile, noSerial},
    };
    for (const Case& c : cases) {
        Env env;
        env.store({{0, 11}});
        const SondeTable before = env.table;
        const std::string fileBefore = env.file();
        SondeDatabase::ChooseImportFile choose = [] {
            return std::optional<std::filesystem::path>();
        };
        if (std::string(c.name) != "cancel")
            choose = env.choose(c.body ? env.importFile(c.name, c.body) : env.home.file(c.name));

        EXPECT_EQ(env.db.Import(choose), c.result) << c.name;

        EXPECT_EQ(env.messages.texts(),
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{})
            << c.name;
        EXPECT_EQ(env.table, before) << c.name;
        EXPECT_EQ(env.file(), fileBefore) << c.name;
        EXPECT_TRUE(env.recorder.received().empty()) << c.name;
        EXPECT_TRUE(env.savedIndexes.empty()) << c.name;
    }
}

TEST(SondeDatabase, ImportFileIsFoundByItsBaseNameInAnyExtensionCase) {
    Env env;
    // The file is chosen as a "*.ZNV" file; a folder named like a sonde file is no sonde file.
    const auto upper = env.importFile("UP.ZNV", sonde(31));
    EXPECT_EQ(env.db.Import(env.choose(upper)), Result::Imported);
    EXPECT_EQ(env.table.slots[0].serialNumber, 31);
    std::filesystem::create_directory(env.home.file("folder.znv"));
    EXPECT_EQ(env.db.Import(env.choose(env.home.file("folder.znv"))), Result::BadFile);
    EXPECT_EQ(env.messages.texts(), std::vector<std::string>{"Bad sonde file"});
}

TEST(SondeDatabase, SameSerialAsksBeforeOverwritingThatSlot) {
    for (MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
        Env env;
        env.store({{0, 5}, {2, 42}}); // slot 1 is free
        env.table.selected = 0;
        env.table.copySelectedToWorking();
        const SondeTable before = env.table;
        const std::string fileBefore = env.file();
        const auto path = env.importFile("again.znv", sonde(42, "SondeLenght=199\r\n"));
        env.messages.answerNext(answer);

        const Result result = env.db.Import(env.choose(path));

        const auto shown = env.messages.shown();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text,
                  "A sonde with the same serial number is already stored in dbase. Overwrite?");
        EXPECT_EQ(shown[0].icon, MessageIcon::Error);
        EXPECT_EQ(shown[0].buttons, MessageButtons::YesNo);
        if (answer == MessageAnswer::No) {
            EXPECT_EQ(result, Result::Declined);
            EXPECT_EQ(env.table, before);
            EXPECT_EQ(env.file(), fileBefore);
            EXPECT_TRUE(env.recorder.received().empty());
            EXPECT_TRUE(env.savedIndexes.empty());
        } else {
            EXPECT_EQ(result, Result::Imported);
            EXPECT_EQ(env.table.slots[2], (SondeSlot{42, 199, 0.0, 8, 107, 145, 1.0, 0}));
            EXPECT_EQ(env.table.slots[1], before.slots[1]);
            EXPECT_FALSE(env.table.slots[1].occupied());
            EXPECT_EQ(env.table.selected, 2);
            EXPECT_EQ(env.key(2, "SondeLenght"), "199");
            EXPECT_EQ(env.key(1, "SerialNumber"), "?"); // the free slot was not written
            EXPECT_EQ(env.recorder.received().size(), 3u);
        }
    }
}

TEST(SondeDatabase, RemovalBlanksTheSelectedSlotAndPoweringIsThenRefused) {
    Env env;
    env.store({{0, 5}, {3, 42}});
    EXPECT_TRUE(env.db.Select(3));
    env.savedIndexes.clear();
    EXPECT_TRUE(SondeDatabase::SondeSelected(env.table));
    EXPECT_TRUE(env.messages.texts().empty());

    env.messages.answerNext(MessageAnswer::No);
    const SondeTable before = env.table;
    EXPECT_FALSE(env.db.Remove());
    EXPECT_EQ(env.table, before);
    EXPECT_TRUE(env.recorder.received().empty());

    EXPECT_TRUE(env.db.Remove()); // answered Yes
    EXPECT_EQ(env.table.selected, 3);
    EXPECT_EQ(env.table.slots[3], (SondeSlot{0, 162, 0.0, 8, 107, 145, 1.0, 0}));
    EXPECT_EQ(env.table.working, (SelectedSonde{162, 0.0, 8, 107, 145, 0, 1.0}));
    EXPECT_EQ(env.table.slots[0], sondeWithSerial(5));
    const std::string file = env.file();
    EXPECT_NE(file.find("[Sonde3]\r\nSerialNumber=-\r\nSondeLenght=162\r\nImageOffset=0\r\n"
                        "CameraOffset=8\r\nDeviationOffset=107\r\nGammaOnBoard=no\r\n"
                        "GammaCoef=     1\r\nGammaOffset=145\r\n"),
              std::string::npos)
        << file;
    EXPECT_EQ(env.recorder.received(),
              (std::vector<Received>{changed(Role::SondeFilePage), changed(Role::DepthDisplay)}));
    EXPECT_TRUE(env.savedIndexes.empty());

    EXPECT_FALSE(SondeDatabase::SondeSelected(env.table));
    const auto shown = env.messages.shown();
    ASSERT_EQ(shown.size(), 4u);
    for (size_t i : {0u, 1u}) {
        EXPECT_EQ(shown[i].text, "Do you want remove this sonde from dbase ?");
        EXPECT_EQ(shown[i].icon, MessageIcon::Error);
        EXPECT_EQ(shown[i].buttons, MessageButtons::YesNo);
    }
    EXPECT_EQ(shown[2].text, "Sonde removed.\nDo not forget to select another sonde");
    EXPECT_EQ(shown[2].icon, MessageIcon::Information);
    EXPECT_EQ(shown[3].text, "No sondes selected ...");

    // The removed slot reads back as empty and is the first one a new import fills.
    env.db.Reload();
    EXPECT_FALSE(env.table.slots[3].occupied());
    EXPECT_EQ(env.db.Import(env.choose(env.importFile("n.znv", sonde(8)))), Result::Imported);
    EXPECT_EQ(env.table.selected, 1);
}

TEST(SondeDatabase, SelectCopiesTheSlotAndSavesTheConfiguration) {
    struct Case {
        int index;
        int selected;
    };
    Env env;
    env.store({{0, 20}, {3, 23}, {9, 29}});
    for (const Case& c : {Case{3, 3}, Case{9, 9}, Case{-1, 0}, Case{10, 0}, Case{5, 5}}) {
        env.savedIndexes.clear();
        EXPECT_TRUE(env.db.Select(c.index));
        EXPECT_EQ(env.table.selected, c.selected) << c.index;
        EXPECT_EQ(env.table.working, workingOf(env.table.slots[size_t(c.selected)])) << c.index;
        EXPECT_EQ(env.savedIndexes, std::vector<int>{c.selected}) << c.index;
    }
    EXPECT_TRUE(env.recorder.received().empty());
}

TEST(SondeDatabase, AConfigurationThatCannotBeSavedIsReported) {
    Env env;
    env.store({{0, 20}, {3, 23}});
    env.saveWorks = false;
    const std::string failure = "The configuration file could not be written: the selected sonde "
                                "is not kept for the next start.";

    // The sonde is selected for this run all the same.
    EXPECT_FALSE(env.db.Select(3));
    EXPECT_EQ(env.table.selected, 3);
    EXPECT_EQ(env.table.working, workingOf(env.table.slots[3]));
    EXPECT_EQ(env.messages.texts(), std::vector<std::string>{failure});

    // An import stores and selects the sonde, but says it was not all written.
    EXPECT_EQ(env.db.Import(env.choose(env.importFile("n.znv", sonde(8)))), Result::WriteFailed);
    EXPECT_EQ(env.table.selected, 1);
    EXPECT_EQ(env.key(1, "SerialNumber"), "0008");
    EXPECT_EQ(env.messages.texts(), (std::vector<std::string>{failure, failure}));
}

TEST(SondeDatabase, SettingAValueWritesOnlyThatKey) {
    Env env;
    env.store({{0, 20}, {1, 21}});
    EXPECT_TRUE(env.db.Select(1));
    const std::string before = env.file();

    EXPECT_TRUE(env.db.SetImageOffset(45.3));
    EXPECT_TRUE(env.db.SetGammaCoefficient(0.5));

    EXPECT_EQ(env.table.slots[1].imageOffset, 45.3);
    EXPECT_EQ(env.table.working.imageOffset, 45.3);
    EXPECT_EQ(env.table.slots[1].gammaCoefficient, 0.5);
    EXPECT_EQ(env.table.working.gammaCoefficient, 0.5);
    EXPECT_EQ(env.table.slots[0], sondeWithSerial(20));
    std::string expected = before;
    const std::string section1 = "[Sonde1]";
    const size_t at = expected.find(section1);
    ASSERT_NE(at, std::string::npos);
    expected.replace(expected.find("ImageOffset=10.5", at), 16, "ImageOffset=45.3");
    expected.replace(expected.find("GammaCoef=  1.25", at), 16, "GammaCoef=0.50");
    EXPECT_EQ(env.file(), expected);
    EXPECT_TRUE(env.recorder.received().empty());
}

TEST(SondeDatabase, ImageOffsetEditRunsAheadUntilSavedOrCancelled) {
    Env env;
    env.store({{2, 22}});
    EXPECT_TRUE(env.db.Select(2));
    Shared<SondeTable> shared;
    env.db.setSnapshot(&shared);
    const std::string before = env.file();

    env.db.EditImageOffset(90.0);
    EXPECT_TRUE(env.db.imageOffsetEditing());
    EXPECT_EQ(env.table.working.imageOffset, 90.0);
    EXPECT_EQ(env.table.slots[2].imageOffset, 10.5);
    EXPECT_EQ(shared.snapshot().working.imageOffset, 90.0);
    EXPECT_EQ(env.file(), before);

    env.db.CancelImageOffsetEdit();
    EXPECT_FALSE(env.db.imageOffsetEditing());
    EXPECT_EQ(env.table.working, workingOf(env.table.slots[2]));
    EXPECT_EQ(shared.snapshot(), env.table);
    EXPECT_EQ(env.file(), before);

    env.db.EditImageOffset(91.0);
    EXPECT_TRUE(env.db.SaveImageOffsetEdit());
    EXPECT_FALSE(env.db.imageOffsetEditing());
    EXPECT_EQ(env.table.slots[2].imageOffset, 91.0);
    EXPECT_EQ(env.table.working, workingOf(env.table.slots[2]));
    EXPECT_EQ(env.key(2, "ImageOffset"), "91.0");
    EXPECT_EQ(shared.snapshot(), env.table);

    // Selecting another sonde abandons an edit.
    env.db.EditImageOffset(5.0);
    EXPECT_TRUE(env.db.Select(2));
    EXPECT_FALSE(env.db.imageOffsetEditing());
    EXPECT_EQ(env.table.working.imageOffset, 91.0);
}

TEST(SondeDatabase, ReloadReadsTheFileAgainAndPublishesIt) {
    Env env;
    env.store({{4, 24}});
    EXPECT_TRUE(env.db.Select(4));
    Shared<SondeTable> shared;
    env.db.setSnapshot(&shared);
    EXPECT_EQ(shared.snapshot(), env.table);

    SondeSlot edited = sondeWithSerial(24);
    edited.cameraOffset = 12;
    edited.gammaCoefficient = 3.5;
    ASSERT_TRUE(SondeFile::WriteSlot(env.db.file(), 4, edited, SondeFile::CoefForm::Float));
    ASSERT_TRUE(
        SondeFile::WriteSlot(env.db.file(), 6, sondeWithSerial(26), SondeFile::CoefForm::Float));
    env.db.Reload();

    EXPECT_EQ(env.table.slots[4], edited);
    EXPECT_EQ(env.table.slots[6], sondeWithSerial(26));
    EXPECT_EQ(env.table.working, workingOf(edited));
    EXPECT_EQ(shared.snapshot(), env.table);
}

TEST(SondeDatabase, ReadersOnOtherThreadsSeeOnlyWholeChanges) {
    Env env;
    env.store({{0, 30}, {1, 31}});
    Shared<SondeTable> shared;
    env.db.setSnapshot(&shared);
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<int> seen{0};
    std::thread reader([&] {
        while (!done.load()) {
            const SondeTable t = shared.snapshot();
            if (t.working != workingOf(t.selectedSlot()))
                ++torn;
            ++seen;
        }
    });
    for (int i = 0; i < 200; ++i) {
        EXPECT_TRUE(env.db.Select(i % 2));
        EXPECT_TRUE(env.db.SetGammaCoefficient(0.5 + i % 7));
        EXPECT_TRUE(env.db.SetImageOffset(i % 360));
    }
    done = true;
    reader.join();
    EXPECT_GT(seen.load(), 0);
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(shared.snapshot(), env.table);
}

TEST(SondeDatabase, AFileThatCannotBeWrittenIsReported) {
    test::TempHome home;
    test::RecordingUserMessages messages;
    MessageBus bus;
    test::MessageRecorder recorder(
        bus, {Role::SondeFilePage, Role::DepthDisplay, Role::CommunicationPage});
    home.write("blocker", "a file where a folder would be");
    SondeTable table;
    SondeDatabase db(table, nullptr, bus, home.file("blocker") / "LvZARN.tol");
    home.write("s.znv", sonde(9));

    EXPECT_EQ(db.Import([&] { return std::optional(home.file("s.znv")); }), Result::WriteFailed);
    // The sonde is usable for this run; the operator is told it was not saved.
    EXPECT_EQ(table.slots[0].serialNumber, 9);
    EXPECT_EQ(table.selected, 0);
    EXPECT_EQ(recorder.received().size(), 3u);
    EXPECT_FALSE(db.SetGammaCoefficient(2.0));
    EXPECT_FALSE(db.WriteSlot(0, SondeFile::CoefForm::Float));
    const std::string failure = "The sonde file " + (home.file("blocker") / "LvZARN.tol").string() +
                                " could not be written.";
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{failure, failure, failure}));
}

} // namespace
} // namespace zarn
