// What the power sequences of the probe control panel need from the rest of the program: the
// link (send buffer, logger status, command frames), the statistics, the panel's other buttons,
// the recorder, the display and the message boxes. The acquisition engine or the panel window
// implements it over the link object, the measurement record and the data log writer; tests
// implement it with a fake logger.
//
// All calls come from the thread that drives PowerPanelLogic.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarn {

// The part of the logger status record that the power sequences read, as plain values.
struct PowerLoggerStatus {
    // A new logger status arrived since the byte was last cleared (20-byte frames, held packet
    // headers and current full data frames set it; 16-byte frames never do).
    bool statusReceived = false;
    // The logger status flags; their low four bits are the busy bits (the sonde is powered).
    std::uint8_t flags = 0;
    // Status byte 6 of the 20-byte frame: the uphole gain the logger applied.
    std::uint8_t upholeGainEcho = 0;
    // Status byte 7 of the 20-byte frame: the downhole energy the logger applied.
    std::uint8_t downholeEnergyEcho = 0;
    // The logger's echo of the winch settings: the words sent at offsets 2 and 4 and the byte
    // sent at offset 6 of the winch settings frame.
    std::uint16_t echoWord2 = 0;
    std::uint16_t echoWord4 = 0;
    std::uint8_t echoByte6 = 0;
};

// Bytes 2 to 6 of the last winch settings frame (F1) handed to the link.
using WinchSettingsBytes = std::array<std::uint8_t, 5>;
// Bytes 1 and 2 (uphole gain, downhole energy) of the last downhole settings frame (F3).
using DownholeSettingsBytes = std::array<std::uint8_t, 2>;

class PowerPanelHost {
public:
    virtual ~PowerPanelHost() = default;

    // ---- Link ----
    // Nothing handed to the sender is waiting to be written.
    virtual bool sendBufferEmpty() const = 0;
    virtual PowerLoggerStatus loggerStatus() const = 0;
    virtual void clearStatusReceived() = 0;
    // The settings of the last F1 and F3 sent; empty before the first (then no echo matches).
    virtual std::optional<WinchSettingsBytes> sentWinchSettings() const = 0;
    virtual std::optional<DownholeSettingsBytes> sentDownholeSettings() const = 0;
    // The process-wide link state value (1 looking for the logger, 2 opening the device, ...).
    virtual int linkState() const = 0;
    // Command frames; true when handed to the sender.
    [[nodiscard]] virtual bool sendF0() = 0;  // power off
    [[nodiscard]] virtual bool sendF1() = 0;  // winch settings
    [[nodiscard]] virtual bool sendF3() = 0;  // uphole gain and downhole energy
    [[nodiscard]] virtual bool sendF11() = 0; // supply voltage and uphole link (power on)
    [[nodiscard]] virtual bool sendF12() = 0; // camera settings

    // ---- Rest of the program ----
    // The panel's statistics reset, the good-frame count included.
    virtual void resetStatistics() = 0;
    // The ten orientation result values become -99999.0 (no data).
    virtual void clearOrientationResults() = 0;
    // The panel's Stop (1042) and whether its button is enabled.
    virtual void stop() = 0;
    virtual bool stopEnabled() const = 0;
    // Recording stop (closes the data log and finishes the header when a recording runs).
    virtual void stopRecording() = 0;
    // Display restart after a state change: the image strip restarts and the windows that show
    // the acquisition state refresh.
    virtual void restartDisplay() = 0;
    // A sonde is selected in the sonde table.
    virtual bool sondeSelected() const = 0;
    // A non-blocking message box with an error icon.
    virtual void showMessage(std::string_view text) = 0;
};

} // namespace zarn
