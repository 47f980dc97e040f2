// The header editor's logic: every field of the five pages through a header file and back,
// odd texts included (quotes, blanks at the ends, "=", ";", "[", control characters), numbers
// shown empty for 0 where the page says so, the remarks split at every kind of line break and
// never cut, the run number shared by two pages, refused numbers, Load and Reset.
#include "acquisition/export/HeaderDlgLogic.h"
#include "platform/ProfileDocument.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

std::tm dayOf(int year, int month, int day) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    return t;
}

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The texts of every field of the pages.
std::map<std::string, std::string> textsOf(const HeaderDlgLogic& logic) {
    std::map<std::string, std::string> texts;
    for (const HeaderPage& page : HeaderDlgLogic::pages())
        for (const HeaderField& field : page.fields)
            texts[std::string(field.key)] = logic.text(field.key);
    return texts;
}

TEST(HeaderDlgLogic, EveryFieldRoundTripsThroughTheHeaderFile) {
    TempHome home;
    CHeader header;
    HeaderDlgLogic logic(header);
    logic.reset(dayOf(2026, 3, 4));
    EXPECT_EQ(logic.text("Date"), "04 March 2026");

    // A distinct value in every field; odd texts where a header file could lose them.
    const std::map<std::string, std::string> odd = {
        {"Project", "a=b;c[d]"},
        {"Company", "'quoted'"},
        {"Wellname", "  blanks at both ends  "},
        {"Fieldname", "\"Big\" field \"A\""},
        {"Location", "[WellInfo]"},
        {"Latitude", "; not a comment"},
        {"Longitude", "12\xC2\xB0 30' E"},
    };
    int n = 0;
    for (const HeaderPage& page : HeaderDlgLogic::pages())
        for (const HeaderField& field : page.fields) {
            const std::string key(field.key);
            ++n;
            switch (field.kind) {
            case HeaderFieldKind::Text:
                logic.setText(key, odd.count(key) ? odd.at(key) : "text " + std::to_string(n));
                break;
            case HeaderFieldKind::Integer:
                logic.setText(key, "42");
                break;
            case HeaderFieldKind::Real:
                logic.setText(key, format("%d.%d", n, n % 7));
                break;
            case HeaderFieldKind::Remarks:
                break;
            }
        }
    // Empty where 0 shows empty, and a 0 typed there shows empty too.
    logic.setText("DepthDriller1", "");
    logic.setText("BitRecTo1", "0");
    logic.setText("MaxTemperature1", "0");
    // Twelve remark lines with every kind of line break, one of them empty.
    logic.setText("Remarks", "one\r\ntwo\nthree\rfour\r\n\r\nsix\nseven\neight\nnine\nten\n"
                             "eleven\r\ntwelve");
    header.Info().RunNo = {0, 5, 6}; // the runs not on any page keep their values
    ASSERT_FALSE(logic.save());
    const std::map<std::string, std::string> typed = textsOf(logic);

    const HeaderInfo& saved = header.Info();
    EXPECT_EQ(saved.RunNo, (std::array<int, 3>{42, 5, 6}));
    EXPECT_EQ(saved.DepthDriller[0], 0.0);
    EXPECT_EQ(saved.Comment[0], "one");
    EXPECT_EQ(saved.Comment[3], "four");
    EXPECT_EQ(saved.Comment[4], " "); // the empty line
    EXPECT_EQ(saved.Comment[9], "ten eleven twelve");
    EXPECT_EQ(typed.at("Remarks"), "one\r\ntwo\r\nthree\r\nfour\r\nsix\r\nseven\r\neight\r\nnine"
                                   "\r\nten eleven twelve");
    EXPECT_EQ(typed.at("DepthDriller1"), "");
    EXPECT_EQ(typed.at("BitRecTo1"), "");
    EXPECT_EQ(typed.at("MaxTemperature1"), "0.00"); // shown even when 0
    EXPECT_EQ(typed.at("KellyBushing"), "19.500");  // the 19th field, "19.5"

    Configuration configuration;
    configuration.paths.fileName = "W.lox";
    const fs::path path = home.file("W.hed");
    ASSERT_TRUE(header.WriteNewHeader(path, configuration, SondeTable{}));
    CHeader reader;
    ASSERT_FALSE(reader.ReadHeader(path));
    EXPECT_EQ(reader.Info().RunNo, saved.RunNo);
    const HeaderDlgLogic readBack(reader);
    EXPECT_EQ(textsOf(readBack), typed);
    // Saved again unchanged, it is the same record.
    HeaderDlgLogic again(reader);
    ASSERT_FALSE(again.save());
    EXPECT_EQ(textsOf(again), typed);
}

TEST(HeaderDlgLogic, NoControlCharacterReachesTheFileAndNoValueAddsALine) {
    TempHome home;
    CHeader header;
    HeaderDlgLogic logic(header);
    logic.setText("Company", "tab\there\x01\x1b[0m");
    logic.setText("Wellname", "W\r\n[General]\r\nGammaOnBoard=yes");
    logic.setText("Remarks", "a\tb\nc\x7f");
    ASSERT_FALSE(logic.save());
    Configuration configuration;
    const fs::path path = home.file("W.hed");
    ASSERT_TRUE(header.WriteNewHeader(path, configuration, SondeTable{}));
    ASSERT_TRUE(header.WriteWellInfo(path));
    const std::string text = fileText(path);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n')
            continue;
        EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "byte " << int(c) << " at " << i;
    }
    const ProfileDocument doc = ProfileDocument::parse(text);
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"General", "WellInfo", "File1"}));
    EXPECT_EQ(doc.get("WellInfo", "Company"), "tab here  [0m");
    EXPECT_EQ(doc.get("WellInfo", "Wellname"), "W  [General]  GammaOnBoard=yes");
    EXPECT_EQ(doc.get("WellInfo", "Comment1"), "a b");
    EXPECT_EQ(doc.get("WellInfo", "Comment2"), "c "); // the blank it became is kept
}

TEST(HeaderDlgLogic, ARefusedNumberSavesNothing) {
    CHeader header;
    header.Info().Company = "kept";
    HeaderDlgLogic logic(header);
    logic.setText("Company", "changed");
    for (const auto& [key, entry] :
         std::vector<std::pair<const char*, const char*>>{{"KellyBushing", "12a"},
                                                          {"RunNo1", "1.5"},
                                                          {"CasRecSize1", "1.2.3"},
                                                          {"Shallow1", "-"}}) {
        SCOPED_TRACE(key);
        const std::string before = logic.text(key);
        logic.setText(key, entry);
        const std::optional<HeaderDlgLogic::Refusal> refused = logic.save();
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->key, key);
        EXPECT_EQ(refused->message, "Please enter a number.");
        EXPECT_EQ(header.Info().Company, "kept");
        logic.setText(key, before);
    }
    // A decimal comma is a decimal point.
    logic.setText("KellyBushing", "12,5");
    ASSERT_FALSE(logic.save());
    EXPECT_EQ(header.Info().KellyBushing, 12.5);
    EXPECT_EQ(header.Info().Company, "changed");
}

TEST(HeaderDlgLogic, LoadBringsTheWellInformationOnlyAndResetClearsIt) {
    TempHome home;
    home.write("old.hed", "[General]\r\nVersion=2000\r\n[WellInfo]\r\nStartdepth=4000\r\n"
                          "EndDepth=CORRUPT\r\nCompany=ACME\r\nRunNo1=3\r\nKellyBushing=1.5\r\n"
                          "Comment1=first\r\nComment2=second\r\n");
    home.write("old.txt", "[WellInfo]\r\nCompany=Other\r\n");
    CHeader header;
    header.Info().Startdepth = 100;
    header.Info().Company = "before";
    HeaderDlgLogic logic(header);
    EXPECT_EQ(logic.load(home.file("old.txt")), "Data file not present.");
    EXPECT_EQ(logic.load(home.file("missing.HED")), "Data file not present.");
    EXPECT_EQ(header.Info().Company, "before");

    ASSERT_FALSE(logic.load(home.file("old.hed")));
    EXPECT_EQ(logic.text("Company"), "ACME");
    EXPECT_EQ(logic.text("RunNo1"), "3");
    EXPECT_EQ(logic.text("KellyBushing"), "1.500");
    EXPECT_EQ(logic.text("Remarks"), "first\r\nsecond");
    EXPECT_EQ(header.Info().Location, "-");   // missing Location
    EXPECT_EQ(header.Info().Wellname, " ");   // missing text
    EXPECT_EQ(header.Info().Startdepth, 100); // the old log's range is not brought in

    logic.reset(dayOf(2025, 12, 8));
    EXPECT_EQ(logic.text("Company"), "");
    EXPECT_EQ(logic.text("RunNo1"), "0");
    EXPECT_EQ(logic.text("Date"), "08 December 2025");
    EXPECT_EQ(header.Info().SondeAbbreviation, "ZARN");
    EXPECT_EQ(header.Info().LogMode, 10);
}

TEST(HeaderDlgLogic, TheRunNumberIsOneValueOnTwoPagesAndKeysAreSetByName) {
    std::set<std::string> pagesWithRun;
    for (const HeaderPage& page : HeaderDlgLogic::pages())
        for (const HeaderField& field : page.fields)
            if (field.key == "RunNo1")
                pagesWithRun.insert(std::string(page.tab));
    EXPECT_EQ(pagesWithRun, (std::set<std::string>{"&Logging Run", "Drill &Bit Size / Casing"}));

    HeaderInfo info;
    EXPECT_FALSE(HeaderDlgLogic::setKey(info, "company", "A=B"));
    EXPECT_EQ(info.Company, "A=B");
    EXPECT_FALSE(HeaderDlgLogic::setKey(info, "RunNo3", "9"));
    EXPECT_EQ(info.RunNo[2], 9);
    EXPECT_FALSE(HeaderDlgLogic::setKey(info, "uwi", ""));
    EXPECT_EQ(info.UWI, " ");
    EXPECT_TRUE(HeaderDlgLogic::setKey(info, "EndDepth", "5"));
    EXPECT_TRUE(HeaderDlgLogic::setKey(info, "Nonsense", "5"));
    EXPECT_EQ(HeaderDlgLogic::setKey(info, "DrillFloor", "x"), "Please enter a number.");
}

} // namespace
} // namespace zarn::test
