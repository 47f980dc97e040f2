// The logic of the communication page (CPCommDlg): the line speed, the uphole and downhole
// signal drives and the uphole receiver gain, each validated, stored and saved at once and sent
// to the logger; the gain and the downhole drive are then checked against the logger's
// read-back. Also the page's eight link indicators and its read-back texts.
#pragma once

#include "acquisition/settings/LoggerSetupHost.h"
#include "acquisition/settings/SettingsOrder.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

// The indicators of the communication page and how they light from the communication status
// byte of the frames.
class CommIndicators {
public:
    enum Indicator {
        DownholeDataValid,
        UpholeDataValid,
        ParameterUpdate,
        SettingUpdate,
        NoResp,
        IntResp,
        ChecksumError,
        FrameLengthError,
        Count
    };
    enum class Colour { Grey, Red, Yellow, Green };
    static constexpr std::array<const char*, Count> Labels = {
        "Downhole Data Valid", "Uphole Data Valid", "Parameter Update",
        "Setting Update",      "No Resp",           "Int Resp",
        "Checksum error",      "Frame length error"};
    // Ticks without its bit after which a lit indicator goes grey again.
    static constexpr int HoldTicks = 3;

    // The 64-ms tick with the communication status byte of the last frame.
    void tick(std::uint8_t commStatus);
    // A frame was decoded (1741): the downhole indicator from its sonde data flag, and the hold
    // of every indicator whose bit is set restarts.
    void frameDecoded(std::uint8_t commStatus, int sondeDataFlag);
    // All grey (1744).
    void clear();

    Colour colour(int indicator) const { return colours_[static_cast<std::size_t>(indicator)]; }

private:
    std::array<Colour, Count> colours_{};
    std::array<int, Count> idle_{}; // ticks since the indicator was last lit
};

class CommPageLogic {
public:
    static constexpr int MinDrive = 6;
    static constexpr int MaxDownholeDrive = 60;
    static constexpr int MinGain = 0;
    static constexpr int MaxGain = 40;
    static constexpr const char* BadValueText = "Bad entered value";
    static constexpr const char* GainWarningText =
        "UPHOLE RECEIVER GAIN\nWarning consign error\n Send:%d  Read back:%d";
    static constexpr const char* DriveWarningText =
        "DOWNHOLE SIGNAL DRIVE\nWarning consign error\n Send:%d  Read back:%d";
    static constexpr const char* MaximumText = "Max : %d";

    // The highest uphole signal drive a line speed allows: 4 x divisor, at most 60.
    static int maximumUpholeDrive(int divisor);

    explicit CommPageLogic(LoggerSetupHost& host);

    struct Shown {
        int divisor = 10;
        std::string maximum; // "Max : %d"
        std::string upholeDrive;
        std::string downholeDrive;
        std::string gain;
    };
    Shown shown() const;

    // A line speed chosen from the table (its divisor): stored with the uphole drive lowered
    // to the new maximum when above it; the short surface frame goes out. False for a divisor
    // that is not in the table.
    bool chooseSpeed(int divisor);
    // Typed entries and spin steps (the spins step by one within the range). True when taken.
    bool enterUpholeDrive(std::string_view text);
    bool enterDownholeDrive(std::string_view text);
    bool enterGain(std::string_view text);

    // The read-back fields: the speed and uphole drive the sonde reads back while it is powered
    // (in replay: those recorded), "-" otherwise.
    struct ReadBackTexts {
        std::string speed;
        std::string upholeDrive;
        bool replay = false; // shown on light aqua, else yellow
    };
    ReadBackTexts readBackTexts() const;

    SettingsOrder& downholeOrder() { return downhole_; }
    SettingsOrder& surfaceOrder() { return surface_; }
    CommIndicators& indicators() { return indicators_; }
    const CommIndicators& indicators() const { return indicators_; }

private:
    bool downholeMatches() const;
    void warnDownhole() const;
    // Reads an integer in [low, high]; a refusal shows its message.
    static std::optional<int> readIn(std::string_view text, int low, int high);

    LoggerSetupHost& host_;
    SettingsOrder downhole_;
    SettingsOrder surface_;
    CommIndicators indicators_;
};

} // namespace zarn
