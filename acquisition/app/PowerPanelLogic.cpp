#include "acquisition/app/PowerPanelLogic.h"

namespace zarn {

namespace {

using Ms = PowerPanelLogic::Ms;

// Power-on sequence: the wait after each step's action, and before trying a step again when the
// link was not ready for it.
constexpr Ms AfterWinchSettings{250};    // step 0 -> 1
constexpr Ms AfterDownholeSettings{250}; // step 1 -> 2
constexpr Ms AfterEchoMismatch{200};     // step 1 or 2 again
constexpr Ms AfterCameraSettings{200};   // step 2 -> 4
constexpr Ms AfterPowerOnOrder{500};     // step 4 -> 5, and step 5 again
constexpr Ms AfterBusy{1000};            // step 5 -> 6

// An echo mismatch switches the sonde off when the retry count before it is above this (the 27th
// mismatch); busy bits missing after F11 when it is above this (the 32nd check).
constexpr int EchoRetryLimit = 25;
constexpr int BusyRetryLimit = 30;

// Power-off sequence.
constexpr Ms PowerOffNotReady{32};
constexpr Ms PowerOffCheck{500};
// F0 is repeated with a new check while the retry count is below this; one more F0 goes out
// without a check, so at most 21 are sent.
constexpr int PowerOffRetryLimit = 20;

Ms notReadyWait(int step) {
    switch (step) {
    case 1:
    case 2:
        return Ms{32};
    case 4:
        return Ms{100};
    default: // 5 and 6
        return Ms{200};
    }
}

} // namespace

PowerPanelLogic::PowerPanelLogic(PowerPanelHost& host, RecorderState& recorder,
                                 std::atomic<bool>& sondePowered,
                                 std::atomic<bool>& operatorPowerOff)
    : host_(host), recorder_(recorder), sondePowered_(sondePowered),
      operatorPowerOff_(operatorPowerOff) {}

PowerPanelLogic::PressResult PowerPanelLogic::pressPower(TimePoint now) {
    if (holdUntil_ && now < *holdUntil_)
        return PressResult::Held;
    holdUntil_ = now + ButtonHold;

    if (switchedOn_) {
        startPowerOff(now);
        return PressResult::SwitchingOff;
    }
    if (!host_.sondeSelected()) {
        host_.showMessage(NoSondeText);
        return PressResult::NoSonde;
    }
    if (powerOffDue_)
        return PressResult::Refused;

    // Replay and a powered sonde exclude each other: the replay stops first.
    host_.stop();
    operatorPowerOff_ = false;
    recorder_.logLoaded = false;
    recorder_.replayActive = false;
    restartDue_ = now + DisplayRestartDelay;
    image_ = ButtonImage::On;
    blink_ = false;
    switchedOn_ = true;
    step_ = 0;
    if (!powerOnDue_) {
        host_.clearStatusReceived();
        powerOnDue_ = now + SequenceStartDelay;
    }
    host_.resetStatistics();
    publishSwitchedOn();
    return PressResult::SwitchingOn;
}

bool PowerPanelLogic::switchOff(TimePoint now) {
    if (powerOffDue_)
        return false;
    const bool poweringOn = powerOnDue_.has_value() || step_ != IdleStep;
    if (!switchedOn_ && !poweringOn && !sondePowered_)
        return false;
    holdUntil_ = now + ButtonHold;
    startPowerOff(now);
    return true;
}

void PowerPanelLogic::startPowerOff(TimePoint now) {
    host_.stopRecording();
    image_ = ButtonImage::Off;
    blink_ = false;
    switchedOn_ = false;
    powerOnDue_.reset();
    if (!powerOffDue_) {
        host_.clearStatusReceived();
        powerOffDue_ = now + SequenceStartDelay;
        confirmations_ = 0;
        // Each power-off sequence has its own bound on F0 frames, whatever a power-on sequence
        // it interrupted had counted.
        retries_ = 0;
    }
    restartDue_ = now + DisplayRestartDelay;
    operatorPowerOff_ = true;
    if (host_.stopEnabled())
        host_.stop();
    publishSwitchedOn();
}

void PowerPanelLogic::publishSwitchedOn() {
    sondePowered_ = switchedOn_;
}

void PowerPanelLogic::tick(TimePoint now) {
    if (powerOnDue_ && now >= *powerOnDue_) {
        powerOnDue_.reset();
        runPowerOnStep(now);
    }
    if (powerOffDue_ && now >= *powerOffDue_) {
        powerOffDue_.reset();
        runPowerOffStep(now);
    }
    if (restartDue_ && now >= *restartDue_) {
        restartDue_.reset();
        host_.restartDisplay();
    }
}

std::optional<PowerPanelLogic::TimePoint> PowerPanelLogic::nextDeadline() const {
    std::optional<TimePoint> next;
    for (const auto& due : {powerOnDue_, powerOffDue_, restartDue_})
        if (due && (!next || *due < *next))
            next = due;
    return next;
}

void PowerPanelLogic::armPowerOn(TimePoint now, Ms wait) {
    host_.clearStatusReceived();
    powerOnDue_ = now + wait;
}

void PowerPanelLogic::armPowerOff(TimePoint now, Ms wait) {
    host_.clearStatusReceived();
    powerOffDue_ = now + wait;
}

bool PowerPanelLogic::winchEchoMatches(const PowerLoggerStatus& status) const {
    const std::optional<WinchSettingsBytes> sent = host_.sentWinchSettings();
    if (!sent)
        return false;
    const WinchSettingsBytes& b = *sent;
    return status.echoWord2 == (b[0] | (b[1] << 8)) && status.echoWord4 == (b[2] | (b[3] << 8)) &&
           status.echoByte6 == b[4];
}

bool PowerPanelLogic::downholeEchoMatches(const PowerLoggerStatus& status) const {
    const std::optional<DownholeSettingsBytes> sent = host_.sentDownholeSettings();
    return sent && status.upholeGainEcho == (*sent)[0] && status.downholeEnergyEcho == (*sent)[1];
}

void PowerPanelLogic::order(bool (PowerPanelHost::*send)()) {
    // A frame that was not handed over shows in the logger's answer, which the sequence checks
    // before its next step (the echoes, the busy bits); the last camera settings of the power-on
    // repeat those sent before the power-on order.
    static_cast<void>((host_.*send)());
}

void PowerPanelLogic::echoMismatch(TimePoint now, bool (PowerPanelHost::*resend)()) {
    if (retries_++ > EchoRetryLimit) {
        retries_ = 0;
        switchOff(now);
        return;
    }
    order(resend);
    armPowerOn(now, AfterEchoMismatch);
}

void PowerPanelLogic::runPowerOnStep(TimePoint now) {
    switch (step_) {
    case 0:
        // The first order goes out without waiting for the link.
        order(&PowerPanelHost::sendF1);
        retries_ = 0;
        host_.clearOrientationResults();
        step_ = 1;
        armPowerOn(now, AfterWinchSettings);
        return;
    case 1:
    case 2:
    case 4:
    case 5:
    case 6:
        break;
    default:
        return; // not a step of the sequence: it ends here
    }

    const PowerLoggerStatus status = host_.loggerStatus();
    if (!host_.sendBufferEmpty() || !status.statusReceived) {
        armPowerOn(now, notReadyWait(step_));
        return;
    }
    switch (step_) {
    case 1:
        if (!winchEchoMatches(status)) {
            echoMismatch(now, &PowerPanelHost::sendF1);
            return;
        }
        retries_ = 0;
        order(&PowerPanelHost::sendF3);
        step_ = 2;
        armPowerOn(now, AfterDownholeSettings);
        return;
    case 2:
        if (!downholeEchoMatches(status)) {
            echoMismatch(now, &PowerPanelHost::sendF3);
            return;
        }
        retries_ = 0;
        order(&PowerPanelHost::sendF12);
        step_ = 4;
        armPowerOn(now, AfterCameraSettings);
        return;
    case 4:
        retries_ = 0;
        order(&PowerPanelHost::sendF11);
        step_ = 5;
        armPowerOn(now, AfterPowerOnOrder);
        return;
    case 5:
        if ((status.flags & BusyBits) != 0) {
            retries_ = 0;
            host_.resetStatistics();
            step_ = 6;
            armPowerOn(now, AfterBusy);
            return;
        }
        if (retries_++ > BusyRetryLimit) {
            retries_ = 0;
            host_.showMessage(OrderRefusedText);
            switchOff(now);
            return;
        }
        order(&PowerPanelHost::sendF11);
        armPowerOn(now, AfterPowerOnOrder);
        return;
    default: // 6
        order(&PowerPanelHost::sendF12);
        restartDue_ = now + DisplayRestartDelay;
        step_ = IdleStep;
        return;
    }
}

void PowerPanelLogic::runPowerOffStep(TimePoint now) {
    const PowerLoggerStatus status = host_.loggerStatus();
    if (!host_.sendBufferEmpty() || !status.statusReceived) {
        armPowerOff(now, PowerOffNotReady);
        return;
    }
    step_ = IdleStep;
    powerOnDue_.reset();
    if ((status.flags & BusyBits) != 0) {
        if (retries_ < PowerOffRetryLimit)
            armPowerOff(now, PowerOffCheck);
        order(&PowerPanelHost::sendF0);
        ++retries_;
        return;
    }
    if (confirmations_ == 0) {
        confirmations_ = 1;
        armPowerOff(now, PowerOffCheck);
        return;
    }
    confirmations_ = 0;
    retries_ = 0;
    restartDue_ = now + DisplayRestartDelay;
}

PowerPanelLogic::ButtonView PowerPanelLogic::refreshButton() {
    ButtonView view;
    const int linkState = host_.linkState();
    view.enabled = linkState > 2;
    if (!view.enabled)
        switchedOn_ = false;

    if (step_ == IdleStep && !powerOnDue_ && !powerOffDue_) {
        // No sequence runs: the logger's busy bits tell whether the sonde is on, also when they
        // change by themselves.
        const bool busy = (host_.loggerStatus().flags & BusyBits) != 0;
        image_ = busy ? ButtonImage::On : ButtonImage::Off;
        recorder_.sondeOn = busy;
        switchedOn_ = busy;
    } else if (powerOffDue_) {
        blink_ = !blink_;
        image_ = blink_ ? ButtonImage::SwitchingOff : ButtonImage::Off;
    } else if (step_ != IdleStep && linkState > 2) {
        blink_ = !blink_;
        image_ = blink_ ? ButtonImage::SwitchingOn : ButtonImage::On;
    }
    view.image = image_;
    return view;
}

PowerPanelLogic::PowerState PowerPanelLogic::powerState() const {
    if (powerOffDue_)
        return PowerState::PoweringOff;
    if (powerOnDue_)
        return PowerState::PoweringOn;
    return switchedOn_ ? PowerState::On : PowerState::Off;
}

} // namespace zarn
