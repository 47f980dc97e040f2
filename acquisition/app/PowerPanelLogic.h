// The power side of the probe control panel: the power button, the ordered command sequences
// that switch the sonde on (F1, F3, F12, F11, F12, each checked against the logger's answer)
// and off (F0 until the busy bits clear), and the power button's state for the panel refresh.
//
// No timers and no threads of its own: the panel's timers are deadlines kept here and served by
// tick(now), which the owner calls often (every few milliseconds is plenty). The deadlines are
// the power-on sequence step (403), the power-off sequence step (414), the power button hold
// (405, 350 ms after each press) and the display restart after a state change (509, 350 ms).
// Everything runs on the owner's thread; other threads reach the panel through it (the link's
// power button request after a link loss calls switchOff there).
#pragma once

#include "acquisition/app/PowerPanelHost.h"
#include "acquisition/app/RecorderState.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <string_view>

namespace zarn {

class PowerPanelLogic {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Ms = std::chrono::milliseconds;

    static constexpr std::string_view NoSondeText = "No sondes selected ...";
    static constexpr std::string_view OrderRefusedText = "Order refused !!!";

    static constexpr Ms ButtonHold{350};
    static constexpr Ms DisplayRestartDelay{350};
    static constexpr Ms SequenceStartDelay{100};
    // The order sequence step when no power-on sequence runs (idle or done).
    static constexpr int IdleStep = 10;
    // The low four bits of the logger status flags: the sonde is powered and working.
    static constexpr std::uint8_t BusyBits = 0x0F;

    // What the panel shows of the sonde's power.
    enum class PowerState { Off, PoweringOn, On, PoweringOff };
    // The power button's image at a panel refresh.
    enum class ButtonImage { Off, On, SwitchingOn, SwitchingOff };
    struct ButtonView {
        bool enabled = false;
        ButtonImage image = ButtonImage::Off;
        bool operator==(const ButtonView&) const = default;
    };
    // What a press of the power button did.
    enum class PressResult {
        Held,        // within the hold of the previous press: ignored
        NoSonde,     // "No sondes selected ..." shown
        Refused,     // a power-off sequence still runs
        SwitchingOn, // the power-on sequence starts
        SwitchingOff // the power-off sequence starts (or goes on)
    };

    // sondePowered is the link's process-wide sonde-powered flag; operatorPowerOff is set when
    // the sonde is switched off through the panel (the product tools sheet closes on it).
    PowerPanelLogic(PowerPanelHost& host, RecorderState& recorder, std::atomic<bool>& sondePowered,
                    std::atomic<bool>& operatorPowerOff);

    // The operator's power button (1041): toggles between switching on and switching off.
    [[nodiscard]] PressResult pressPower(TimePoint now);
    // Switches the sonde off for the program (link loss, a failed power-on sequence): runs the
    // power-off branch when the panel shows the sonde on or powering on, or the sonde is marked
    // powered; does nothing when it is off or already powering off. Never switches the sonde
    // on. True when a power-off sequence was started.
    bool switchOff(TimePoint now);

    // Serves the deadlines that are due.
    void tick(TimePoint now);
    // The earliest pending deadline; empty when nothing waits.
    std::optional<TimePoint> nextDeadline() const;

    // The power part of the panel refresh (every 300 ms): enables the button from the link
    // state and chooses its image. With no sequence running the sonde is shown as the logger's
    // busy bits say, and recorder flag [2] and the switched-on mark follow them.
    ButtonView refreshButton();

    PowerState powerState() const;
    // The order sequence step: 0, 1, 2, 4, 5, 6 while switching on; IdleStep otherwise.
    int orderStep() const { return step_; }
    bool switchedOn() const { return switchedOn_; }

private:
    void startPowerOff(TimePoint now);
    void runPowerOnStep(TimePoint now);
    void runPowerOffStep(TimePoint now);
    void armPowerOn(TimePoint now, Ms wait);
    void armPowerOff(TimePoint now, Ms wait);
    bool linkReady() const;
    bool winchEchoMatches(const PowerLoggerStatus& status) const;
    bool downholeEchoMatches(const PowerLoggerStatus& status) const;
    // Hands one command frame of a sequence to the host.
    void order(bool (PowerPanelHost::*send)());
    // An echo mismatch in step 1 or 2: the frame again, or the switch-off after too many.
    void echoMismatch(TimePoint now, bool (PowerPanelHost::*resend)());
    void publishSwitchedOn();

    PowerPanelHost& host_;
    RecorderState& recorder_;
    std::atomic<bool>& sondePowered_;
    std::atomic<bool>& operatorPowerOff_;

    bool switchedOn_ = false; // the panel's switched-on mark
    int step_ = IdleStep;
    int retries_ = 0; // shared by both sequences
    int confirmations_ = 0;
    bool blink_ = false;
    ButtonImage image_ = ButtonImage::Off;

    std::optional<TimePoint> powerOnDue_;  // timer 403
    std::optional<TimePoint> powerOffDue_; // timer 414
    std::optional<TimePoint> holdUntil_;   // timer 405, power button hold
    std::optional<TimePoint> restartDue_;  // timer 509
};

} // namespace zarn
