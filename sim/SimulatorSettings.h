// The simulator's configuration: an INI file named by the environment variable ZARN_SIM_CONFIG.
// Every key has a default that makes a good demonstration (a 30 m interval logged down at
// 2 m/min, 720 pixels per row in mode 16, a few fractures); a missing file is all defaults. A
// value that is not a number where one is expected keeps the default, and numbers are brought
// into their ranges, so any file gives a working simulator. The README lists every key.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn::sim {

struct DeviceSettings {
    std::string serialNumber = "QV-20000417"; // at most 15 characters
    std::string description = "LUMIVANE Logger";
    std::string manufacturer = "Lumivane";
    std::uint16_t vendorId = 0x0403;
    std::uint16_t productId = 0x6001;
    bool fastMode = false;  // frames as fast as they are read instead of at the line's pace
    std::uint64_t seed = 1; // every random choice of the simulator follows it
};

struct LoggerSettings {
    std::uint16_t encoderScale = 20480; // encoder counts per cm x 256 until a winch settings order
    std::uint8_t wheelByte = 0x20;      // normal pulley direction, 4-conductor cable
    std::uint16_t encoderFrequency = 1500;
    std::uint8_t supplyVoltage = 100; // V
    std::uint8_t upholeGain = 25;
    std::uint8_t downholeEnergy = 15;
    std::uint8_t baudDivisor = 10; // line speed until a line settings order
    std::uint8_t upholePulseWidth = 15;
    int statusPeriodMs = 100; // between status frames while no data frames flow
    int sondeCurrentMa = 180;
    int bootTimeMs = 1500;    // supply on, sonde not answering yet (status frames, busy)
    int sondeStartMs = 600;   // sonde answering without data (16-byte frames)
    int shutdownTimeMs = 300; // busy bits stay set this long after a power-off order
};

struct WinchSettings {
    double startDepth = 10.0; // m
    double endDepth = 40.0;   // m; below the start depth: logging down
    double speed = 2.0;       // m/min
    double startDelay = 5.0;  // s after the sonde first sends data frames
};

struct SondeSettings {
    bool powered = false;          // start with the sonde on, sending data frames
    std::uint8_t resolution = 116; // image mode byte until a camera settings order
    int compressionMode = 0;       // 0: as ordered; 8 or 16: always that mode
    int frameRate = 20;            // pictures per second until a camera settings order
    std::uint8_t lightPower = 10;
    std::uint8_t shutter = 10;
    double cameraOffsetCm = 8.0; // camera window above the depth reference of the sonde
    double inclination = 4.0;    // degrees from the vertical
    double azimuth = 35.0;       // magnetic, degrees
    // The hole's path (Trajectory): a build section and a turn, none by default.
    double buildFrom = 0, buildTo = 0, buildBy = 0; // m along the hole, degrees of inclination
    double turnFrom = 0, turnTo = 0, turnBy = 0;    // m along the hole, degrees clockwise
    double deviationOffsetCm = 107.0; // orientation sensors above the depth reference of the sonde
    double roll = 0.0;                // at the start, degrees
    double rotationSpeed = 0.5;       // degrees per second about the sonde's axis
    double magneticField = 48000.0;   // nT
    double magneticDip = 62.0;        // degrees
    double sensorNoise = 2.0;         // counts, standard deviation
    double selfHeating = 8.0;         // degrees Celsius the electronics gain once warm
    int flashTimeMs = 1000;           // a flash order keeps the sonde busy this long
    std::string productCode = "OT3";
    int firmwareYear = 2024, firmwareWeek = 18;
    int calibrationYear = 2025, calibrationWeek = 6;
    // DSP error bits of a lasting fault: in every trailer, whatever the diagnostic reset.
    std::array<std::uint8_t, 6> dspErrors{};
};

struct FracturePlane {
    double depth = 0;        // m, where the plane crosses the hole's axis
    double dip = 0;          // degrees below the horizontal
    double dipDirection = 0; // degrees from north
    double aperture = 3.0;   // mm
    bool operator==(const FracturePlane&) const = default;
};

struct BoreholeSettings {
    double diameterMm = 96.0;
    std::uint32_t textureSeed = 7;
    double beddingDip = 12.0;
    double beddingDipDirection = 135.0;
    double gammaBase = 45.0;  // counts per second in clean rock
    double gammaRange = 90.0; // more in the shaliest beds
    double surfaceTemperature = 15.0;
    double temperatureGradient = 3.0; // degrees Celsius per 100 m
    std::vector<FracturePlane> fractures;
};

// A fault that happens at random (rate: probability per packet) or on a schedule (the numbers of
// the packets it hits, counted from 1).
struct FaultSchedule {
    double rate = 0;
    std::vector<std::uint64_t> at;
    bool any() const { return rate > 0 || !at.empty(); }
};

struct FaultSettings {
    FaultSchedule lostBytes;        // one byte of a USB packet never arrives
    FaultSchedule flippedBits;      // one bit of a USB packet is inverted
    FaultSchedule cutPackets;       // a USB packet ends early
    FaultSchedule wrongChecksums;   // one checksum of a frame is off
    FaultSchedule lostVideoPackets; // counted in video packets; the sonde can send them again
    std::vector<double> unplugAt;   // model seconds at which the USB cable is pulled
    double unplugFor = 3.0;         // seconds until it is plugged back
    // The logger keeps a wrong encoder scale: its echo of every winch settings frame is one
    // count off, as a logger that does not take the setting.
    bool wrongWinchEcho = false;
};

struct SimulatorSettings {
    static constexpr const char* EnvironmentVariable = "ZARN_SIM_CONFIG";

    DeviceSettings device;
    LoggerSettings logger;
    WinchSettings winch;
    SondeSettings sonde;
    BoreholeSettings borehole;
    FaultSettings faults;

    // All defaults, with the demonstration's fractures.
    static SimulatorSettings defaults();
    // Reads an INI text; anything missing or unusable keeps its default.
    static SimulatorSettings parse(std::string_view iniText);
    // The text of the file named by ZARN_SIM_CONFIG; empty when it is not set or unreadable.
    static std::string configurationText();
};

} // namespace zarn::sim
