#include "platform/ProfileDocument.h"
#include "platform/FileIo.h"
#include "platform/ProfileFile.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <thread>

namespace zarn {
namespace {

TEST(ProfileDocument, LooksUpSectionsAndKeysIgnoringCaseAndTrimsValues) {
    const auto doc = ProfileDocument::parse(
        "; comment\r\n[LumiLogger]\r\n  StartDepth =  12.5 \r\nName=\"quoted value\"\r\n"
        "Empty=\r\n[Other]\r\nStartDepth=99\r\n");
    EXPECT_EQ(doc.get("lumilogger", "STARTDEPTH"), "12.5");
    EXPECT_EQ(doc.get("LumiLogger", "Name"), "quoted value");
    EXPECT_EQ(doc.get("LumiLogger", "Empty"), "");
    EXPECT_EQ(doc.get("other", "startdepth"), "99");
    EXPECT_FALSE(doc.get("LumiLogger", "Missing").has_value());
    EXPECT_FALSE(doc.get("Missing", "StartDepth").has_value());
}

TEST(ProfileDocument, WritesKeysInPlaceKeepingSpellingAndOtherLines) {
    auto doc = ProfileDocument::parse("[LumiLogger]\r\nStartDepth=1\r\n; operator's "
                                      "note\r\nOwnKey=kept\r\n\r\n[Next]\r\nA=1\r\n");
    doc.set("LUMILOGGER", "Startdepth", "2");
    doc.set("LumiLogger", "NewKey", "3");
    doc.set("Added", "Key", "4");
    EXPECT_EQ(doc.serialize(),
              "[LumiLogger]\r\nStartDepth=2\r\n; operator's note\r\nOwnKey=kept\r\nNewKey=3\r\n"
              "\r\n[Next]\r\nA=1\r\n[Added]\r\nKey=4\r\n");
}

TEST(ProfileDocument, KeepsTheLineEndsOfTheFile) {
    auto doc = ProfileDocument::parse("[S]\nA=1\n");
    doc.set("S", "B", "2");
    EXPECT_EQ(doc.serialize(), "[S]\nA=1\nB=2\n");
    ProfileDocument fresh;
    fresh.set("S", "A", "1");
    EXPECT_EQ(fresh.serialize(), "[S]\r\nA=1\r\n");
}

TEST(ProfileDocument, FirstOfDuplicatesWinsAndRemovalWorks) {
    auto doc = ProfileDocument::parse("[S]\nA=1\na=2\n[s]\nB=3\n");
    EXPECT_EQ(doc.get("S", "A"), "1");
    EXPECT_FALSE(doc.get("S", "B").has_value());
    doc.removeKey("S", "A");
    EXPECT_EQ(doc.get("S", "A"), "2");
    doc.removeSection("S");
    EXPECT_EQ(doc.get("S", "B"), "3");
    EXPECT_EQ(doc.sectionNames(), std::vector<std::string>{"s"});
}

TEST(ProfileDocument, SectionsListWhatGetFindsInFileOrder) {
    const auto doc = ProfileDocument::parse("k0=before any section\r\n"
                                            "[General]\r\nB=2\r\nA=\"quoted\"\r\n"
                                            "; comment\r\nb=shadowed\r\n"
                                            "[Other]\r\nX = 1 \r\n"
                                            "[GENERAL]\r\nC=never reached\r\n[empty]\r\n");
    const auto sections = doc.sections();
    ASSERT_EQ(sections.size(), 3u);
    using Entries = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(sections[0].name, "General");
    EXPECT_EQ(sections[0].entries, (Entries{{"B", "2"}, {"A", "quoted"}}));
    EXPECT_EQ(sections[1].name, "Other");
    EXPECT_EQ(sections[1].entries, (Entries{{"X", "1"}}));
    EXPECT_EQ(sections[2].name, "empty");
    EXPECT_TRUE(sections[2].entries.empty());
    // The same values as get().
    for (const auto& section : sections)
        for (const auto& [key, value] : section.entries)
            EXPECT_EQ(doc.get(section.name, key), value);
    EXPECT_FALSE(doc.get("General", "C").has_value());
}

TEST(ProfileDocument, SurvivesGarbage) {
    const std::string garbage("\0\xff[[=]\r\r\n=\n[a\nk=v=w\n\x01", 22);
    auto doc = ProfileDocument::parse(garbage);
    EXPECT_EQ(doc.get("a", "k"), "v=w");
    doc.set("a", "k", "x");
    EXPECT_EQ(ProfileDocument::parse(doc.serialize()).get("a", "k"), "x");
    const auto again = ProfileDocument::parse(garbage);
    for (const auto& section : again.sections())
        for (const auto& [key, value] : section.entries)
            EXPECT_EQ(again.get(section.name, key), value);
}

TEST(ProfileFile, WritesThroughATemporaryFileAndLeavesNoneBehind) {
    test::TempHome home;
    const auto file = home.file("sub/LvZARN.cfg");
    ASSERT_TRUE(ProfileFile::write(file, "LumiLogger", "Power", "100"));
    ASSERT_TRUE(ProfileFile::write(file, "LumiLogger", "Power", "90"));
    EXPECT_EQ(readWholeFile(file), "[LumiLogger]\r\nPower=90\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()),
                            std::filesystem::directory_iterator{}),
              1);
}

TEST(ProfileFile, AnUnwritableFileReportsFailureAndStaysUnchanged) {
    test::TempHome home;
    const auto dir = home.file("ro");
    std::filesystem::create_directories(dir);
    ASSERT_TRUE(ProfileFile::write(dir / "a.ini", "S", "K", "1"));
    std::filesystem::permissions(dir, std::filesystem::perms::owner_read |
                                          std::filesystem::perms::owner_exec);
    const bool asRoot = ::geteuid() == 0; // root ignores the permission bits
    if (!asRoot) {
        EXPECT_FALSE(ProfileFile::write(dir / "a.ini", "S", "K", "2"));
    }
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    EXPECT_EQ(ProfileFile::read(dir / "a.ini", "S", "K"), "1");
}

TEST(ProfileFile, ConcurrentUpdatesFromThreadsAreAllKept) {
    test::TempHome home;
    const auto file = home.file("shared.ini");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i)
                EXPECT_TRUE(ProfileFile::write(file, "S", "K" + std::to_string(t * 10 + i), "v"));
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(ProfileFile::load(file).keyNames("S").size(), 40u);
}

} // namespace
} // namespace zarn
