// The logic of the winch page (CPWinchDlg): the encoder direction, the encoder resolution, the
// wheel circumference (millimetres, or inches in imperial mode) and the cable type. Every
// accepted change is stored and saved at once and sends the surface-parameters frame; the
// logger's echo of that frame is then checked against the bytes actually sent.
#pragma once

#include "acquisition/settings/LoggerSetupHost.h"
#include "acquisition/settings/SettingsOrder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class WinchPageLogic {
public:
    static constexpr int MinResolution = 500;
    static constexpr int MaxResolution = 10000;
    static constexpr double MinCircumferenceMm = 250.0;
    static constexpr double MaxCircumferenceMm = 1500.0;
    static constexpr double MinCircumferenceInch = 10.0;
    static constexpr double MaxCircumferenceInch = 60.0;
    static constexpr double MmPerInch = 25.39996;
    static constexpr double MinRatio = 150.0;
    static constexpr double MaxRatio = 3000.0;
    static constexpr std::uint8_t WheelModeBits = 0x30;

    static constexpr const char* BadResolutionText = "Bad entered value.\nMin 500 - Max 10000";
    static constexpr const char* BadMetricText = "Bad entered value.\nMin 250mm - Max 1500mm";
    static constexpr const char* BadImperialText = "Bad entered value.\nMin 10 inch - Max 60 inch";
    static constexpr const char* TooHighText = "Too high wheel/encoder combination";
    static constexpr const char* TooLowText = "Too low wheel/encoder combination";
    static constexpr const char* BadCombinationText = "Bad wheel/encoder combination";
    static constexpr const char* EchoWarningText = "Warning consign error, ACK puley -Mode error";

    // What the page shows.
    struct Shown {
        bool normal = true;
        std::string resolution;
        std::string circumference; // one decimal in mm, two in inches
        std::string unit;          // "mm" or "inch"
        int cableType = 0;
    };

    explicit WinchPageLogic(LoggerSetupHost& host);

    Shown shown() const;

    // The wheel/encoder ratio (circumference / resolution x 3000) and its check: the refusal
    // text, or nothing when the combination is good.
    static double ratio(int pulsesPerTurn, double circumferenceMm);
    static std::optional<std::string> combinationFault(int pulsesPerTurn, double circumferenceMm);

    // Typed entries: true when taken (stored, saved, the frame on its way). A refusal shows its
    // message; the page then shows shown() again.
    bool enterResolution(std::string_view text);
    bool enterCircumference(std::string_view text);
    // The spins: one step up (+1) or down (-1); a step that would break the combination is not
    // taken and "Bad wheel/encoder combination" is shown.
    bool stepResolution(int direction);
    bool stepCircumference(int direction);
    void setDirection(bool normal);
    void setCableType(int cableType);

    // Whether the logger's echo equals the last surface-parameters frame sent: the words at
    // offsets 2 and 4 and the wheel mode bits.
    static bool echoMatches(const WinchFrameBytes& sent, const LoggerReadBack& readBack);

    SettingsOrder& order() { return order_; }

private:
    bool imperial() const;
    // Checks and takes a resolution and circumference (mm, and the inch value kept with it).
    bool take(int pulsesPerTurn, double circumferenceMm, std::optional<double> inches);
    void store(const std::function<void(Configuration&)>& change);

    LoggerSetupHost& host_;
    SettingsOrder order_;
};

} // namespace zarn
