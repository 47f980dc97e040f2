// What the pages of the logger setup sheet need from the rest of the program: the
// configuration they edit, the link they send their orders through, and what the logger and
// the sonde read back. The sheet's window implements it over the acquisition engine; tests
// implement it with a fake logger.
//
// All calls come from the thread that owns the windows.
#pragma once

#include "acquisition/app/SettingsRecords.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zarn {

// The settings frames the pages send.
enum class SetupOrder {
    WinchSettings,    // surface-parameters frame (F1)
    DownholeSettings, // uphole gain and downhole energy (F3)
    SurfaceVoltage,   // short surface frame: supply voltage and uphole link (F11)
};

// The bytes of the last surface-parameters frame and downhole settings frame handed to the link.
using WinchFrameBytes = std::array<std::uint8_t, 8>;
using DownholeFrameBytes = std::array<std::uint8_t, 4>;

// What the logger and the sonde report, from the latest frame.
struct LoggerReadBack {
    std::uint32_t frames = 0;     // frames received so far (a new one: a new read-back)
    std::uint8_t statusFlags = 0; // logger status flags; bits 4 and 5 the wheel mode
    std::uint16_t echoWord2 = 0;  // the logger's echo of the surface-parameters frame
    std::uint16_t echoWord4 = 0;
    std::uint8_t upholeGain = 0;     // logger status byte 1: the gain the logger applied
    std::uint8_t downholeEnergy = 0; // logger status byte 2: the drive it applied
    std::uint8_t commStatus = 0;     // the communication status byte of the last frame
    int sondeDataFlag = -1;          // 1, 0, or -1 when the last frame had no sonde block
    std::string baudText;            // the speed the sonde reads back (or the file recorded)
    std::string upholeDriveText;     // the uphole drive the sonde reads back
    std::string sondeVoltageText;    // the sonde's voltage text
};

// The acquisition state the pages follow.
struct SetupRunState {
    bool sondePowered = false;
    bool recording = false;
    bool replay = false;       // a log is loaded for replay
    bool liveRunning = false;  // live acquisition runs
    bool loggerFrames = false; // logger frames arrive (the logger answers)
};

class LoggerSetupHost {
public:
    virtual ~LoggerSetupHost() = default;

    virtual Configuration configuration() const = 0;
    // An operator's edit: stored and saved at once. False when the file could not be written.
    [[nodiscard]] virtual bool
    editConfiguration(const std::function<void(Configuration&)>& edit) = 0;

    // Nothing pending and a frame arrived since the last order: takes the arrived frame and
    // answers true, so that at most one order goes out per received frame.
    [[nodiscard]] virtual bool claimLinkForCommand() = 0;
    // A frame handed to the link is not written yet.
    virtual bool frameInProgress() const = 0;
    // Builds and hands over the frame; true when handed over.
    [[nodiscard]] virtual bool send(SetupOrder order) = 0;
    virtual std::optional<WinchFrameBytes> sentWinchFrame() const = 0;
    virtual std::optional<DownholeFrameBytes> sentDownholeFrame() const = 0;

    virtual LoggerReadBack readBack() const = 0;
    virtual SetupRunState runState() const = 0;
};

} // namespace zarn
