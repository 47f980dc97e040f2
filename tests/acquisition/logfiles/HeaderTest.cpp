#include "acquisition/logfiles/Header.h"
#include "acquisition/app/DiagnosticLogs.h"
#include "platform/FileIo.h"
#include "platform/ProfileDocument.h"
#include "tests/support/TestSupport.h"

#include <atomic>
#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

namespace zarn {
namespace {

std::string crlf(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::optional<std::string> keyOf(const std::string& text, const std::string& section,
                                 const std::string& key) {
    return ProfileDocument::parse(text).get(section, key);
}

// A record with a different value in every well information field.
HeaderInfo wellRecord() {
    HeaderInfo h;
    h.DepthUnit = 0;
    h.Startdepth = 1500;
    h.EndDepth = 25750;
    h.StartTime = 0;
    h.EndTime = 61000;
    h.Step = 10;
    h.LogMode = 12;
    h.Zero = 3;
    h.RunNo = {1, 2, 3};
    h.Company = "company";
    h.Country = "country";
    h.Fieldname = "field";
    h.Latitude = "lat";
    h.Longitude = "lon";
    h.Location = "loc";
    h.Project = "proj";
    h.ServiceCompany = "service";
    h.UWI = "uwi";
    h.Wellname = "well";
    h.LogName = "logname";
    h.OtherServices = {"os1", "os2", "os3", "os4", "os5"};
    h.SondeAbbreviation = "ZRN2";
    h.DateRun = {"dr1", "dr2", "dr3"};
    h.Date = "08 December 2025";
    h.DrillDatum = "dd";
    h.LogDatum = "ld";
    h.PermanentDatum = "pd";
    h.DrillFloor = 1.25;
    h.Elevation = "el";
    h.GroundLevel = 2.5;
    h.KellyBushing = 3.75;
    h.Fluid = {"fl1", "fl2", "fl3"};
    h.FluidDensity = {"fd1", "fd2", "fd3"};
    h.FluidLevel = {"fv1", "fv2", "fv3"};
    h.LogType = {"lt1", "lt2", "lt3"};
    h.MaxTemperature = {11.5, 12.5, 13.5};
    h.RigTime = {"rt1", "rt2", "rt3"};
    h.Salinity = {"sa1", "sa2", "sa3"};
    h.Deepest = {21, 22, 23};
    h.DepthDriller = {31, 32, 33};
    h.DepthLogger = {41, 42, 43};
    h.Engineer = {"en1", "en2", "en3"};
    h.Shallow = {51, 52, 53};
    h.Witness = {"wi1", "wi2", "wi3"};
    h.BitRec = {61, 62, 63};
    h.BitRecFrom = {71, 72, 73};
    h.BitRecTo = {81, 82, 83};
    h.CasRecFrom = {91, 92, 93};
    h.CasRecSize = {101, 102, 103};
    h.CasRecTo = {111, 112, 113};
    h.CasRecWeight = {121, 122, 123};
    h.Comment = {"c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10"};
    return h;
}

Configuration configuration(int depthUnit) {
    Configuration c;
    c.logger.magneticOffset = 1.5;
    c.logger.orientationMode = 2;
    c.program.depthUnit = depthUnit;
    c.paths.fileName = "WELL1.lox";
    return c;
}

SondeTable sondeTable(bool gamma) {
    SondeTable t;
    t.selected = 3;
    t.slots[3].serialNumber = 4711;
    t.working.sondeLength = 163;
    t.working.imageOffset = 12.5;
    t.working.cameraOffset = 8.9;
    t.working.deviationOffset = 107.99;
    t.working.gammaOffset = 145.7;
    t.working.gammaOnBoard = gamma ? 1 : 0;
    t.working.gammaCoefficient = 1.0;
    return t;
}

// The fresh header of wellRecord(), configuration(0) and sondeTable(true), line by line in the
// writing order.
std::vector<std::string> metricFixture() {
    return {"[General]",
            "Version=2000",
            "SerialNumber=4711",
            "DataFiles=1",
            "MagneticDeclination=1.50",
            "SondeLenght=163",
            "ImageOffset=12.50",
            "CameraOffset=8",
            "DeviationOffset=107",
            "GammaOnBoard=yes",
            "GammaOffset=145",
            "GammaCoef=1.00000",
            "OrientationMode=2",
            "",
            "[WellInfo]",
            "DepthUnit=0",
            "Startdepth=1500",
            "EndDepth=25750",
            "StartTime=0",
            "EndTime=61000",
            "step=10",
            "LogMode=12",
            "Zero=3",
            "Company=company",
            "Country=country",
            "Fieldname=field",
            "Latitude=lat",
            "Longitude=lon",
            "Location=loc",
            "Project=proj",
            "ServiceCompany=service",
            "UWI=uwi",
            "Wellname=well",
            "LogName=logname",
            "OtherServices1=os1",
            "OtherServices2=os2",
            "OtherServices3=os3",
            "OtherServices4=os4",
            "OtherServices5=os5",
            "SondeAbbreviation=ZRN2",
            "DateRun1=dr1",
            "DateRun2=dr2",
            "DateRun3=dr3",
            "Date=08 December 2025",
            "DrillDatum=dd",
            "LogDatum=ld",
            "PermanentDatum=pd",
            "DrillFloor=1.250000",
            "Elevation=el",
            "GroundLevel=2.500000",
            "KellyBushing=3.750000",
            "RunNo1=1",
            "RunNo2=2",
            "RunNo3=3",
            "Fluid1=fl1",
            "Fluid2=fl2",
            "Fluid3=fl3",
            "FluidDensity1=fd1",
            "FluidDensity2=fd2",
            "FluidDensity3=fd3",
            "FluidLevel1=fv1",
            "FluidLevel2=fv2",
            "FluidLevel3=fv3",
            "LogType1=lt1",
            "LogType2=lt2",
            "LogType3=lt3",
            "MaxTemperature1=11.500000",
            "MaxTemperature2=12.500000",
            "MaxTemperature3=13.500000",
            "RigTime1=rt1",
            "RigTime2=rt2",
            "RigTime3=rt3",
            "Salinity1=sa1",
            "Salinity2=sa2",
            "Salinity3=sa3",
            "Deepest1=21.000000",
            "Deepest2=22.000000",
            "Deepest3=23.000000",
            "DepthDriller1=31.000000",
            "DepthDriller2=32.000000",
            "DepthDriller3=33.000000",
            "DepthLogger1=41.000000",
            "DepthLogger2=42.000000",
            "DepthLogger3=43.000000",
            "Engineer1=en1",
            "Engineer2=en2",
            "Engineer3=en3",
            "Shallow1=51.000000",
            "Shallow2=52.000000",
            "Shallow3=53.000000",
            "Witness1=wi1",
            "Witness2=wi2",
            "Witness3=wi3",
            "BitRec1=61.000000",
            "BitRec2=62.000000",
            "BitRec3=63.000000",
            "BitRecFrom1=71.000000",
            "BitRecFrom2=72.000000",
            "BitRecFrom3=73.000000",
            "BitRecTo1=81.000000",
            "BitRecTo2=82.000000",
            "BitRecTo3=83.000000",
            "CasRecFrom1=91.000000",
            "CasRecFrom2=92.000000",
            "CasRecFrom3=93.000000",
            "CasRecSize1=101.000000",
            "CasRecSize2=102.000000",
            "CasRecSize3=103.000000",
            "CasRecTo1=111.000000",
            "CasRecTo2=112.000000",
            "CasRecTo3=113.000000",
            "CasRecWeight1=121.000000",
            "CasRecWeight2=122.000000",
            "CasRecWeight3=123.000000",
            "Comment1=c1",
            "Comment2=c2",
            "Comment3=c3",
            "Comment4=c4",
            "Comment5=c5",
            "Comment6=c6",
            "Comment7=c7",
            "Comment8=c8",
            "Comment9=c9",
            "Comment10=c10",
            "",
            "[File1]",
            "FileName=WELL1.lox",
            "StartDepth=0",
            "EndDepth=0",
            "StartTime=0",
            "EndTime=0",
            "SampleCount=0"};
}

void insertAfter(std::vector<std::string>& lines, const std::string& anchor,
                 const std::vector<std::string>& inserted) {
    const auto at = std::find(lines.begin(), lines.end(), anchor);
    ASSERT_NE(at, lines.end()) << anchor;
    lines.insert(at + 1, inserted.begin(), inserted.end());
}

void replaceLine(std::vector<std::string>& lines, const std::string& from, const std::string& to) {
    const auto at = std::find(lines.begin(), lines.end(), from);
    ASSERT_NE(at, lines.end()) << from;
    *at = to;
}

class HeaderFile : public ::testing::Test {
protected:
    std::filesystem::path headerPath() const { return home.file("WELL1.hed"); }
    std::string headerText() const { return home.read("WELL1.hed"); }

    test::TempHome home;
    test::RecordingUserMessages messages;
    CHeader header;
};

// --- Fresh header ---------------------------------------------------------------------------

struct FreshCase {
    const char* name;
    int depthUnit;       // the configuration's depth unit setting
    int recordDepthUnit; // the header record's own "DepthUnit"
    bool gamma;
};

void PrintTo(const FreshCase& c, std::ostream* os) {
    *os << c.name;
}

class FreshHeader : public HeaderFile, public ::testing::WithParamInterface<FreshCase> {};

TEST_P(FreshHeader, IsWrittenByteForByteInTheWritingOrder) {
    const FreshCase& c = GetParam();
    header.Info() = wellRecord();
    header.Info().DepthUnit = c.recordDepthUnit;
    std::vector<std::string> expected = metricFixture();
    const int writtenUnit = c.depthUnit == 1 ? 1 : c.recordDepthUnit;
    replaceLine(expected, "DepthUnit=0", "DepthUnit=" + std::to_string(writtenUnit));
    if (!c.gamma) {
        expected.erase(std::find(expected.begin(), expected.end(), "GammaOnBoard=yes"),
                       std::find(expected.begin(), expected.end(), "OrientationMode=2"));
        insertAfter(expected, "DeviationOffset=107", {"GammaOnBoard=no"});
    }
    if (c.depthUnit != 0) {
        insertAfter(
            expected, "OrientationMode=2",
            {"ImperialSetting=yes", "", "[DephtImperialInfo]", "StartDepth=0", "EndDepth=0"});
        const auto file = std::find(expected.begin(), expected.end(), "[File1]");
        const auto end = std::find(file, expected.end(), "EndDepth=0");
        expected.insert(end + 1, {"StartDepthInFeet=0", "EndDepthInFeet=0"});
    }

    ASSERT_TRUE(
        header.WriteNewHeader(headerPath(), configuration(c.depthUnit), sondeTable(c.gamma)));
    EXPECT_EQ(headerText(), crlf(expected));
    EXPECT_TRUE(messages.texts().empty());
    // The record's own unit is never changed by writing.
    EXPECT_EQ(header.Info().DepthUnit, c.recordDepthUnit);
}

INSTANTIATE_TEST_SUITE_P(Modes, FreshHeader,
                         ::testing::Values(FreshCase{"Metric", 0, 0, true},
                                           FreshCase{"MetricNoGamma", 0, 0, false},
                                           FreshCase{"MetricRecordUnit", 0, 2, true},
                                           FreshCase{"Feet", 1, 0, true},
                                           FreshCase{"UnitTwo", 2, 0, true},
                                           FreshCase{"UnitTwoRecordUnit", 2, 5, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FormatCase {
    const char* section;
    const char* key;
    std::function<void(HeaderInfo&, Configuration&, SondeTable&)> set;
    const char* expected;
};

TEST(FreshHeaderValues, UseTheirFixedFormats) {
    const std::vector<FormatCase> cases = {
        {"General", "MagneticDeclination",
         [](auto&, auto& c, auto&) { c.logger.magneticOffset = 1.5; }, "1.50"},
        {"General", "MagneticDeclination",
         [](auto&, auto& c, auto&) { c.logger.magneticOffset = -0.125; }, "-0.12"},
        {"General", "ImageOffset", [](auto&, auto&, auto& s) { s.working.imageOffset = 359.9; },
         "359.90"},
        {"General", "GammaCoef", [](auto&, auto&, auto& s) { s.working.gammaCoefficient = 1.0; },
         "1.00000"},
        {"General", "GammaCoef", [](auto&, auto&, auto& s) { s.working.gammaCoefficient = 0.15; },
         "0.150000"},
        {"General", "GammaCoef",
         [](auto&, auto&, auto& s) { s.working.gammaCoefficient = 1234567.0; }, "1.23457E+06"},
        // Single precision: the double's extra digits are gone before formatting.
        {"General", "GammaCoef",
         [](auto&, auto&, auto& s) { s.working.gammaCoefficient = 1.0000005; }, "1.00000"},
        {"General", "GammaCoef", [](auto&, auto&, auto& s) { s.working.gammaCoefficient = 1e300; },
         "3.40282E+38"},
        {"General", "CameraOffset", [](auto&, auto&, auto& s) { s.working.cameraOffset = -3.7; },
         "-3"},
        {"General", "DeviationOffset",
         [](auto&, auto&, auto& s) { s.working.deviationOffset = 1e20; }, "2147483647"},
        {"General", "GammaOffset",
         [](auto&, auto&, auto& s) { s.working.gammaOffset = std::nan(""); }, "0"},
        {"General", "SerialNumber", [](auto&, auto&, auto& s) { s.selected = 12; }, "0"},
        {"WellInfo", "DrillFloor", [](auto& h, auto&, auto&) { h.DrillFloor = -2.5; }, "-2.500000"},
        {"WellInfo", "KellyBushing", [](auto& h, auto&, auto&) { h.KellyBushing = 1.0000004; },
         "1.000000"},
        {"WellInfo", "Company",
         [](auto& h, auto&, auto&) { h.Company = "A\r\n[General]\nGammaOnBoard=no"; },
         "A  [General] GammaOnBoard=no"},
        {"File1", "FileName", [](auto&, auto& c, auto&) { c.paths.fileName = "/data/logs/W2.lox"; },
         "W2.lox"},
    };
    for (const auto& c : cases) {
        HeaderInfo info = wellRecord();
        Configuration config = configuration(0);
        SondeTable sondes = sondeTable(true);
        c.set(info, config, sondes);
        const std::string text = CHeader::NewHeaderText(info, config, sondes);
        EXPECT_EQ(keyOf(text, c.section, c.key), c.expected) << c.key << " " << c.expected;
        // A value never adds a line, whatever it holds.
        EXPECT_EQ(ProfileDocument::parse(text).sectionNames(),
                  (std::vector<std::string>{"General", "WellInfo", "File1"}));
        EXPECT_EQ(keyOf(text, "General", "GammaOnBoard"), "yes");
    }
}

TEST_F(HeaderFile, FreshHeaderReplacesTheWholeOldFile) {
    home.write("WELL1.hed", "[General]\r\nOld=1\r\n[File7]\r\nFileName=x\r\n");
    ASSERT_TRUE(header.WriteNewHeader(headerPath(), configuration(0), sondeTable(true)));
    const ProfileDocument doc = ProfileDocument::parse(headerText());
    EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"General", "WellInfo", "File1"}));
    EXPECT_FALSE(doc.get("General", "Old"));
}

TEST_F(HeaderFile, AFreshHeaderThatCannotBeWrittenIsReportedAndNothingFollows) {
    home.write("plain", "x");
    const std::filesystem::path bad = home.file("plain") / "WELL1.hed";
    EXPECT_FALSE(header.WriteNewHeader(bad, configuration(0), sondeTable(true)));
    EXPECT_FALSE(header.WriteRecordingStart(bad, configuration(1), sondeTable(true), true, 5.0));
    const auto shown = messages.shown();
    ASSERT_EQ(shown.size(), 2u);
    for (const auto& m : shown) {
        EXPECT_EQ(m.text, "Trouble opening file.");
        EXPECT_EQ(m.icon, MessageIcon::Error);
    }
    EXPECT_FALSE(std::filesystem::exists(bad));
}

// --- Reading --------------------------------------------------------------------------------

TEST_F(HeaderFile, ReadingAFreshHeaderGivesBackTheRecordAndTheWrittenSondeValues) {
    HeaderInfo written = wellRecord();
    written.Company = "Two words ; not a comment";
    header.Info() = written;
    ASSERT_TRUE(header.WriteNewHeader(headerPath(), configuration(0), sondeTable(true)));

    CHeader reader;
    reader.Info().ReadFailed = true;
    EXPECT_FALSE(reader.ReadHeader(headerPath()));

    HeaderInfo expected = written;
    expected.Version = "2000";
    expected.Copyright = "-";
    expected.SerialNumber = 4711;
    expected.DataFiles = 1;
    expected.MagneticDeclination = 1.5;
    expected.SondeLenght = 163;
    expected.ImageOffset = 12.5;
    expected.CameraOffset = 8;
    expected.DeviationOffset = 107;
    expected.GammaOnBoard = true;
    expected.GammaOffset = 145;
    expected.GammaCoef = 1.0;
    expected.OrientationMode = 2;
    expected.EndDepthCorrupt = false;
    expected.Descending = true; // 1500 < 25750
    expected.ReadFailed = false;
    expected.FileName = "WELL1.lox";
    expected.FileStartDepth = expected.FileEndDepth = 0;
    expected.FileStartTime = expected.FileEndTime = expected.FileSampleCount = 0;
    // Field by field first, for a readable failure.
    forEachWellInfoKey(reader.Info(), [&](const std::string& key, const auto& field, const auto&) {
        bool found = false;
        forEachWellInfoKey(expected, [&](const std::string& k, const auto& want, const auto&) {
            if constexpr (std::is_same_v<std::decay_t<decltype(want)>,
                                         std::decay_t<decltype(field)>>)
                if (k == key) {
                    EXPECT_EQ(field, want) << key;
                    found = true;
                }
        });
        EXPECT_TRUE(found) << key;
    });
    EXPECT_TRUE(reader.Info() == expected);
}

TEST_F(HeaderFile, MissingKeysTakeTheirDefaults) {
    // No "GammaOnBoard", no gamma keys, no "EndDepth" in [WellInfo].
    home.write("WELL1.hed", "[General]\r\nVersion=2000\r\n\r\n[WellInfo]\r\nStartdepth=4\r\n");
    header.Info() = wellRecord();
    EXPECT_FALSE(header.ReadHeader(headerPath()));
    const HeaderInfo& h = header.Info();
    EXPECT_FALSE(h.GammaOnBoard);
    EXPECT_EQ(h.GammaOffset, 145.0);
    EXPECT_EQ(h.GammaCoef, 1.0);
    EXPECT_EQ(h.SondeLenght, 163.0);
    EXPECT_EQ(h.CameraOffset, 8.0);
    EXPECT_EQ(h.DeviationOffset, 107.0);
    EXPECT_EQ(h.MagneticDeclination, 0.0);
    EXPECT_EQ(h.Copyright, "-");
    EXPECT_EQ(h.DataFiles, 1);
    EXPECT_EQ(h.Step, 10);
    EXPECT_EQ(h.LogMode, 10);
    EXPECT_EQ(h.RunNo, (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(h.BitRecTo, (std::array<double, 3>{0, 0, 0}));
    EXPECT_EQ(h.SondeAbbreviation, "ZARN");
    EXPECT_EQ(h.Company, " ");
    EXPECT_EQ(h.Comment[9], " ");
    EXPECT_EQ(h.Startdepth, 4);
    EXPECT_EQ(h.EndDepth, 0);
    EXPECT_TRUE(h.EndDepthCorrupt);
    EXPECT_FALSE(h.Descending);
    EXPECT_EQ(h.FileName, " ");
    EXPECT_EQ(h.FileSampleCount, 0);
}

TEST_F(HeaderFile, GeneralValuesAreReadInTheirOwnTypes) {
    home.write("WELL1.hed", crlf({"[general]", "SONDELENGHT=170.9", "CameraOffset=9,5",
                                  "ImageOffset=12,75", "GammaOnBoard=YES", "GammaCoef=0.123456789",
                                  "MagneticDeclination=-1,25", "SerialNumber=77abc"}));
    EXPECT_FALSE(header.ReadHeader(headerPath()));
    const HeaderInfo& h = header.Info();
    EXPECT_EQ(h.SondeLenght, 170.0); // an integer key
    EXPECT_EQ(h.CameraOffset, 9.0);
    EXPECT_DOUBLE_EQ(h.ImageOffset, 12.75);
    EXPECT_TRUE(h.GammaOnBoard);
    EXPECT_EQ(h.GammaCoef, double(0.123456789f)); // single precision
    EXPECT_DOUBLE_EQ(h.MagneticDeclination, -1.25);
    EXPECT_EQ(h.SerialNumber, 77);
}

struct EndDepthCase {
    const char* line; // the [WellInfo] "EndDepth" line; empty for none
    bool corrupt;
    int endDepth;
    bool descending; // with "Startdepth" = 1000
};

TEST_F(HeaderFile, EndDepthMarksACorruptHeaderInAnyCaseOrWhenMissing) {
    const std::vector<EndDepthCase> cases = {
        {"EndDepth=CORRUPT", true, 0, false},    {"EndDepth=corrupt", true, 0, false},
        {"enddepth= Corrupt ", true, 0, false},  {"", true, 0, false},
        {"EndDepth=CORRUPTED", false, 0, false}, {"EndDepth=", false, 0, false},
        {"EndDepth=2000", false, 2000, true},    {"EndDepth=500", false, 500, false},
        {"EndDepth=1000", false, 1000, false},
    };
    for (const auto& c : cases) {
        std::vector<std::string> lines = {"[General]", "[WellInfo]", "Startdepth=1000"};
        if (*c.line)
            lines.push_back(c.line);
        home.write("WELL1.hed", crlf(lines));
        EXPECT_FALSE(header.ReadHeader(headerPath()));
        EXPECT_EQ(header.Info().EndDepthCorrupt, c.corrupt) << c.line;
        EXPECT_EQ(header.Info().EndDepth, c.endDepth) << c.line;
        EXPECT_EQ(header.Info().Descending, c.descending) << c.line;
    }
}

// A file that is not a header (empty, other text, binary bytes) is a failed read: it is not
// taken for an interrupted log, so opening it never writes repair keys into it.
TEST_F(HeaderFile, AFileWithoutTheGeneralSectionIsNotAHeader) {
    const std::string cases[] = {"", "just some text\r\n", "[WellInfo]\r\nStartdepth=1000\r\n",
                                 std::string("\x89PNG\r\n\x1a\n\0\0", 10)};
    for (const std::string& text : cases) {
        home.write("WELL1.hed", text);
        EXPECT_TRUE(header.ReadHeader(headerPath())) << text;
        EXPECT_TRUE(header.Info().ReadFailed);
    }
    home.write("WELL1.hed", crlf({"[general]", "DataFiles=2"}));
    EXPECT_FALSE(header.ReadHeader(headerPath()));
    EXPECT_EQ(header.Info().DataFiles, 2);
}

TEST_F(HeaderFile, TheCurrentFileSectionIsTheOneRead) {
    home.write("WELL1.hed", crlf({"[General]", "DataFiles=3", "[File1]", "FileName=W.lox",
                                  "StartDepth=1", "[File2]", "FileName=W_2.lox", "Startdepth=2000",
                                  "EndDepth=3000", "StartTime=40", "EndTime=90", "SampleCount=12",
                                  "---=---", "[File3]", "FileName=W_3.lox"}));
    EXPECT_FALSE(header.ReadHeader(headerPath(), 2));
    const HeaderInfo& h = header.Info();
    EXPECT_EQ(h.DataFiles, 3);
    EXPECT_EQ(h.FileName, "W_2.lox");
    EXPECT_EQ(h.FileStartDepth, 2000);
    EXPECT_EQ(h.FileEndDepth, 3000);
    EXPECT_EQ(h.FileStartTime, 40);
    EXPECT_EQ(h.FileEndTime, 90);
    EXPECT_EQ(h.FileSampleCount, 12);
    EXPECT_FALSE(header.ReadHeader(headerPath(), 9));
    EXPECT_EQ(header.Info().FileName, " ");
    EXPECT_EQ(header.Info().FileStartDepth, 0);
}

TEST_F(HeaderFile, AHeaderThatCannotBeReadIsAFailureWithTheTraceLines) {
    DiagnosticLogs& logs = DiagnosticLogs::instance();
    const TechnicalSwitches before = logs.switches();
    const std::filesystem::path folderBefore = logs.traceLogPath().parent_path();
    logs.setFolder(home.path());
    TechnicalSwitches trace;
    trace.debuggingTrace = true;
    logs.setSwitches(trace);

    header.Info() = wellRecord();
    std::filesystem::create_directory(home.file("folder.hed"));
    for (const auto& path : {home.file("missing.hed"), home.file("folder.hed")}) {
        EXPECT_TRUE(header.ReadHeader(path)) << path;
        EXPECT_TRUE(header.Info().ReadFailed);
        HeaderInfo unchanged = wellRecord();
        unchanged.ReadFailed = true;
        EXPECT_TRUE(header.Info() == unchanged); // nothing half-read
    }
    logs.setSwitches(before);
    logs.setFolder(folderBefore);
    const std::string text = home.read("Trace_ZARN.log");
    const std::string block = "CHeader - ----------Header----------\n";
    size_t lines = 0;
    for (size_t at = text.find("CHeader - "); at != std::string::npos;
         at = text.find("CHeader - ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 6u) << text;
    EXPECT_NE(text.find("CHeader - --    Read file error   --\n"), std::string::npos) << text;
    EXPECT_NE(text.find(block), std::string::npos) << text;

    home.write("WELL1.hed", "[General]\r\n");
    EXPECT_FALSE(header.ReadHeader(headerPath()));
    EXPECT_FALSE(header.Info().ReadFailed);
}

TEST(HeaderRecord, ResetGivesTheResetValuesAndTodaysDate) {
    CHeader header;
    header.Info() = wellRecord();
    header.Info().EndDepthCorrupt = true;
    std::tm day{};
    day.tm_mday = 8;
    day.tm_mon = 11;
    day.tm_year = 125;
    header.ResetHeaderInfo(day);
    HeaderInfo expected;
    expected.Date = "08 December 2025";
    EXPECT_TRUE(header.Info() == expected);
    EXPECT_EQ(header.Info().SondeAbbreviation, "ZARN");
    EXPECT_EQ(header.Info().Company, " ");
    EXPECT_TRUE(header.Info().Descending);
    day.tm_mday = 31;
    day.tm_mon = 0;
    day.tm_year = 100;
    EXPECT_EQ(headerDate(day), "31 January 2000");
}

TEST(HeaderDepths, AreTruncatedMillimetresAndFeetTexts) {
    const struct {
        double metres;
        int millimetres;
        const char* feet;
    } cases[] = {
        {12.3456, 12345, "40.50"},    {0.9999, 999, "3.28"},    {-0.0015, -1, "-0.00"},
        {-12.3456, -12345, "-40.50"}, {1e12, INT_MAX, nullptr}, {-1e12, INT_MIN, nullptr},
        {std::nan(""), 0, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(headerMillimetres(c.metres), c.millimetres) << c.metres;
        if (c.feet) {
            EXPECT_EQ(headerFeetText(c.metres), c.feet) << c.metres;
        }
    }
    EXPECT_EQ(logModeOf(true), 12);
    EXPECT_EQ(logModeOf(false), 11);
    EXPECT_EQ(headerModeOf(configuration(0)), HeaderMode::Metric);
    EXPECT_EQ(headerModeOf(configuration(2)), HeaderMode::Imperial);
}

// --- Updates over one recording -------------------------------------------------------------

struct Expect {
    const char* section;
    const char* key;
    std::optional<std::string> metric; // nothing: the key must be absent
    std::optional<std::string> imperial;
};

class Recording : public HeaderFile, public ::testing::WithParamInterface<int> {
protected:
    bool imperial() const { return GetParam() != 0; }
    HeaderMode mode() const { return imperial() ? HeaderMode::Imperial : HeaderMode::Metric; }

    void expectKeys(const char* moment, const std::vector<Expect>& table) {
        const ProfileDocument doc = ProfileDocument::parse(headerText());
        for (const auto& e : table)
            EXPECT_EQ(doc.get(e.section, e.key), imperial() ? e.imperial : e.metric)
                << moment << ": [" << e.section << "] " << e.key;
    }
};

TEST_P(Recording, EachMomentWritesItsKeys) {
    header.Info() = wellRecord();
    const std::optional<std::string> none;
    const auto both = [](const char* v) { return std::optional<std::string>(v); };

    // Recording starts, going down from 12.3456 m.
    ASSERT_TRUE(header.WriteRecordingStart(headerPath(), configuration(GetParam()),
                                           sondeTable(true), true, 12.3456));
    expectKeys("start", {
                            {"WellInfo", "LogMode", both("12"), both("12")},
                            {"File1", "LogMode", both("12"), both("12")},
                            {"WellInfo", "Startdepth", both("12345"), both("12345")},
                            {"WellInfo", "StartTime", both("0"), both("0")},
                            {"File1", "StartDepth", both("12345"), both("12345")},
                            {"File1", "StartTime", both("0"), both("0")},
                            {"File1", "SampleCount", both("0"), both("0")},
                            {"DephtImperialInfo", "StartDepth", none, both("40.50")},
                            {"File1", "StartDepthInFeet", none, both("40.50")},
                            {"WellInfo", "EndDepth", both("CORRUPT"), both("CORRUPT")},
                            {"General", "ImperialSetting", none, both("yes")},
                        });
    {
        // One key whatever its case, kept at its place with its first spelling; the new key
        // goes to the end of its section.
        const ProfileDocument doc = ProfileDocument::parse(headerText());
        std::vector<std::string> keys = {"FileName", "StartDepth", "EndDepth"};
        if (imperial())
            keys.insert(keys.end(), {"StartDepthInFeet", "EndDepthInFeet"});
        keys.insert(keys.end(), {"StartTime", "EndTime", "SampleCount", "LogMode"});
        EXPECT_EQ(doc.keyNames("File1"), keys);
        const std::vector<std::string> imperialKeys =
            imperial() ? std::vector<std::string>{"StartDepth", "EndDepth"}
                       : std::vector<std::string>{};
        EXPECT_EQ(doc.keyNames("DephtImperialInfo"), imperialKeys);
    }
    CHeader reader;
    EXPECT_FALSE(reader.ReadHeader(headerPath()));
    EXPECT_TRUE(reader.Info().EndDepthCorrupt);
    EXPECT_EQ(reader.Info().FileStartDepth, 12345);
    EXPECT_EQ(reader.Info().Startdepth, 12345);

    // First record, at image depth 12.5 m.
    ASSERT_TRUE(header.WriteFirstRecord(headerPath(), 1, 12.5, mode()));
    expectKeys("first record", {
                                   {"WellInfo", "Startdepth", both("12500"), both("12500")},
                                   {"File1", "StartDepth", both("12500"), both("12500")},
                                   {"File1", "SampleCount", both("0"), both("0")},
                                   {"DephtImperialInfo", "StartDepth", none, both("41.01")},
                                   {"File1", "StartDepthInFeet", none, both("41.01")},
                                   {"WellInfo", "EndDepth", both("CORRUPT"), both("CORRUPT")},
                               });

    // Periodic update after 5.5 s, 40 records, at 14.25 m.
    ASSERT_TRUE(header.WritePeriodicUpdate(headerPath(), {1, 14.25, 5500, 40}, mode()));
    expectKeys("periodic", {
                               {"WellInfo", "EndDepth", both("14250"), both("14250")},
                               {"File1", "EndDepth", both("14250"), both("14250")},
                               {"DephtImperialInfo", "EndDepth", none, both("46.75")},
                               {"File1", "EndDepthInFeet", none, both("46.75")},
                               {"WellInfo", "EndTime", both("5500"), both("5500")},
                               {"File1", "EndTime", both("5500"), both("5500")},
                               {"File1", "SampleCount", both("40"), both("40")},
                           });
    EXPECT_FALSE(reader.ReadHeader(headerPath()));
    EXPECT_FALSE(reader.Info().EndDepthCorrupt);
    EXPECT_TRUE(reader.Info().Descending);

    // Split at 112.5 m after 90 s: file 1 closed with 900 records, file 2 opened.
    ASSERT_TRUE(header.WriteFileClosed(headerPath(), {1, 112.5, 90000, 900}, mode()));
    ASSERT_TRUE(
        header.WriteFileOpened(headerPath(), 2, "/logs/WELL1_2.lox", 112.5, 90000, true, mode()));
    expectKeys("split", {
                            {"File1", "EndDepth", both("112500"), both("112500")},
                            {"File1", "EndDepthInFeet", none, both("369.09")},
                            {"File1", "EndTime", both("90000"), both("90000")},
                            {"File1", "SampleCount", both("900"), both("900")},
                            {"File1", "---", both("---"), both("---")},
                            {"File2", "FileName", both("WELL1_2.lox"), both("WELL1_2.lox")},
                            {"File2", "StartDepth", both("112500"), both("112500")},
                            {"File2", "EndDepth", both("112500"), both("112500")},
                            {"File2", "StartDepthInFeet", none, both("369.09")},
                            {"File2", "EndDepthInFeet", none, both("369.09")},
                            {"File2", "StartTime", both("90000"), both("90000")},
                            {"File2", "EndTime", both("90000"), both("90000")},
                            {"File2", "LogMode", both("12"), both("12")},
                            {"File2", "SampleCount", both("0"), both("0")},
                            {"General", "DataFiles", both("2"), both("2")},
                            {"WellInfo", "EndDepth", both("14250"), both("14250")},
                        });
    EXPECT_EQ(ProfileDocument::parse(headerText()).sectionNames().back(), "File2");

    // Stop at 130.75 m after 100 s with 120 records in file 2; the first record of file 1
    // read back at 12.625 m.
    ASSERT_TRUE(header.WriteRecordingStop(headerPath(), 12.625, {2, 130.75, 100000, 120}, mode()));
    expectKeys("stop", {
                           {"WellInfo", "Startdepth", both("12625"), both("12625")},
                           {"File1", "StartDepth", both("12625"), both("12625")},
                           {"WellInfo", "EndDepth", both("130750"), both("130750")},
                           {"File2", "EndDepth", both("130750"), both("130750")},
                           {"File1", "EndDepth", both("112500"), both("112500")},
                           {"DephtImperialInfo", "EndDepth", none, both("428.97")},
                           {"File2", "EndDepthInFeet", none, both("428.97")},
                           {"WellInfo", "EndTime", both("100000"), both("100000")},
                           {"File2", "EndTime", both("100000"), both("100000")},
                           {"File2", "SampleCount", both("120"), both("120")},
                           {"File1", "SampleCount", both("900"), both("900")},
                       });
    // Without a readable first record the start depth stays.
    ASSERT_TRUE(
        header.WriteRecordingStop(headerPath(), std::nullopt, {2, 131.0, 100100, 121}, mode()));
    expectKeys("stop again", {{"WellInfo", "Startdepth", both("12625"), both("12625")},
                              {"WellInfo", "EndDepth", both("131000"), both("131000")}});

    EXPECT_FALSE(reader.ReadHeader(headerPath(), 2));
    const HeaderInfo& h = reader.Info();
    EXPECT_EQ(h.DataFiles, 2);
    EXPECT_EQ(h.Startdepth, 12625);
    EXPECT_EQ(h.EndDepth, 131000);
    EXPECT_EQ(h.EndTime, 100100);
    EXPECT_EQ(h.LogMode, 12);
    EXPECT_EQ(h.FileName, "WELL1_2.lox");
    EXPECT_EQ(h.FileStartDepth, 112500);
    EXPECT_EQ(h.FileEndDepth, 131000);
    EXPECT_EQ(h.FileSampleCount, 121);
    EXPECT_EQ(h.Company, "company"); // the well information survives every update
    EXPECT_EQ(h.BitRecTo[2], 83.0);
}

INSTANTIATE_TEST_SUITE_P(DepthUnits, Recording, ::testing::Values(0, 1),
                         [](const auto& info) { return info.param ? "Feet" : "Metres"; });

TEST_F(HeaderFile, RecordingUpWritesLogMode11) {
    ASSERT_TRUE(header.WriteRecordingStart(headerPath(), configuration(0), sondeTable(false), false,
                                           200.0));
    ASSERT_TRUE(header.WriteFileOpened(headerPath(), 2, "WELL1_2.lox", 100.0, 10, false,
                                       HeaderMode::Metric));
    const std::string text = headerText();
    EXPECT_EQ(keyOf(text, "WellInfo", "LogMode"), "11");
    EXPECT_EQ(keyOf(text, "File1", "LogMode"), "11");
    EXPECT_EQ(keyOf(text, "File2", "LogMode"), "11");
}

TEST_F(HeaderFile, TheRepairWritesTheEndOfTheLastFile) {
    for (const HeaderMode mode : {HeaderMode::Metric, HeaderMode::Imperial}) {
        SCOPED_TRACE(mode == HeaderMode::Metric ? "metric" : "imperial");
        home.write("WELL1.hed",
                   crlf({"[General]", "DataFiles=3", "", "[WellInfo]", "Startdepth=1000",
                         "EndDepth=CORRUPT", "EndTime=0", "", "[File1]", "EndDepth=2000",
                         "SampleCount=9", "[File2]", "EndDepth=3000", "[File3]",
                         "FileName=WELL1_3.lox", "EndDepth=3000", "SampleCount=0"}));
        ASSERT_TRUE(
            header.WriteRepairedEnd(headerPath(), FileProgress{3, 3.4567, 61000, 40}, mode));
        const std::string text = headerText();
        EXPECT_EQ(keyOf(text, "WellInfo", "EndDepth"), "3456");
        EXPECT_EQ(keyOf(text, "File3", "EndDepth"), "3456");
        EXPECT_EQ(keyOf(text, "WellInfo", "EndTime"), "61000");
        EXPECT_EQ(keyOf(text, "File3", "EndTime"), "61000");
        EXPECT_EQ(keyOf(text, "File3", "SampleCount"), "40");
        EXPECT_EQ(keyOf(text, "File1", "EndDepth"), "2000");
        EXPECT_EQ(keyOf(text, "File1", "SampleCount"), "9");
        EXPECT_EQ(keyOf(text, "File2", "EndDepth"), "3000");
        const std::optional<std::string> feet =
            mode == HeaderMode::Imperial ? std::optional<std::string>("11.34") : std::nullopt;
        EXPECT_EQ(keyOf(text, "DephtImperialInfo", "EndDepth"), feet);
        EXPECT_EQ(keyOf(text, "File3", "EndDepthInFeet"), feet);
        EXPECT_FALSE(header.ReadHeader(headerPath(), 3));
        EXPECT_FALSE(header.Info().EndDepthCorrupt);
        EXPECT_EQ(header.Info().FileEndDepth, 3456);
        EXPECT_EQ(header.Info().FileSampleCount, 40);
    }
}

TEST_F(HeaderFile, AnUpdateThatCannotBeWrittenReportsFailure) {
    home.write("plain", "x");
    const std::filesystem::path bad = home.file("plain") / "WELL1.hed";
    EXPECT_FALSE(header.WritePeriodicUpdate(bad, {1, 1.0, 1, 1}, HeaderMode::Metric));
    EXPECT_FALSE(header.WriteRepairedEnd(bad, {1, 1.0, 1, 1}, HeaderMode::Metric));
    EXPECT_TRUE(messages.texts().empty()); // updates never open a box
}

// Groups of keys written from two threads, read from a third: every read must see the keys of
// one whole group, never some keys of one moment and some of another.
TEST_F(HeaderFile, UpdatesFromTwoThreadsNeverInterleave) {
    ASSERT_TRUE(header.WriteNewHeader(headerPath(), configuration(0), sondeTable(true)));
    constexpr int rounds = 40;
    std::atomic<int> running{2};
    const auto writer = [&](bool periodic) {
        for (int k = 1; k <= rounds; ++k) {
            const int v = periodic ? k : 1000 + k;
            const FileProgress p{1, double(v), v, v};
            if (periodic)
                EXPECT_TRUE(header.WritePeriodicUpdate(headerPath(), p, HeaderMode::Metric));
            else
                EXPECT_TRUE(
                    header.WriteRecordingStop(headerPath(), std::nullopt, p, HeaderMode::Metric));
        }
        --running;
    };
    std::thread decoding(writer, true);
    std::thread windows(writer, false);
    int reads = 0;
    int mixed = 0;
    do {
        ASSERT_FALSE(header.ReadHeader(headerPath()));
        const HeaderInfo& h = header.Info();
        const int v = h.EndTime;
        if (h.EndDepth != v * 1000 || h.FileEndDepth != v * 1000 || h.FileEndTime != v ||
            h.FileSampleCount != v)
            ++mixed;
        ++reads;
    } while (running > 0);
    decoding.join();
    windows.join();
    EXPECT_EQ(mixed, 0) << "of " << reads << " reads";
    ASSERT_FALSE(header.ReadHeader(headerPath()));
    const int last = header.Info().EndTime;
    EXPECT_TRUE(last == rounds || last == 1000 + rounds) << last;
    EXPECT_EQ(header.Info().FileSampleCount, last);
}

} // namespace
} // namespace zarn
