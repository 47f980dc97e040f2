// The configuration in memory: the path record, the surface settings, the logger parameter
// block and the program-wide settings, as the configuration file and the settings store hold
// them. Held by the ConfigurationStore, loaded and saved by CPreferences; read by the link, the
// decoders and the windows.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zarn {

// Files and folders of the current work.
struct AppPaths {
    std::string programDirectory;  // the folder of the settings files, ending in '/'
    std::string configurationPath; // full path of LvZARN.cfg
    std::string lastHeader;        // LastFile: the last header file (.hed) opened or written
    std::string filePath;          // FilePath: folder of the current log
    std::string exportFolder;      // folder used by the exports
    std::string dataFile;          // DataFile: the current data log (.lox)
    std::string exportDataFile;    // the data log the exports read
    std::string fileName;          // FileName: current data file name
    std::string headerName;        // current header file name (title + ".hed")
    std::string temporaryFolder;   // Tempdir
    std::uint16_t locale = 0;      // always 0; kept for the record layout's sake
};

struct SurfaceSettings {
    std::int32_t upholeGain = 25;             // UpGain
    std::int32_t upholeBaudDivisor = 10;      // UpBaudDivisor
    double depthMemo = 0.0;                   // DepthMemo
    std::int32_t pictureBackgroundColour = 0; // PicBkgColor
    std::int32_t pictureForegroundColour = 5; // PicForeColor
    std::int32_t refreshTravelDialog = 0;     // RefreshTravelDialog
    std::int32_t sampleDepthMode = 1;         // SampleDepthMode
};

// The block the settings pages edit and the command frames are built from.
struct LoggerParameters {
    std::uint8_t pulleyDirection = 1;         // PulleyDir (0/1)
    std::int32_t encoderScale = 0;            // k, computed when the winch settings frame is built
    std::int32_t pulsesPerTurn = 1000;        // PulsResolution
    std::int32_t encoderFrequency = 0;        // 1500, set with the winch settings frame
    std::int32_t cableType = 0;               // CableType
    double encoderFrequencyD = 0.0;           // 1500.0, set with the winch settings frame
    double depthScale = 0.0;                  // k / 256: counts per centimetre
    std::int32_t upholeGain = 25;             // UpGain (copy)
    std::int32_t upholePulseWidth = 15;       // UpholePulseWidth
    std::int32_t downholeEnergy = 15;         // DownEnergie
    std::int32_t sondeSupplyVoltage = 100;    // Power
    std::uint8_t gammaShown = 0;              // ShownGamma (0/1)
    std::int32_t gammaScale = 0;              // GammaScale
    std::int32_t gammaMaximum = 2000;         // GammaMax
    std::int32_t gammaIsAverage = 0;          // GammaIsAverage (0/1)
    double magneticOffset = 0.0;              // MagneticOffset, degrees
    std::int32_t gammaFilter = 20;            // GammaFilter
    std::int32_t orientationMode = 0;         // OrientationMode: 0 none, 1 vertical, 2 horizontal
    double presetDepthMetres = 0.0;           // depth reset page
    std::uint8_t imageResolution = 116;       // Resolution
    std::uint8_t imageQuality = 4;            // Quality
    std::uint8_t bayerResolution = 9;         // BayerResol
    std::uint8_t redGain = 223;               // RedGain
    std::uint8_t greenGain = 186;             // GreenGain
    std::uint8_t blueGain = 255;              // BlueGain
    std::uint8_t lightPower = 10;             // LightPower
    std::uint8_t shutter = 10;                // Shutter, 1 to 24
    std::uint8_t holeDiameter = 15;           // HoleDiam
    std::uint8_t viewMode = 0;                // 0 circle mode, 1 to 3 the calibration views
    std::uint8_t captureAdjustPeriod = 20;    // CaptAdjPeriod
    std::uint16_t useGreyCalibration = 0;     // UseGreyCal
    std::uint16_t whiteCalibrationRadius = 0; // WCalRadius
    std::uint16_t resolutionIndex = 3;        // ResolIdx
    std::uint8_t greyCalibrationTrigger = 0;
    std::uint16_t workingWord1 = 0;
    std::uint8_t workingByte = 0;
    std::uint16_t workingWord2 = 4096;
    std::uint16_t flashWord = 0;
    std::uint16_t probeSpeed = 20;               // ProbeSpd
    std::uint16_t imageCircleRadius = 318;       // Radius
    std::uint16_t imageCircleCentreX = 652;      // Center_x
    std::uint16_t imageCircleCentreY = 600;      // Center_y
    std::uint16_t filterCutOffFrequency = 64768; // FilterCutOffFreq
    std::array<std::uint8_t, 6> productIdentity{};
};

// The logger's depth counter value for a depth in metres: depthScale counts per centimetre. The
// depth-set frame sends it truncated into 32 bits, so the depth reset refuses a depth whose
// count does not fit.
inline double depthCounterCounts(double depthScale, double metres) {
    return depthScale * 100.0 * metres;
}

// The four switches of the per-user settings store.
struct TechnicalSwitches {
    bool technicalTools = false; // "TechnicalTools"
    bool debuggingTools = false; // "DebugingTools": the error log and debug.txt
    bool debuggingTrace = false; // "DebugingTrace": the trace log
    bool fullTracing = false;    // "FullTracing": kept and shown only
    bool debuggingMode() const { return debuggingTools || debuggingTrace; }
};

// The LAS export's column choices (section [LASGenerator]).
struct LasColumns {
    bool speed = true, inclination = true, azimuth = true, roll = true, magneticRoll = true,
         totalGravity = true, tDelta = true, totalMagnetic = true, raw = true, gamma = true,
         inclinationGroup = true;
    std::int32_t exportInterval = 0;
    bool operator==(const LasColumns&) const = default;
};

// The picture export choices (section [BMPGenerator]).
struct PictureExportSettings {
    std::int32_t decimals = 4;         // UserBMPDecimal
    std::int32_t mode = 24;            // UserBMPMode
    std::int32_t type = 0;             // UserBMPType
    std::int32_t scaleColour = 2;      // UserBMPScaleColor
    std::int32_t lgxInterpolation = 0; // UserLgxInterpol
    bool useViewer = false;            // UseLVViewer
    bool useBrowser = false;           // UseiExplorer
    bool useBicubic = false;           // UseBicubic
    bool operator==(const PictureExportSettings&) const = default;
};

// Settings kept outside the records.
struct ProgramSettings {
    std::int32_t depthUnit = 0;             // SetDepthUnit: 0 metres, 1 feet
    double wheelCircumferenceMm = 500.0;    // PulleysDiameter / 10
    double wheelCircumferenceInch = 19.685; // PulleyCircumInch
    std::uint16_t encoderDivider = 150;     // ENCDIV
    std::int32_t refreshTick = 24;          // RefreshDelay * 8
    std::int32_t recordSplit = 100;         // RecordSplitFile
    bool secondRecall = false;              // SecondRecall
    bool silenceMode = false;               // SilenceMode
    bool modeEZKit = false;                 // ModeEZKit
    bool splash = true;                     // cleared by SplashScreenOff
    LasColumns las;
    PictureExportSettings picture;
};

// Everything the configuration holds in memory, in one place.
struct Configuration {
    AppPaths paths;
    SurfaceSettings surface;
    LoggerParameters logger;
    ProgramSettings program;
    TechnicalSwitches switches;
};

} // namespace zarn
