#include "acquisition/app/Preferences.h"
#include "acquisition/app/ConfigurationStore.h"
#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/TechnicalSwitchesStore.h"
#include "platform/FileIo.h"
#include "platform/Home.h"
#include "platform/ProfileDocument.h"
#include "platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace zarn {
namespace {

using Getter = double (*)(const Configuration&, const SondeTable&);
#define FIELD(expr)                                                                                \
    [](const Configuration& c, const SondeTable& t) -> double {                                    \
        (void)c;                                                                                   \
        (void)t;                                                                                   \
        return static_cast<double>(expr);                                                          \
    }

constexpr double Kept = -12345.0; // the field keeps what it had: the key is not read

// Every key: the value a file gives, and the default when the key is missing.
struct KeyCase {
    const char* section;
    const char* key;
    const char* stored;
    Getter field;
    double fromFile;
    double byDefault;
};

const KeyCase keyCases[] = {
    {"LumiLogger", "RefreshDelay", "4", FIELD(c.program.refreshTick), 32, 24},
    {"LumiLogger", "SampleDepthMode", "0", FIELD(c.surface.sampleDepthMode), 0, 1},
    {"LumiLogger", "UpGain", "40", FIELD(c.surface.upholeGain), 40, 25},
    {"LumiLogger", "UpGain", "40", FIELD(c.logger.upholeGain), 40, 25},
    {"LumiLogger", "UpBaudDivisor", "12", FIELD(c.surface.upholeBaudDivisor), 12, 10},
    {"LumiLogger", "DepthMemo", "123.25", FIELD(c.surface.depthMemo), 123.25, 0},
    {"LumiLogger", "PicBkgColor", "3", FIELD(c.surface.pictureBackgroundColour), 3, 0},
    {"LumiLogger", "PicForeColor", "7", FIELD(c.surface.pictureForegroundColour), 7, 5},
    {"LumiLogger", "RefreshTravelDialog", "1", FIELD(c.surface.refreshTravelDialog), 1, 0},
    {"LumiLogger", "SondeUsed", "4", FIELD(t.selected), 4, 0},
    {"LumiLogger", "OrientationMode", "2", FIELD(c.logger.orientationMode), 2, 0},
    {"LumiLogger", "SetDepthUnit", "1", FIELD(c.program.depthUnit), 1, 0},
    {"LumiLogger", "PulleyDir", "0", FIELD(c.logger.pulleyDirection), 0, 1},
    {"LumiLogger", "CableType", "2", FIELD(c.logger.cableType), 2, 0},
    {"LumiLogger", "DownEnergie", "22", FIELD(c.logger.downholeEnergy), 22, 15},
    {"LumiLogger", "MagneticOffset", "-3.5", FIELD(c.logger.magneticOffset), -3.5, 0},
    {"LumiLogger", "Power", "120", FIELD(c.logger.sondeSupplyVoltage), 120, 100},
    {"LumiLogger", "PulleysDiameter", "6123", FIELD(c.program.wheelCircumferenceMm), 612.3, 500},
    // Read only while the depth unit is 1 (as in the stored set, not in the empty file).
    {"LumiLogger", "PulleyCircumInch", "24.5", FIELD(c.program.wheelCircumferenceInch), 24.5, Kept},
    {"LumiLogger", "PulsResolution", "2000", FIELD(c.logger.pulsesPerTurn), 2000, 1000},
    {"LumiLogger", "UpholePulseWidth", "18", FIELD(c.logger.upholePulseWidth), 18, 15},
    {"LumiLogger", "ENCDIV", "300", FIELD(c.program.encoderDivider), 300, 150},
    {"LumiLogger", "SecondRecall", "yes", FIELD(c.program.secondRecall), 1, 0},
    {"LumiLogger", "SilenceMode", "yes", FIELD(c.program.silenceMode), 1, 0},
    {"LumiLogger", "ModeEZKit", "yes", FIELD(c.program.modeEZKit), 1, 0},
    {"LumiLogger", "SplashScreenOff", "yes", FIELD(c.program.splash), 0, 1},
    {"LumiLogger", "GammaScale", "2", FIELD(c.logger.gammaScale), 2, 0},
    {"LumiLogger", "GammaMax", "5000", FIELD(c.logger.gammaMaximum), 5000, 2000},
    {"LumiLogger", "GammaIsAverage", "yes", FIELD(c.logger.gammaIsAverage), 1, 0},
    {"LumiLogger", "GammaFilter", "33", FIELD(c.logger.gammaFilter), 33, 20},
    {"LumiLogger", "Shutter", "12", FIELD(c.logger.shutter), 12, 10},
    {"LumiLogger", "LightPower", "15", FIELD(c.logger.lightPower), 15, 10},
    {"LumiLogger", "Resolution", "100", FIELD(c.logger.imageResolution), 100, 116},
    {"LumiLogger", "Quality", "7", FIELD(c.logger.imageQuality), 7, 4},
    {"LumiLogger", "RedGain", "200", FIELD(c.logger.redGain), 200, 223},
    {"LumiLogger", "GreenGain", "150", FIELD(c.logger.greenGain), 150, 186},
    {"LumiLogger", "BlueGain", "100", FIELD(c.logger.blueGain), 100, 255},
    {"LumiLogger", "Radius", "400", FIELD(c.logger.imageCircleRadius), 400, 318},
    {"LumiLogger", "Center_x", "700", FIELD(c.logger.imageCircleCentreX), 700, 652},
    {"LumiLogger", "Center_y", "500", FIELD(c.logger.imageCircleCentreY), 500, 600},
    {"LumiLogger", "HoleDiam", "30", FIELD(c.logger.holeDiameter), 30, 15},
    {"LumiLogger", "ProbeSpd", "200", FIELD(c.logger.probeSpeed), 200, 20},
    {"LumiLogger", "BayerResol", "4", FIELD(c.logger.bayerResolution), 4, 9},
    {"LumiLogger", "CaptAdjPeriod", "50", FIELD(c.logger.captureAdjustPeriod), 50, 20},
    {"LumiLogger", "WCalRadius", "250", FIELD(c.logger.whiteCalibrationRadius), 250, 0},
    {"LumiLogger", "ResolIdx", "2", FIELD(c.logger.resolutionIndex), 2, 3},
    {"LumiLogger", "FilterCutOffFreq", "60000", FIELD(c.logger.filterCutOffFrequency), 60000,
     64768},
    {"LumiLogger", "UseGreyCal", "1", FIELD(c.logger.useGreyCalibration), 1, 0},
    {"LumiLogger", "RecordSplitFile", "250", FIELD(c.program.recordSplit), 250, 100},
    {"LASGenerator", "ExportSpeed", "no", FIELD(c.program.las.speed), 0, 1},
    {"LASGenerator", "ExportIncl", "no", FIELD(c.program.las.inclination), 0, 1},
    {"LASGenerator", "ExportAzimuth", "no", FIELD(c.program.las.azimuth), 0, 1},
    {"LASGenerator", "ExportRoll", "no", FIELD(c.program.las.roll), 0, 1},
    {"LASGenerator", "ExportMroll", "no", FIELD(c.program.las.magneticRoll), 0, 1},
    {"LASGenerator", "ExportTgrav", "no", FIELD(c.program.las.totalGravity), 0, 1},
    {"LASGenerator", "ExportTDelta", "no", FIELD(c.program.las.tDelta), 0, 1},
    {"LASGenerator", "ExportTgauss", "no", FIELD(c.program.las.totalMagnetic), 0, 1},
    {"LASGenerator", "ExportRaw", "no", FIELD(c.program.las.raw), 0, 1},
    {"LASGenerator", "ExportGamm", "no", FIELD(c.program.las.gamma), 0, 1},
    {"LASGenerator", "ExportInclGroup", "no", FIELD(c.program.las.inclinationGroup), 0, 1},
    {"LASGenerator", "ExportInterval", "5", FIELD(c.program.las.exportInterval), 5, 0},
    {"BMPGenerator", "UserBMPDecimal", "2", FIELD(c.program.picture.decimals), 2, 4},
    {"BMPGenerator", "UserBMPMode", "8", FIELD(c.program.picture.mode), 8, 24},
    {"BMPGenerator", "UserBMPType", "1", FIELD(c.program.picture.type), 1, 0},
    {"BMPGenerator", "UserBMPScaleColor", "0", FIELD(c.program.picture.scaleColour), 0, 2},
    {"BMPGenerator", "UserLgxInterpol", "1", FIELD(c.program.picture.lgxInterpolation), 1, 0},
    {"BMPGenerator", "UseLVViewer", "yes", FIELD(c.program.picture.useViewer), 1, 0},
    {"BMPGenerator", "UseiExplorer", "yes", FIELD(c.program.picture.useBrowser), 1, 0},
    {"BMPGenerator", "UseBicubic", "yes", FIELD(c.program.picture.useBicubic), 1, 0},
    // Working fields of the logger block, set by every load whatever they held.
    {"LumiLogger", "", "", FIELD(c.logger.viewMode), 0, 0},
    {"LumiLogger", "", "", FIELD(c.logger.greyCalibrationTrigger), 0, 0},
    {"LumiLogger", "", "", FIELD(c.logger.workingWord1), 0, 0},
    {"LumiLogger", "", "", FIELD(c.logger.workingByte), 0, 0},
    {"LumiLogger", "", "", FIELD(c.logger.workingWord2), 4096, 4096},
    {"LumiLogger", "", "", FIELD(c.logger.flashWord), 0, 0},
    {"LumiLogger", "", "", FIELD(c.paths.locale), 0, 0},
};

// The configuration file with every key of keyCases, sections in order of appearance.
std::string storedFile() {
    ProfileDocument doc;
    for (const KeyCase& k : keyCases)
        if (*k.key && !doc.get(k.section, k.key))
            doc.set(k.section, k.key, k.stored);
    doc.set("LumiLogger", "Tempdir", "/scratch/tmp");
    doc.set("LumiLogger", "FileName", "Well7.lox");
    doc.set("LumiLogger", "LastFile", "/data/logs/Well7.hed");
    doc.set("LumiLogger", "DataFile", "/data/logs/Well7.lox");
    doc.set("LumiLogger", "FilePath", "/data/logs");
    return doc.serialize();
}

std::optional<std::string> valueIn(const std::string& text, std::string_view section,
                                   std::string_view key) {
    return ProfileDocument::parse(text).get(section, key);
}

// A fresh program folder for one case of a table, inside the test's home; the test's home is
// the program folder again afterwards.
class CaseHome {
public:
    explicit CaseHome(const std::filesystem::path& parent) {
        static int serial = 0;
        path_ = parent / ("case" + std::to_string(serial++));
        std::filesystem::create_directories(path_);
        Home::setOverride(path_);
    }
    ~CaseHome() { Home::setOverride({}); }
    CaseHome(const CaseHome&) = delete;
    CaseHome& operator=(const CaseHome&) = delete;
    std::filesystem::path file(const std::string& name) const { return path_ / name; }
    void write(const std::string& name, const std::string& bytes) const {
        ASSERT_TRUE(writeFileAtomically(file(name), bytes));
    }
    std::string read(const std::string& name) const {
        return readWholeFile(file(name)).value_or("");
    }

private:
    std::filesystem::path path_;
};

class PreferencesTest : public ::testing::Test {
protected:
    void TearDown() override { DiagnosticLogs::instance().setSwitches(TechnicalSwitches{}); }

    // Loads the configuration from the given file text into config and sondes.
    void loadText(const std::string& text) {
        home.write("LvZARN.cfg", text);
        load();
    }
    void load() {
        configStore.publish(config);
        CPreferences prefs(configStore, placements);
        prefs.Load();
        config = configStore.snapshot();
        sondes = prefs.Sondes();
    }
    std::string cfg() const { return home.read("LvZARN.cfg"); }
    std::string dir() const { return home.path().string() + "/"; }

    test::TempHome home;
    test::RecordingUserMessages messages;
    ConfigurationStore configStore;
    Configuration config; // what the store held after the last load
    WindowPlacementRecord placements;
    SondeTable sondes;
};

TEST_F(PreferencesTest, EveryKeyIsReadFromItsSection) {
    loadText(storedFile());
    for (const KeyCase& k : keyCases)
        EXPECT_DOUBLE_EQ(k.field(config, sondes), k.fromFile) << k.section << " " << k.key;
    EXPECT_EQ(config.paths.temporaryFolder, "/scratch/tmp");
    EXPECT_EQ(config.paths.fileName, "Well7.lox");
    EXPECT_EQ(config.paths.lastHeader, "/data/logs/Well7.hed");
    EXPECT_EQ(config.paths.dataFile, "/data/logs/Well7.lox");
    EXPECT_EQ(config.paths.filePath, "/data/logs");
    EXPECT_EQ(config.paths.configurationPath, dir() + "LvZARN.cfg");
    // Nothing was out of range and no demo set was needed: the file is as it was.
    EXPECT_EQ(cfg(), storedFile());
}

TEST_F(PreferencesTest, AnEmptyFileGivesEveryDefaultEvenOverEarlierValues) {
    loadText(storedFile()); // every field away from its default first
    loadText("");
    for (const KeyCase& k : keyCases) {
        const double expected = k.byDefault == Kept ? k.fromFile : k.byDefault;
        EXPECT_DOUBLE_EQ(k.field(config, sondes), expected) << k.section << " " << k.key;
    }
    EXPECT_EQ(config.paths.temporaryFolder, std::filesystem::temp_directory_path().string());
}

TEST_F(PreferencesTest, AnEmptyFileGetsTheDemoSetWrittenBackAndNothingElse) {
    loadText("");
    EXPECT_EQ(config.paths.fileName, "Demo.lox");
    EXPECT_EQ(config.paths.lastHeader, dir() + "Demo/Demo.HED");
    EXPECT_EQ(config.paths.dataFile, dir() + "Demo/Demo.lox");
    EXPECT_EQ(config.paths.filePath, dir() + "Demo");
    EXPECT_EQ(cfg(), "[LumiLogger]\r\nFileName=Demo.lox\r\nLastFile=" + dir() +
                         "Demo/Demo.HED\r\nDataFile=" + dir() +
                         "Demo/Demo.lox\r\nFilePath=" + dir() + "Demo\r\n");
}

TEST_F(PreferencesTest, OutOfRangeValuesAreCorrectedAndOnlyRefreshDelayIsWrittenBack) {
    const struct {
        const char* key;
        const char* stored;
        Getter field;
        double expected;
        const char* fileAfter; // the key's text in the file after the load
    } cases[] = {
        {"RefreshDelay", "9", FIELD(c.program.refreshTick), 40, "5"},
        {"RefreshDelay", "0", FIELD(c.program.refreshTick), 8, "1"},
        {"RefreshDelay", "-3", FIELD(c.program.refreshTick), 8, "1"},
        {"RefreshDelay", "5", FIELD(c.program.refreshTick), 40, "5"},
        {"RefreshDelay", "1", FIELD(c.program.refreshTick), 8, "1"},
        {"SetDepthUnit", "7", FIELD(c.program.depthUnit), 2, "7"},
        {"SetDepthUnit", "-1", FIELD(c.program.depthUnit), 0, "-1"},
        {"SetDepthUnit", "2", FIELD(c.program.depthUnit), 2, "2"},
        {"PulleyDir", "5", FIELD(c.logger.pulleyDirection), 1, "5"},
        {"PulleyDir", "-1", FIELD(c.logger.pulleyDirection), 1, "-1"},
        {"GammaScale", "3", FIELD(c.logger.gammaScale), 0, "3"},
        {"GammaScale", "-1", FIELD(c.logger.gammaScale), 0, "-1"},
        {"GammaMax", "99", FIELD(c.logger.gammaMaximum), 2000, "99"},
        {"GammaMax", "100", FIELD(c.logger.gammaMaximum), 100, "100"},
        {"GammaMax", "100000", FIELD(c.logger.gammaMaximum), 100000, "100000"},
        {"GammaMax", "100001", FIELD(c.logger.gammaMaximum), 2000, "100001"},
        {"GammaFilter", "51", FIELD(c.logger.gammaFilter), 20, "51"},
        {"GammaFilter", "-1", FIELD(c.logger.gammaFilter), 20, "-1"},
        {"GammaFilter", "50", FIELD(c.logger.gammaFilter), 50, "50"},
        {"Shutter", "0", FIELD(c.logger.shutter), 1, "0"},
        {"Shutter", "300", FIELD(c.logger.shutter), 24, "300"}, // 300 keeps 44 in 8 bits
        {"Shutter", "257", FIELD(c.logger.shutter), 1, "257"},  // 257 keeps 1
        {"Shutter", "25", FIELD(c.logger.shutter), 24, "25"},
        {"Shutter", "-1", FIELD(c.logger.shutter), 24, "-1"}, // 255
        {"LightPower", "0", FIELD(c.logger.lightPower), 1, "0"},
        {"LightPower", "21", FIELD(c.logger.lightPower), 20, "21"},
        {"LightPower", "259", FIELD(c.logger.lightPower), 3, "259"},
        {"Resolution", "300", FIELD(c.logger.imageResolution), 44, "300"},
        {"RedGain", "256", FIELD(c.logger.redGain), 0, "256"},
        {"Radius", "65854", FIELD(c.logger.imageCircleRadius), 318, "65854"},
        {"HoleDiam", "4", FIELD(c.logger.holeDiameter), 5, "4"},
        {"HoleDiam", "260", FIELD(c.logger.holeDiameter), 5, "260"}, // 4 in 8 bits
        {"ProbeSpd", "256", FIELD(c.logger.probeSpeed), 255, "256"},
        {"ProbeSpd", "65566", FIELD(c.logger.probeSpeed), 30, "65566"},
        {"BayerResol", "5", FIELD(c.logger.bayerResolution), 9, "5"},
        {"BayerResol", "260", FIELD(c.logger.bayerResolution), 4, "260"},
        {"CaptAdjPeriod", "10", FIELD(c.logger.captureAdjustPeriod), 40, "10"},
        {"CaptAdjPeriod", "61", FIELD(c.logger.captureAdjustPeriod), 40, "61"},
        {"CaptAdjPeriod", "20", FIELD(c.logger.captureAdjustPeriod), 20, "20"},
        {"CaptAdjPeriod", "60", FIELD(c.logger.captureAdjustPeriod), 60, "60"},
        {"CaptAdjPeriod", "276", FIELD(c.logger.captureAdjustPeriod), 20, "276"},
        {"FilterCutOffFreq", "54999", FIELD(c.logger.filterCutOffFrequency), 64768, "54999"},
        {"FilterCutOffFreq", "55000", FIELD(c.logger.filterCutOffFrequency), 55000, "55000"},
        {"FilterCutOffFreq", "65000", FIELD(c.logger.filterCutOffFrequency), 65000, "65000"},
        {"FilterCutOffFreq", "65001", FIELD(c.logger.filterCutOffFrequency), 64768, "65001"},
        {"FilterCutOffFreq", "120536", FIELD(c.logger.filterCutOffFrequency), 55000, "120536"},
        {"ENCDIV", "65686", FIELD(c.program.encoderDivider), 150, "65686"},
        {"UpGain", "abc", FIELD(c.logger.upholeGain), 0, "abc"},
        {"MagneticOffset", "1,5", FIELD(c.logger.magneticOffset), 1.5, "1,5"},
        {"MagneticOffset", "1.5", FIELD(c.logger.magneticOffset), 1.5, "1.5"},
        {"MagneticOffset", "-2,25", FIELD(c.logger.magneticOffset), -2.25, "-2,25"},
        {"MagneticOffset", "nan", FIELD(c.logger.magneticOffset), 0, "nan"},
        {"DepthMemo", "1e999", FIELD(c.surface.depthMemo), 0, "1e999"},
        {"SilenceMode", "YES", FIELD(c.program.silenceMode), 1, "YES"},
        {"SilenceMode", "1", FIELD(c.program.silenceMode), 1, "1"},
        {"SilenceMode", "2", FIELD(c.program.silenceMode), 0, "2"},
        {"SilenceMode", "No", FIELD(c.program.silenceMode), 0, "No"},
        {"GammaIsAverage", "1", FIELD(c.logger.gammaIsAverage), 1, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.stored);
        CaseHome caseHome(home.path());
        config = Configuration{};
        caseHome.write("LvZARN.cfg", std::string("[LumiLogger]\r\n") + c.key + "=" + c.stored +
                                         "\r\nFilePath=/data\r\n");
        load();
        EXPECT_DOUBLE_EQ(c.field(config, sondes), c.expected);
        EXPECT_EQ(valueIn(caseHome.read("LvZARN.cfg"), "LumiLogger", c.key), c.fileAfter);
    }
}

TEST_F(PreferencesTest, UpGainIsReadTwiceSoOnlyAnAbsentKeyGives25) {
    loadText("[LumiLogger]\r\nUpGain=0\r\n");
    EXPECT_EQ(config.surface.upholeGain, 0);
    EXPECT_EQ(config.logger.upholeGain, 0);
    loadText("[LumiLogger]\r\nUpBaudDivisor=3\r\n");
    EXPECT_EQ(config.surface.upholeGain, 25);
    EXPECT_EQ(config.logger.upholeGain, 25);
}

TEST_F(PreferencesTest, InchCircumferenceIsReadAndWrittenOnlyInFeet) {
    const struct {
        int unit;
        double inMemory;
        const char* fileAfterSave;
    } cases[] = {{0, 11.0, "30.5"}, {2, 11.0, "30.5"}, {1, 30.5, "30.500000"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        CaseHome caseHome(home.path());
        caseHome.write("LvZARN.cfg", "[LumiLogger]\r\nPulleyCircumInch=30.5\r\nSetDepthUnit=" +
                                         std::to_string(c.unit) + "\r\n");
        config = Configuration{};
        config.program.wheelCircumferenceInch = 11.0;
        configStore.publish(config);
        CPreferences prefs(configStore, placements);
        prefs.Load();
        EXPECT_DOUBLE_EQ(configStore.snapshot().program.wheelCircumferenceInch, c.inMemory);
        // An edit of the store is saved by the preferences.
        ASSERT_TRUE(configStore.edit(
            [](Configuration& edited) { edited.program.wheelCircumferenceInch = 30.5; }));
        EXPECT_EQ(valueIn(caseHome.read("LvZARN.cfg"), "LumiLogger", "PulleyCircumInch"),
                  c.fileAfterSave);
    }
    // Never added to a file that lacks it while the unit is metres.
    config = Configuration{};
    config.program.depthUnit = 0;
    configStore.publish(config);
    CPreferences prefs(configStore, placements);
    EXPECT_TRUE(prefs.Save());
    EXPECT_EQ(valueIn(cfg(), "LumiLogger", "PulleyCircumInch"), std::nullopt);
}

TEST_F(PreferencesTest, SaveWritesTheSettingsKeysInTheirOrderAndForms) {
    Configuration& c = config;
    c.program.recordSplit = 250;
    c.logger.orientationMode = 1;
    c.logger.pulleyDirection = 7; // any non-zero direction is 1
    c.logger.cableType = 2;
    c.logger.downholeEnergy = 22;
    c.surface.upholeGain = 40;
    c.logger.upholeGain = 7; // replaced by the surface value
    c.logger.upholePulseWidth = 18;
    c.surface.upholeBaudDivisor = 12;
    c.logger.gammaShown = 3;
    c.logger.gammaScale = 2;
    c.logger.gammaMaximum = 5000;
    c.logger.gammaIsAverage = 1;
    c.logger.gammaFilter = 33;
    c.logger.magneticOffset = -0.456;
    c.logger.sondeSupplyVoltage = 120;
    c.program.wheelCircumferenceMm = 612.37;
    c.logger.pulsesPerTurn = 2000;
    c.program.depthUnit = 1;
    c.program.wheelCircumferenceInch = 24.5;
    c.logger.shutter = 12;
    c.logger.lightPower = 15;
    c.logger.imageResolution = 100;
    c.logger.imageQuality = 7;
    c.logger.captureAdjustPeriod = 50;
    c.logger.filterCutOffFrequency = 60000;
    c.logger.redGain = 200;
    c.logger.greenGain = 150;
    c.logger.blueGain = 100;
    c.logger.imageCircleRadius = 400;
    c.logger.imageCircleCentreX = 700;
    c.logger.imageCircleCentreY = 500;
    c.logger.bayerResolution = 4;
    c.logger.whiteCalibrationRadius = 250;
    c.logger.resolutionIndex = 2;
    // Read-only and run-time values are never written.
    c.program.encoderDivider = 77;
    c.logger.holeDiameter = 9;
    c.logger.probeSpeed = 99;
    c.logger.useGreyCalibration = 1;
    c.program.secondRecall = true;
    c.program.silenceMode = true;
    c.program.modeEZKit = true;
    c.program.splash = false;
    c.program.refreshTick = 16;

    configStore.publish(config);
    CPreferences prefs(configStore, placements);
    prefs.Sondes().selected = 3;
    EXPECT_TRUE(prefs.Save());
    EXPECT_EQ(cfg(), "[LumiLogger]\r\n"
                     "RecordSplitFile=250\r\nOrientationMode=1\r\nPulleyDir=1\r\nCableType=2\r\n"
                     "SondeUsed=3\r\nDownEnergie=22\r\nUpGain=40\r\nUpholePulseWidth=18\r\n"
                     "UpBaudDivisor=12\r\nShownGamma=1\r\nGammaScale=2\r\nGammaMax=5000\r\n"
                     "GammaIsAverage=yes\r\nGammaFilter=33\r\nMagneticOffset=-0.46\r\n"
                     "Power=120\r\nPulleysDiameter=6123\r\nPulsResolution=2000\r\n"
                     "PulleyCircumInch=24.500000\r\nSetDepthUnit=1\r\nShutter=12\r\n"
                     "LightPower=15\r\nResolution=100\r\nQuality=7\r\nCaptAdjPeriod=50\r\n"
                     "FilterCutOffFreq=60000\r\nRedGain=200\r\nGreenGain=150\r\nBlueGain=100\r\n"
                     "Radius=400\r\nCenter_x=700\r\nCenter_y=500\r\nBayerResol=4\r\n"
                     "WCalRadius=250\r\nResolIdx=2\r\n");
    EXPECT_EQ(configStore.snapshot().logger.upholeGain, 40);
}

TEST_F(PreferencesTest, SaveFormsOfTheOffsetAndTheWheel) {
    const struct {
        double offset;
        const char* offsetText;
        double wheelMm;
        const char* wheelText;
    } cases[] = {
        {0.0, "0.00", 500.0, "5000"},
        {1.5, "1.50", 612.37, "6123"},
        {180.0, "180.00", 0.05, "0"},
        {-0.004, "-0.00", -12.34, "-123"},
        {359.999, "360.00", 1e12, "2147483647"},
    };
    for (const auto& c : cases) {
        config.logger.magneticOffset = c.offset;
        config.program.wheelCircumferenceMm = c.wheelMm;
        configStore.publish(config);
        CPreferences prefs(configStore, placements);
        EXPECT_TRUE(prefs.Save());
        EXPECT_EQ(valueIn(cfg(), "LumiLogger", "MagneticOffset"), c.offsetText) << c.offset;
        EXPECT_EQ(valueIn(cfg(), "LumiLogger", "PulleysDiameter"), c.wheelText) << c.wheelMm;
    }
}

TEST_F(PreferencesTest, SavedSettingsComeBackAfterALoad) {
    loadText(storedFile());
    const Configuration saved = config;
    const SondeTable savedSondes = sondes;
    {
        CPreferences prefs(configStore, placements);
        prefs.Sondes() = sondes;
        EXPECT_TRUE(prefs.Save());
        EXPECT_TRUE(prefs.SaveFiles());
    }
    // A file made only of what Save and SaveFiles wrote.
    const std::string written = cfg();
    CaseHome other(home.path());
    other.write("LvZARN.cfg", written);
    config = Configuration{};
    load();
    const char* const savedKeys[] = {
        "RecordSplitFile",  "OrientationMode",  "PulleyDir",    "CableType",
        "SondeUsed",        "DownEnergie",      "UpGain",       "UpholePulseWidth",
        "UpBaudDivisor",    "GammaScale",       "GammaMax",     "GammaIsAverage",
        "GammaFilter",      "MagneticOffset",   "Power",        "PulleysDiameter",
        "PulsResolution",   "PulleyCircumInch", "SetDepthUnit", "Shutter",
        "LightPower",       "Resolution",       "Quality",      "CaptAdjPeriod",
        "FilterCutOffFreq", "RedGain",          "GreenGain",    "BlueGain",
        "Radius",           "Center_x",         "Center_y",     "BayerResol",
        "WCalRadius",       "ResolIdx"};
    for (const char* key : savedKeys)
        for (const KeyCase& k : keyCases)
            if (std::string_view(k.key) == key) {
                EXPECT_DOUBLE_EQ(k.field(config, sondes), k.field(saved, savedSondes)) << key;
            }
    EXPECT_EQ(config.paths.temporaryFolder, saved.paths.temporaryFolder);
    EXPECT_EQ(config.paths.lastHeader, saved.paths.lastHeader);
    EXPECT_EQ(config.paths.fileName, saved.paths.fileName);
    EXPECT_EQ(config.paths.filePath, saved.paths.filePath);
    EXPECT_EQ(config.paths.dataFile, saved.paths.dataFile);
}

TEST_F(PreferencesTest, ReadOnlyKeysAreNeverWritten) {
    CPreferences prefs(configStore, placements);
    ASSERT_TRUE(prefs.Init());
    ASSERT_TRUE(configStore.edit([](Configuration& c) {
        c.program.encoderDivider = 3;
        c.logger.holeDiameter = 40;
        c.logger.probeSpeed = 30;
        c.logger.useGreyCalibration = 1;
        c.program.secondRecall = true;
    }));
    EXPECT_TRUE(prefs.SaveFiles());
    const std::string text = cfg();
    for (const char* key : {"ENCDIV", "SecondRecall", "SilenceMode", "ModeEZKit", "SplashScreenOff",
                            "HoleDiam", "ProbeSpd", "UseGreyCal", "RefreshDelay"})
        EXPECT_EQ(valueIn(text, "LumiLogger", key), std::nullopt) << key;
}

TEST_F(PreferencesTest, SaveFilesWritesThePathKeysWholeAndThePlacementFile) {
    CPreferences prefs(configStore, placements);
    ASSERT_TRUE(prefs.Init());
    const std::string longFolder = "/data/" + std::string(600, 'x');
    configStore.modify([&](Configuration& c) {
        c.paths.temporaryFolder = "/scratch";
        c.paths.lastHeader = longFolder + "/Well 7.hed";
        c.paths.fileName = "Well 7.lox";
        c.paths.filePath = longFolder;
        c.paths.dataFile = longFolder + "/Well 7.lox";
    });
    placements[PlacedWindow::CameraControl] =
        WindowPlacement{44, 2, 1, {1, 2}, {3, 4}, {5, 6, 7, 8}};
    EXPECT_TRUE(prefs.SaveFiles());

    const std::string text = cfg();
    EXPECT_EQ(valueIn(text, "LumiLogger", "Tempdir"), "/scratch");
    EXPECT_EQ(valueIn(text, "LumiLogger", "LastFile"), longFolder + "/Well 7.hed");
    EXPECT_EQ(valueIn(text, "LumiLogger", "FileName"), "Well 7.lox");
    EXPECT_EQ(valueIn(text, "LumiLogger", "FilePath"), longFolder);
    EXPECT_EQ(valueIn(text, "LumiLogger", "DataFile"), longFolder + "/Well 7.lox");
    const auto dat = readWholeFile(home.file("LvZARN.dat"));
    ASSERT_TRUE(dat);
    EXPECT_EQ(*dat, placements.encode());
}

TEST_F(PreferencesTest, KeysTheProgramDoesNotKnowSurviveLoadAndSaves) {
    const std::string original = "; the operator's notes\r\n"
                                 "[LumiLogger]\r\n"
                                 "MyOwnKey=keep me\r\n"
                                 "shutter=5\r\n"
                                 "; about the winch\r\n"
                                 "FilePath=/data\r\n"
                                 "[Operator]\r\n"
                                 "Crew=North\r\n";
    CPreferences prefs(configStore, placements);
    home.write("LvZARN.cfg", original);
    ASSERT_TRUE(prefs.Init());
    ASSERT_TRUE(configStore.edit([](Configuration& c) { c.logger.shutter = 12; }));
    EXPECT_TRUE(prefs.SaveFiles());
    const std::string text = cfg();
    EXPECT_EQ(text.rfind("; the operator's notes\r\n[LumiLogger]\r\nMyOwnKey=keep me\r\n"
                         "shutter=12\r\n; about the winch\r\nFilePath=/data\r\n",
                         0),
              0u)
        << text;
    EXPECT_EQ(valueIn(text, "Operator", "Crew"), "North");
    EXPECT_NE(text.find("[Operator]\r\nCrew=North\r\n"), std::string::npos);
}

TEST_F(PreferencesTest, DamagedConfigurationFilesLoadWithDefaults) {
    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& ch : noise)
        ch = static_cast<char>(random());
    const std::string cases[] = {
        std::string("\0\0\0\0\x01\xff", 6),
        noise,
        "[LumiLog",
        "[LumiLogger",
        "[LumiLogger]\r\nUpGa",
        "=\r\n==\r\n[]\r\n[\r\n]\r\n",
        "[LumiLogger]\r\n" + std::string(200000, 'A') + "\r\n",
        "\xEF\xBB\xBF[Other]\nUpGain=3\n",
    };
    for (const std::string& text : cases) {
        SCOPED_TRACE(text.substr(0, 20));
        config = Configuration{};
        loadText(text);
        EXPECT_EQ(config.surface.upholeGain, 25);
        EXPECT_EQ(config.logger.filterCutOffFrequency, 64768);
        EXPECT_EQ(config.program.refreshTick, 24);
        EXPECT_EQ(config.paths.fileName, "Demo.lox");
    }
    // A file cut in the middle of its last line keeps what it has.
    loadText("[LumiLogger]\r\nShutter=1");
    EXPECT_EQ(config.logger.shutter, 1);
}

TEST_F(PreferencesTest, InitLoadsConfigurationSondeAndPlacementsOnce) {
    home.write("LvZARN.cfg", "[LumiLogger]\r\nSondeUsed=3\r\nFilePath=/data\r\n");
    home.write("LvZARN.tol", "[Sonde3]\r\nSerialNumber=1234\r\nSondeLenght=170\r\n");
    WindowPlacementRecord stored;
    stored[PlacedWindow::LargeDepth] = WindowPlacement{44, 0, 1, {0, 0}, {0, 0}, {1, 2, 3, 4}};
    std::string datBytes = stored.encode();
    datBytes[0] = '\x07'; // not rewritten: the file stays as found
    home.write("LvZARN.dat", datBytes);

    config.paths.headerName = "left over";
    configStore.publish(config);
    CPreferences prefs(configStore, placements);
    ASSERT_TRUE(prefs.Init());
    config = configStore.snapshot();
    EXPECT_EQ(config.paths.programDirectory, dir());
    EXPECT_EQ(config.paths.headerName, "");
    EXPECT_EQ(prefs.Sondes().selected, 3);
    EXPECT_EQ(prefs.Sondes().selectedSerial(), 1234);
    EXPECT_EQ(prefs.Sondes().working.sondeLength, 170);
    EXPECT_EQ(placements, stored);
    EXPECT_EQ(home.read("LvZARN.dat"), datBytes);

    // Later calls do nothing.
    configStore.modify([](Configuration& c) { c.logger.shutter = 3; });
    EXPECT_FALSE(prefs.Init());
    EXPECT_EQ(configStore.snapshot().logger.shutter, 3);
}

TEST_F(PreferencesTest, AMissingOrShortPlacementFileGivesDefaultsAndKeepsTheConfiguredPaths) {
    const std::string configured = "[LumiLogger]\r\nTempdir=/scratch\r\nLastFile=/data/a.hed\r\n"
                                   "FilePath=/data\r\nFileName=a.lox\r\nDataFile=/data/a.lox\r\n";
    const std::optional<size_t> sizes[] = {std::nullopt, 0, 200, 280, 282};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size ? std::to_string(*size) : "no file");
        CaseHome caseHome(home.path());
        caseHome.write("LvZARN.cfg", configured);
        if (size)
            caseHome.write("LvZARN.dat", std::string(*size, '\x05'));
        placements[PlacedWindow::Main].length = 77;
        placements[PlacedWindow::LoggerSetup].length = 12;
        configStore.publish(Configuration{});
        CPreferences prefs(configStore, placements);
        ASSERT_TRUE(prefs.Init());
        config = configStore.snapshot();

        WindowPlacementRecord expected;
        expected[PlacedWindow::Main] = WindowPlacementRecord::defaultMainPlacement();
        EXPECT_EQ(placements, expected);
        EXPECT_EQ(caseHome.read("LvZARN.dat"), expected.encode());
        EXPECT_EQ(config.paths.temporaryFolder, "/scratch");
        EXPECT_EQ(config.paths.lastHeader, "/data/a.hed");
        EXPECT_EQ(config.paths.filePath, "/data");
        const std::string text = caseHome.read("LvZARN.cfg");
        EXPECT_EQ(valueIn(text, "LumiLogger", "Tempdir"), "/scratch");
        EXPECT_EQ(valueIn(text, "LumiLogger", "LastFile"), "/data/a.hed");
        EXPECT_EQ(valueIn(text, "LumiLogger", "FilePath"), "/data");
        EXPECT_EQ(valueIn(text, "LumiLogger", "DataFile"), "/data/a.lox");
    }
}

TEST_F(PreferencesTest, TechnicalSwitchesComeFromTheSettingsStore) {
    const struct {
        const char* tools;
        const char* debugging;
        const char* trace;
        const char* full;
        TechnicalSwitches expected;
    } cases[] = {
        {"true", "false", "false", "false", {true, false, false, false}},
        {"True ", " TRUE", "\ttrue\t", "tRuE", {true, true, true, true}},
        {"yes", "1", "truely", "", {false, false, false, false}},
        {"false", "false", "false", "true", {false, false, false, true}},
        {nullptr, "true", nullptr, nullptr, {false, true, false, false}},
    };
    for (const auto& c : cases) {
        CaseHome caseHome(home.path());
        config = Configuration{};
        SettingsStore store;
        const std::pair<std::string_view, const char*> values[] = {
            {TechnicalSwitchesStore::TechnicalToolsValue, c.tools},
            {TechnicalSwitchesStore::DebuggingToolsValue, c.debugging},
            {TechnicalSwitchesStore::DebuggingTraceValue, c.trace},
            {TechnicalSwitchesStore::FullTracingValue, c.full}};
        for (const auto& [name, value] : values) {
            if (value) {
                ASSERT_TRUE(
                    store.writeString("Software\\Lumivane\\ZARN\\TechnicalTools", name, value));
            }
        }
        load();
        const TechnicalSwitches& s = config.switches;
        EXPECT_EQ(s.technicalTools, c.expected.technicalTools) << c.tools;
        EXPECT_EQ(s.debuggingTools, c.expected.debuggingTools) << c.debugging;
        EXPECT_EQ(s.debuggingTrace, c.expected.debuggingTrace) << c.trace;
        EXPECT_EQ(s.fullTracing, c.expected.fullTracing) << c.full;
        const TechnicalSwitches handed = DiagnosticLogs::instance().switches();
        EXPECT_EQ(handed.technicalTools, s.technicalTools);
        EXPECT_EQ(handed.debuggingTools, s.debuggingTools);
        EXPECT_EQ(handed.debuggingTrace, s.debuggingTrace);
        EXPECT_EQ(handed.fullTracing, s.fullTracing);
    }
    // No key at all: everything off.
    CaseHome empty(home.path());
    config = Configuration{};
    config.switches = TechnicalSwitches{true, true, true, true};
    load();
    EXPECT_FALSE(config.switches.technicalTools || config.switches.debuggingTools ||
                 config.switches.debuggingTrace || config.switches.fullTracing);
}

TEST_F(PreferencesTest, DebuggingModeIsAnnouncedAndATraceRunStartsAFreshTrace) {
    const struct {
        TechnicalSwitches stored;
        bool announced;
        bool traceKept;
    } cases[] = {
        {{true, false, false, true}, false, true},
        {{false, true, false, false}, true, true},
        {{false, false, true, false}, true, false},
        {{false, true, true, false}, true, false},
    };
    for (const auto& c : cases) {
        CaseHome caseHome(home.path());
        config = Configuration{};
        const size_t shownBefore = messages.texts().size();
        SettingsStore store;
        ASSERT_TRUE(TechnicalSwitchesStore::write(store, c.stored));
        caseHome.write("Trace_ZARN.log", "[old run]\n");
        load();
        EXPECT_EQ(DiagnosticLogs::instance().traceLogPath(), caseHome.file("Trace_ZARN.log"));
        EXPECT_EQ(std::filesystem::exists(caseHome.file("Trace_ZARN.log")), c.traceKept);
        const auto texts = messages.texts();
        const std::vector<std::string> shown(texts.begin() + shownBefore, texts.end());
        EXPECT_EQ(shown, c.announced ? std::vector<std::string>{"Debugging mode!"}
                                     : std::vector<std::string>{});
    }
}

TEST_F(PreferencesTest, SaveFilesStoresTheSwitchesOnlyWhenAToolIsOn) {
    const struct {
        TechnicalSwitches switches;
        bool stored;
    } cases[] = {
        {{false, false, false, false}, false}, {{false, false, false, true}, false},
        {{true, false, false, false}, true},   {{false, true, false, true}, true},
        {{false, false, true, false}, true},
    };
    for (const auto& c : cases) {
        CaseHome caseHome(home.path());
        config.switches = c.switches;
        configStore.publish(config);
        CPreferences prefs(configStore, placements);
        EXPECT_TRUE(prefs.SaveFiles());
        const SettingsStore store;
        EXPECT_EQ(store.keyExists(TechnicalSwitchesStore::KeyPath), c.stored);
        if (!c.stored)
            continue;
        const auto text = [](bool on) { return std::string(on ? "true" : "false"); };
        const std::string_view key = TechnicalSwitchesStore::KeyPath;
        EXPECT_EQ(store.readString(key, "TechnicalTools"), text(c.switches.technicalTools));
        EXPECT_EQ(store.readString(key, "DebugingTools"), text(c.switches.debuggingTools));
        EXPECT_EQ(store.readString(key, "DebugingTrace"), text(c.switches.debuggingTrace));
        EXPECT_EQ(store.readString(key, "FullTracing"), text(c.switches.fullTracing));
    }
}

} // namespace
} // namespace zarn
