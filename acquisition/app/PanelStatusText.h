// The probe control panel's information text ("Infos Probe"): what the last communication status
// byte of the logger says, in its colours, held for a moment so that a flickering status stays
// readable. A changed byte cancels the hold at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarn {

enum class StatusColour {
    Black,      // black on the label's normal background
    Blue,       // blue on the label's normal background
    WhiteOnRed, // an error
    Red,        // red on the label's normal background
};

struct PanelStatusView {
    std::string_view text;
    StatusColour colour = StatusColour::Black;
    bool operator==(const PanelStatusView&) const = default;
};

namespace PanelText {
inline constexpr std::string_view NotPowered = "Sonde not powered";
inline constexpr std::string_view StatusOk = "Status OK";
inline constexpr std::string_view SettingAdjustment = "Setting adjustment in progress ... wait";
inline constexpr std::string_view ParameterAdjustment = "Parameter adjustment in progress ... wait";
inline constexpr std::string_view CheckSumError = "CheckSum Error";
inline constexpr std::string_view FrameError = "Frame error";
inline constexpr std::string_view IntResp = "Int resp";
inline constexpr std::string_view NoResponse = "No response";
inline constexpr std::string_view NoUsb = "No USB Hardware Detected : Replay Mode.";
inline constexpr std::string_view ProbePowered = "Probe powered";
} // namespace PanelText

class PanelStatusText {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // The text and colours of a status byte, and how long they are held.
    static PanelStatusView viewOf(std::uint8_t status);
    static std::chrono::milliseconds holdOf(std::uint8_t status);

    // The panel's refresh with the last status byte. dataReceived: a reader thread has started
    // since the logger was last looked for; without one the text says the program is in replay
    // mode. The view to show now, or nothing when the text stays as it is (its hold runs).
    std::optional<PanelStatusView> update(std::uint8_t status, bool dataReceived, TimePoint now);

    // Shows another text (the power button's "Probe powered", a depth reversal) with no hold,
    // so that the next status byte replaces it.
    void shownElsewhere() { hold_.reset(); }

private:
    std::optional<std::uint8_t> shown_;
    std::optional<TimePoint> hold_;
};

} // namespace zarn
