#include "acquisition/app/Preferences.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/SondeFile.h"
#include "acquisition/app/TechnicalSwitchesStore.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/Home.h"
#include "platform/SettingsStore.h"
#include "platform/UserMessages.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace zarn {
namespace {

constexpr const char* NoFile = "none";

// The value cut to its low 8 or 16 bits, as the record's narrow fields keep it.
std::uint8_t low8(int value) {
    return static_cast<std::uint8_t>(value);
}
std::uint16_t low16(int value) {
    return static_cast<std::uint16_t>(value);
}

template <class T> T clampTo(T value, T low, T high) {
    return value < low ? low : (value > high ? high : value);
}

// LvZARN.cfg of the path record, or in the program directory before the record names it.
std::filesystem::path configurationFileOf(const AppPaths& paths) {
    if (!paths.configurationPath.empty())
        return paths.configurationPath;
    return CPreferences::ProgramDirectory() + CPreferences::ConfigurationFileName;
}

// The default temporary folder: the system's.
std::string systemTempFolder() {
    std::error_code ec;
    const auto folder = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : folder.string();
}

} // namespace

CPreferences::CPreferences(ConfigurationStore& configuration, WindowPlacementRecord& placements)
    : CIni((Home::configDir() / ConfigurationFileName).string(), MainSection, true),
      store_(configuration), placements_(placements) {
    store_.setSaver(this, [this] { return writeConfiguration(); });
}

CPreferences::~CPreferences() {
    store_.dropSaver(this);
}

std::string CPreferences::ProgramDirectory() {
    std::string folder = Home::configDir().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::filesystem::path CPreferences::ConfigurationFile() const {
    return configurationFileOf(store_.snapshot().paths);
}

std::filesystem::path CPreferences::PlacementFile() const {
    const std::string folder = store_.snapshot().paths.programDirectory;
    return (folder.empty() ? ProgramDirectory() : folder) + PlacementFileName;
}

bool CPreferences::Init() {
    if (initialised_)
        return false;
    initialised_ = true;
    store_.modify([](Configuration& c) {
        c.paths = AppPaths{};
        c.paths.programDirectory = ProgramDirectory();
    });
    Load();
    SondeFile::Load(SondeFile::DefaultPath(), sondes_);
    loadPlacements();
    return true;
}

void CPreferences::bindConfiguration(const AppPaths& paths) {
    SetFile(configurationFileOf(paths).string(), true);
    SetSection(MainSection);
}

// Read into a copy and published whole: the file is never read under the store's lock. Runs
// before the link starts, so no working value of the link is overwritten.
void CPreferences::Load() {
    Configuration c = store_.snapshot();
    loadSwitches(c);
    if (c.paths.programDirectory.empty())
        c.paths.programDirectory = ProgramDirectory();
    c.paths.configurationPath = c.paths.programDirectory + ConfigurationFileName;
    bindConfiguration(c.paths);
    loadPaths(c);
    loadSurfaceAndWinch(c);
    loadFlags(c);
    loadGamma(c);
    loadCamera(c);
    loadExportChoices(c);
    // The working fields of the logger block start from their fixed values.
    LoggerParameters& lp = c.logger;
    lp.viewMode = 0;
    lp.greyCalibrationTrigger = 0;
    lp.workingWord1 = 0;
    lp.workingByte = 0;
    lp.flashWord = 0;
    lp.workingWord2 = 4096;
    c.program.recordSplit = GetInt("RecordSplitFile", 100, MainSection);
    store_.publish(c);
}

void CPreferences::loadSwitches(Configuration& c) {
    const SettingsStore store;
    c.switches = TechnicalSwitchesStore::read(store);
    DiagnosticLogs& logs = DiagnosticLogs::instance();
    logs.setFolder(Home::stateDir());
    logs.setSwitches(c.switches);
    if (c.switches.debuggingMode())
        UserMessages::current().notify(UserMessage{"Debugging mode!", "ZARN"});
    if (c.switches.debuggingTrace)
        logs.deleteTraceLog(); // each debugging-trace run starts a fresh trace
}

void CPreferences::loadPaths(Configuration& c) {
    AppPaths& paths = c.paths;
    paths.temporaryFolder = GetString("Tempdir", systemTempFolder());
    std::string fileName = GetString("FileName", NoFile);
    std::string lastFile = GetString("LastFile", NoFile);
    std::string dataFile = GetString("DataFile", NoFile);
    std::string filePath = GetString("FilePath", NoFile);
    if (filePath == NoFile) {
        // No work yet: point at the demonstration log and remember it.
        const std::string& dir = paths.programDirectory;
        fileName = "Demo.lox";
        lastFile = dir + "Demo/Demo.HED";
        dataFile = dir + "Demo/Demo.lox";
        filePath = dir + "Demo";
        // The demonstration paths are taken in memory all the same; a file that cannot be
        // written gets them at the next start.
        static_cast<void>(Batch([&] {
            // Inside the batch a write only changes the document and answers true.
            static_cast<void>(WriteString("FileName", fileName));
            static_cast<void>(WriteString("LastFile", lastFile));
            static_cast<void>(WriteString("DataFile", dataFile));
            static_cast<void>(WriteString("FilePath", filePath));
        }));
    }
    paths.fileName = fileName;
    paths.lastHeader = lastFile;
    paths.dataFile = dataFile;
    paths.filePath = filePath;
    paths.locale = 0;

    int refreshDelay = GetInt("RefreshDelay", 3);
    if (refreshDelay > 5 || refreshDelay < 1) {
        refreshDelay = clampTo(refreshDelay, 1, 5);
        // The corrected value is used all the same; a file that cannot be written is corrected
        // again at the next start.
        static_cast<void>(WriteInt("RefreshDelay", refreshDelay));
    }
    c.program.refreshTick = refreshDelay * 8;
    c.surface.sampleDepthMode = GetInt("SampleDepthMode", 1);
}

void CPreferences::loadSurfaceAndWinch(Configuration& c) {
    SurfaceSettings& surface = c.surface;
    LoggerParameters& lp = c.logger;
    ProgramSettings& program = c.program;

    surface.upholeGain = GetInt("UpGain", 10);
    surface.upholeBaudDivisor = GetInt("UpBaudDivisor", 10);
    surface.depthMemo = finiteOr(GetDouble("DepthMemo", 0.0), 0.0);
    surface.pictureBackgroundColour = GetInt("PicBkgColor", 0);
    surface.pictureForegroundColour = GetInt("PicForeColor", 5);
    surface.refreshTravelDialog = GetInt("RefreshTravelDialog", 0);
    sondes_.selected = GetInt("SondeUsed", 0);
    lp.orientationMode = GetInt("OrientationMode", 0);
    program.depthUnit = clampTo(GetInt("SetDepthUnit", 0), 0, 2);
    lp.pulleyDirection = GetBool("PulleyDir", 1) ? 1 : 0;
    lp.cableType = GetInt("CableType", 0);
    lp.downholeEnergy = GetInt("DownEnergie", 15);

    // Read again with the default that counts: an absent key gives 25.
    surface.upholeGain = GetInt("UpGain", 25);
    lp.upholeGain = surface.upholeGain;

    lp.magneticOffset = finiteOr(GetDouble("MagneticOffset", 0.0), 0.0);
    lp.sondeSupplyVoltage = GetInt("Power", 100);
    // The key holds the wheel circumference in tenths of a millimetre.
    program.wheelCircumferenceMm = GetInt("PulleysDiameter", 5000) / 10.0;
    if (program.depthUnit == 1)
        program.wheelCircumferenceInch = finiteOr(GetDouble("PulleyCircumInch", 19.685), 19.685);
    lp.pulsesPerTurn = GetInt("PulsResolution", 1000);
    lp.upholePulseWidth = GetInt("UpholePulseWidth", 15);
    program.encoderDivider = low16(GetInt("ENCDIV", 150));
}

void CPreferences::loadFlags(Configuration& c) {
    ProgramSettings& program = c.program;
    program.secondRecall = GetYesNo("SecondRecall", false);
    program.silenceMode = GetYesNo("SilenceMode", false);
    program.modeEZKit = GetYesNo("ModeEZKit", false);
    program.splash = !GetYesNo("SplashScreenOff", false);
}

void CPreferences::loadGamma(Configuration& c) {
    LoggerParameters& lp = c.logger;
    lp.gammaScale = GetInt("GammaScale", 0);
    if (lp.gammaScale < 0 || lp.gammaScale > 2)
        lp.gammaScale = 0;
    lp.gammaMaximum = GetInt("GammaMax", 2000);
    if (lp.gammaMaximum < 100 || lp.gammaMaximum > 100000)
        lp.gammaMaximum = 2000;
    lp.gammaIsAverage = GetYesNo("GammaIsAverage", false) ? 1 : 0;
    lp.gammaFilter = GetInt("GammaFilter", 20);
    if (lp.gammaFilter < 0 || lp.gammaFilter > 50)
        lp.gammaFilter = 20;
}

void CPreferences::loadCamera(Configuration& c) {
    LoggerParameters& lp = c.logger;
    lp.shutter = clampTo<std::uint8_t>(low8(GetInt("Shutter", 10)), 1, 24);
    lp.lightPower = clampTo<std::uint8_t>(low8(GetInt("LightPower", 10)), 1, 20);
    lp.imageResolution = low8(GetInt("Resolution", 116));
    lp.imageQuality = low8(GetInt("Quality", 4));
    lp.redGain = low8(GetInt("RedGain", 223));
    lp.greenGain = low8(GetInt("GreenGain", 186));
    lp.blueGain = low8(GetInt("BlueGain", 255));
    lp.imageCircleRadius = low16(GetInt("Radius", 318));
    lp.imageCircleCentreX = low16(GetInt("Center_x", 652));
    lp.imageCircleCentreY = low16(GetInt("Center_y", 600));
    lp.holeDiameter = low8(GetInt("HoleDiam", 15));
    if (lp.holeDiameter < 5)
        lp.holeDiameter = 5;
    lp.probeSpeed = low16(GetInt("ProbeSpd", 20));
    if (lp.probeSpeed > 255)
        lp.probeSpeed = 255;
    lp.bayerResolution = low8(GetInt("BayerResol", 9));
    if (lp.bayerResolution != 4 && lp.bayerResolution != 9)
        lp.bayerResolution = 9;
    lp.captureAdjustPeriod = low8(GetInt("CaptAdjPeriod", 20));
    if (lp.captureAdjustPeriod < 20 || lp.captureAdjustPeriod > 60)
        lp.captureAdjustPeriod = 40;
    lp.whiteCalibrationRadius = low16(GetInt("WCalRadius", 0));
    lp.resolutionIndex = low16(GetInt("ResolIdx", 3));
    lp.filterCutOffFrequency = low16(GetInt("FilterCutOffFreq", 64768));
    if (lp.filterCutOffFrequency < 55000 || lp.filterCutOffFrequency > 65000)
        lp.filterCutOffFrequency = 64768;
    lp.useGreyCalibration = low16(GetInt("UseGreyCal", 0));
}

namespace {

// The export choices' keys, for their reading at start-up and their writing when an export
// dialog closes.
struct LasColumnKey {
    const char* key;
    bool LasColumns::*column;
};
constexpr LasColumnKey LasColumnKeys[] = {{"ExportSpeed", &LasColumns::speed},
                                          {"ExportIncl", &LasColumns::inclination},
                                          {"ExportAzimuth", &LasColumns::azimuth},
                                          {"ExportRoll", &LasColumns::roll},
                                          {"ExportMroll", &LasColumns::magneticRoll},
                                          {"ExportTgrav", &LasColumns::totalGravity},
                                          {"ExportTDelta", &LasColumns::tDelta},
                                          {"ExportTgauss", &LasColumns::totalMagnetic},
                                          {"ExportRaw", &LasColumns::raw},
                                          {"ExportGamm", &LasColumns::gamma},
                                          {"ExportInclGroup", &LasColumns::inclinationGroup}};
struct PictureIntKey {
    const char* key;
    int PictureExportSettings::*value;
    int fallback;
};
constexpr PictureIntKey PictureIntKeys[] = {
    {"UserBMPDecimal", &PictureExportSettings::decimals, 4},
    {"UserBMPMode", &PictureExportSettings::mode, 24},
    {"UserBMPType", &PictureExportSettings::type, 0},
    {"UserBMPScaleColor", &PictureExportSettings::scaleColour, 2},
    {"UserLgxInterpol", &PictureExportSettings::lgxInterpolation, 0}};
struct PictureFlagKey {
    const char* key;
    bool PictureExportSettings::*flag;
};
constexpr PictureFlagKey PictureFlagKeys[] = {{"UseLVViewer", &PictureExportSettings::useViewer},
                                              {"UseiExplorer", &PictureExportSettings::useBrowser},
                                              {"UseBicubic", &PictureExportSettings::useBicubic}};

} // namespace

void CPreferences::loadExportChoices(Configuration& c) {
    LasColumns& las = c.program.las;
    for (const LasColumnKey& k : LasColumnKeys)
        las.*k.column = GetYesNo(k.key, true, LasSection);
    las.exportInterval = GetInt("ExportInterval", 0, LasSection);
    PictureExportSettings& picture = c.program.picture;
    for (const PictureIntKey& k : PictureIntKeys)
        picture.*k.value = GetInt(k.key, k.fallback, PictureSection);
    for (const PictureFlagKey& k : PictureFlagKeys)
        picture.*k.flag = GetYesNo(k.key, false, PictureSection);
}

bool CPreferences::SaveExportChoices() {
    const Configuration c = store_.snapshot();
    bindConfiguration(c.paths);
    return Batch([&] {
        for (const LasColumnKey& k : LasColumnKeys)
            static_cast<void>(WriteYesNo(k.key, c.program.las.*k.column, LasSection));
        static_cast<void>(WriteInt("ExportInterval", c.program.las.exportInterval, LasSection));
        for (const PictureIntKey& k : PictureIntKeys)
            static_cast<void>(WriteInt(k.key, c.program.picture.*k.value, PictureSection));
        for (const PictureFlagKey& k : PictureFlagKeys)
            static_cast<void>(WriteYesNo(k.key, c.program.picture.*k.flag, PictureSection));
    });
}

bool CPreferences::Save() {
    return store_.save();
}

bool CPreferences::writeConfiguration() {
    store_.modify([](Configuration& c) { c.logger.upholeGain = c.surface.upholeGain; });
    const Configuration c = store_.snapshot();
    bindConfiguration(c.paths);
    const LoggerParameters& lp = c.logger;
    const ProgramSettings& program = c.program;

    return Batch([&] {
        // Inside the batch a write only changes the document and answers true: the batch's
        // answer says whether the file was written.
        const auto put = [this](std::string_view key, int value) {
            static_cast<void>(WriteInt(key, value));
        };
        put("RecordSplitFile", program.recordSplit);
        put("OrientationMode", lp.orientationMode);
        put("PulleyDir", lp.pulleyDirection ? 1 : 0);
        put("CableType", lp.cableType);
        put("SondeUsed", sondes_.selected);
        put("DownEnergie", lp.downholeEnergy);
        put("UpGain", lp.upholeGain);
        put("UpholePulseWidth", lp.upholePulseWidth);
        put("UpBaudDivisor", c.surface.upholeBaudDivisor);
        put("ShownGamma", lp.gammaShown ? 1 : 0);
        put("GammaScale", lp.gammaScale);
        put("GammaMax", lp.gammaMaximum);
        static_cast<void>(WriteYesNo("GammaIsAverage", lp.gammaIsAverage != 0));
        put("GammaFilter", lp.gammaFilter);
        static_cast<void>(WriteString("MagneticOffset", format("%#.2f", lp.magneticOffset)));
        put("Power", lp.sondeSupplyVoltage);
        put("PulleysDiameter", saturatedTrunc(program.wheelCircumferenceMm * 10));
        put("PulsResolution", lp.pulsesPerTurn);
        if (program.depthUnit == 1)
            static_cast<void>(WriteDouble("PulleyCircumInch", program.wheelCircumferenceInch));
        put("SetDepthUnit", program.depthUnit);
        put("Shutter", lp.shutter);
        put("LightPower", lp.lightPower);
        put("Resolution", lp.imageResolution);
        put("Quality", lp.imageQuality);
        put("CaptAdjPeriod", lp.captureAdjustPeriod);
        put("FilterCutOffFreq", lp.filterCutOffFrequency);
        put("RedGain", lp.redGain);
        put("GreenGain", lp.greenGain);
        put("BlueGain", lp.blueGain);
        put("Radius", lp.imageCircleRadius);
        put("Center_x", lp.imageCircleCentreX);
        put("Center_y", lp.imageCircleCentreY);
        put("BayerResol", lp.bayerResolution);
        put("WCalRadius", lp.whiteCalibrationRadius);
        put("ResolIdx", lp.resolutionIndex);
    });
}

bool CPreferences::SaveFiles() {
    bool ok = true;
    const Configuration c = store_.snapshot();
    const TechnicalSwitches& switches = c.switches;
    if (switches.technicalTools || switches.debuggingTools || switches.debuggingTrace) {
        SettingsStore store;
        ok = TechnicalSwitchesStore::write(store, switches);
    }

    bindConfiguration(c.paths);
    const AppPaths& paths = c.paths;
    ok = Batch([&] {
             // Inside the batch a write only changes the document and answers true: the
             // batch's answer says whether the file was written.
             const auto put = [this](std::string_view key, const std::string& value) {
                 static_cast<void>(WriteString(key, value));
             };
             put("Tempdir", paths.temporaryFolder);
             put("LastFile", paths.lastHeader);
             put("FileName", paths.fileName);
             put("FilePath", paths.filePath);
             put("DataFile", paths.dataFile);
         }) &&
         ok;

    // A placement file that cannot be written is skipped: the windows then start from their
    // defaults next time.
    return writeFileAtomically(PlacementFile(), placements_.encode()) && ok;
}

bool CPreferences::ApplyPlacementDefaults() {
    placements_[PlacedWindow::Main] = WindowPlacementRecord::defaultMainPlacement();
    return SaveFiles();
}

void CPreferences::loadPlacements() {
    const auto bytes = readWholeFile(PlacementFile());
    if (bytes) {
        if (auto record = WindowPlacementRecord::decode(*bytes)) {
            placements_ = *record;
            return;
        }
    }
    // Missing, short or oversized: every window starts from its default, and a fresh file is
    // written. The configured paths stay as they are.
    placements_ = WindowPlacementRecord{};
    // What is written here was just read (the path keys) or is the default (the placements):
    // a file that cannot be written loses nothing, and the next start writes it again.
    static_cast<void>(ApplyPlacementDefaults());
}

} // namespace zarn
