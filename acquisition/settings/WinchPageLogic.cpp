#include "acquisition/settings/WinchPageLogic.h"

#include "acquisition/settings/NumberEntry.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <cmath>

namespace zarn {
namespace {

std::uint16_t wordAt(const WinchFrameBytes& frame, std::size_t at) {
    return static_cast<std::uint16_t>(frame[at] | (frame[at + 1] << 8));
}

void refuse(const std::string& text) {
    showMessage(text, MessageIcon::Warning);
}

} // namespace

WinchPageLogic::WinchPageLogic(LoggerSetupHost& host)
    : host_(host), order_(
                       host, SetupOrder::WinchSettings,
                       [this] {
                           const std::optional<WinchFrameBytes> sent = host_.sentWinchFrame();
                           return sent && echoMatches(*sent, host_.readBack());
                       },
                       [] { showMessage(EchoWarningText, MessageIcon::Warning); }) {}

bool WinchPageLogic::imperial() const {
    return host_.configuration().program.depthUnit != 0;
}

WinchPageLogic::Shown WinchPageLogic::shown() const {
    const Configuration c = host_.configuration();
    Shown s;
    s.normal = c.logger.pulleyDirection != 0;
    s.resolution = NumberEntry::writeInteger(c.logger.pulsesPerTurn);
    if (c.program.depthUnit != 0) {
        s.circumference = NumberEntry::writeDouble(c.program.wheelCircumferenceInch, 2);
        s.unit = "inch";
    } else {
        s.circumference = NumberEntry::writeDouble(c.program.wheelCircumferenceMm, 1);
        s.unit = "mm";
    }
    s.cableType = c.logger.cableType;
    return s;
}

double WinchPageLogic::ratio(int pulsesPerTurn, double circumferenceMm) {
    return circumferenceMm / pulsesPerTurn * 3000.0;
}

std::optional<std::string> WinchPageLogic::combinationFault(int pulsesPerTurn,
                                                            double circumferenceMm) {
    if (pulsesPerTurn <= 0 || !(circumferenceMm > 0.0))
        return std::string(BadCombinationText);
    const double r = ratio(pulsesPerTurn, circumferenceMm);
    if (r > MaxRatio)
        return std::string(TooHighText);
    if (r < MinRatio)
        return std::string(TooLowText);
    const double countsPerCm = pulsesPerTurn / circumferenceMm * 40.0;
    if (!(countsPerCm > 10.0 && countsPerCm < 510.0))
        return std::string(BadCombinationText);
    return std::nullopt;
}

void WinchPageLogic::store(const std::function<void(Configuration&)>& change) {
    // A file that could not be written has been reported by the saver; the change holds.
    static_cast<void>(host_.editConfiguration(change));
    order_.request();
}

bool WinchPageLogic::take(int pulsesPerTurn, double circumferenceMm, std::optional<double> inches) {
    if (const std::optional<std::string> fault = combinationFault(pulsesPerTurn, circumferenceMm)) {
        refuse(*fault);
        return false;
    }
    store([&](Configuration& c) {
        c.logger.pulsesPerTurn = pulsesPerTurn;
        c.program.wheelCircumferenceMm = circumferenceMm;
        c.program.wheelCircumferenceInch = inches.value_or(circumferenceMm / MmPerInch);
    });
    return true;
}

bool WinchPageLogic::enterResolution(std::string_view text) {
    const NumberEntry::Reading r = NumberEntry::readInteger(text);
    if (!r.taken()) {
        refuse(r.message);
        return false;
    }
    if (*r.value < MinResolution || *r.value > MaxResolution) {
        refuse(BadResolutionText);
        return false;
    }
    const Configuration c = host_.configuration();
    return take(static_cast<int>(*r.value), c.program.wheelCircumferenceMm,
                c.program.wheelCircumferenceInch);
}

bool WinchPageLogic::enterCircumference(std::string_view text) {
    const NumberEntry::Reading r = NumberEntry::readDouble(text);
    if (!r.taken()) {
        refuse(r.message);
        return false;
    }
    const Configuration c = host_.configuration();
    if (imperial()) {
        if (*r.value < MinCircumferenceInch || *r.value > MaxCircumferenceInch) {
            refuse(BadImperialText);
            return false;
        }
        return take(c.logger.pulsesPerTurn, *r.value * MmPerInch, *r.value);
    }
    if (*r.value < MinCircumferenceMm || *r.value > MaxCircumferenceMm) {
        refuse(BadMetricText);
        return false;
    }
    return take(c.logger.pulsesPerTurn, *r.value, std::nullopt);
}

bool WinchPageLogic::stepResolution(int direction) {
    const Configuration c = host_.configuration();
    const int next = c.logger.pulsesPerTurn + (direction > 0 ? 1 : -1);
    if (next < MinResolution || next > MaxResolution)
        return false;
    if (combinationFault(next, c.program.wheelCircumferenceMm)) {
        refuse(BadCombinationText);
        return false;
    }
    return take(next, c.program.wheelCircumferenceMm, c.program.wheelCircumferenceInch);
}

bool WinchPageLogic::stepCircumference(int direction) {
    const Configuration c = host_.configuration();
    const double sign = direction > 0 ? 1.0 : -1.0;
    double mm = 0.0;
    std::optional<double> inches;
    if (imperial()) {
        // Steps of 0.01 inch on the value as shown, so that repeated steps do not drift.
        const double next = std::round(c.program.wheelCircumferenceInch * 100.0 + sign) / 100.0;
        if (next < MinCircumferenceInch || next > MaxCircumferenceInch)
            return false;
        inches = next;
        mm = next * MmPerInch;
    } else {
        mm = std::round(c.program.wheelCircumferenceMm * 10.0 + sign) / 10.0;
        if (mm < MinCircumferenceMm || mm > MaxCircumferenceMm)
            return false;
    }
    if (combinationFault(c.logger.pulsesPerTurn, mm)) {
        refuse(BadCombinationText);
        return false;
    }
    return take(c.logger.pulsesPerTurn, mm, inches);
}

void WinchPageLogic::setDirection(bool normal) {
    store([&](Configuration& c) { c.logger.pulleyDirection = normal ? 1 : 0; });
}

void WinchPageLogic::setCableType(int cableType) {
    store([&](Configuration& c) { c.logger.cableType = cableType == 1 ? 1 : 0; });
}

bool WinchPageLogic::echoMatches(const WinchFrameBytes& sent, const LoggerReadBack& readBack) {
    return readBack.echoWord2 == wordAt(sent, 2) && readBack.echoWord4 == wordAt(sent, 4) &&
           (readBack.statusFlags & WheelModeBits) == (sent[1] & WheelModeBits);
}

} // namespace zarn
