#include "acquisition/settings/CommPageLogic.h"

#include "acquisition/settings/LineSpeedTable.h"
#include "acquisition/settings/NumberEntry.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>

namespace zarn {

// ---------------------------------------------------------------------------------------------
// Indicators

namespace {

struct StatusBit {
    int indicator;
    std::uint8_t bit;
    CommIndicators::Colour colour;
};

constexpr std::array<StatusBit, 6> StatusBits = {{
    {CommIndicators::NoResp, 1u << 1, CommIndicators::Colour::Red},
    {CommIndicators::IntResp, 1u << 2, CommIndicators::Colour::Red},
    {CommIndicators::ChecksumError, 1u << 3, CommIndicators::Colour::Red},
    {CommIndicators::FrameLengthError, 1u << 6, CommIndicators::Colour::Red},
    {CommIndicators::ParameterUpdate, 1u << 4, CommIndicators::Colour::Yellow},
    {CommIndicators::SettingUpdate, 1u << 5, CommIndicators::Colour::Yellow},
}};
constexpr std::uint8_t ErrorBits = 0x7E; // bits 1 to 6

} // namespace

void CommIndicators::tick(std::uint8_t commStatus) {
    bool anyLit = false;
    for (const StatusBit& s : StatusBits) {
        const auto i = static_cast<std::size_t>(s.indicator);
        if (commStatus & s.bit) {
            colours_[i] = s.colour;
            idle_[i] = 0;
        } else if (colours_[i] != Colour::Grey && ++idle_[i] > HoldTicks) {
            colours_[i] = Colour::Grey;
        }
        anyLit = anyLit || colours_[i] != Colour::Grey;
    }
    const auto up = static_cast<std::size_t>(UpholeDataValid);
    if ((commStatus & 1u) && !anyLit && !(commStatus & ErrorBits)) {
        colours_[up] = Colour::Green;
        idle_[up] = 0;
    } else if (anyLit || (commStatus & ErrorBits)) {
        colours_[up] = Colour::Grey;
    } else if (colours_[up] != Colour::Grey && ++idle_[up] > HoldTicks) {
        colours_[up] = Colour::Grey;
    }
}

void CommIndicators::frameDecoded(std::uint8_t commStatus, int sondeDataFlag) {
    const auto down = static_cast<std::size_t>(DownholeDataValid);
    colours_[down] = sondeDataFlag < 0   ? Colour::Grey
                     : sondeDataFlag > 0 ? Colour::Red
                                         : Colour::Green;
    for (const StatusBit& s : StatusBits)
        if (commStatus & s.bit)
            idle_[static_cast<std::size_t>(s.indicator)] = 0;
}

void CommIndicators::clear() {
    colours_.fill(Colour::Grey);
    idle_.fill(0);
}

// ---------------------------------------------------------------------------------------------
// Page

int CommPageLogic::maximumUpholeDrive(int divisor) {
    return std::min(4 * divisor, MaxDownholeDrive);
}

CommPageLogic::CommPageLogic(LoggerSetupHost& host)
    : host_(host), downhole_(
                       host, SetupOrder::DownholeSettings, [this] { return downholeMatches(); },
                       [this] { warnDownhole(); }),
      surface_(host, SetupOrder::SurfaceVoltage) {}

CommPageLogic::Shown CommPageLogic::shown() const {
    const Configuration c = host_.configuration();
    Shown s;
    s.divisor = c.surface.upholeBaudDivisor;
    const int maximum = maximumUpholeDrive(s.divisor);
    s.maximum = format(MaximumText, maximum);
    s.upholeDrive = NumberEntry::writeInteger(c.logger.upholePulseWidth, MinDrive, maximum);
    s.downholeDrive =
        NumberEntry::writeInteger(c.logger.downholeEnergy, MinDrive, MaxDownholeDrive);
    s.gain = NumberEntry::writeInteger(c.surface.upholeGain, MinGain, MaxGain);
    return s;
}

bool CommPageLogic::chooseSpeed(int divisor) {
    if (baudRateText(divisor) == "-")
        return false;
    const int maximum = maximumUpholeDrive(divisor);
    static_cast<void>(host_.editConfiguration([&](Configuration& c) {
        c.surface.upholeBaudDivisor = divisor;
        c.logger.upholePulseWidth = std::min(c.logger.upholePulseWidth, maximum);
    }));
    surface_.request();
    return true;
}

std::optional<int> CommPageLogic::readIn(std::string_view text, int low, int high) {
    const NumberEntry::Reading r = NumberEntry::readInteger(text);
    if (!r.taken()) {
        showMessage(r.message, MessageIcon::Warning);
        return std::nullopt;
    }
    if (*r.value < low || *r.value > high) {
        showMessage(BadValueText, MessageIcon::Warning);
        return std::nullopt;
    }
    return static_cast<int>(*r.value);
}

bool CommPageLogic::enterUpholeDrive(std::string_view text) {
    const int maximum = maximumUpholeDrive(host_.configuration().surface.upholeBaudDivisor);
    const std::optional<int> v = readIn(text, MinDrive, maximum);
    if (!v)
        return false;
    static_cast<void>(
        host_.editConfiguration([&](Configuration& c) { c.logger.upholePulseWidth = *v; }));
    surface_.request();
    return true;
}

bool CommPageLogic::enterDownholeDrive(std::string_view text) {
    const std::optional<int> v = readIn(text, MinDrive, MaxDownholeDrive);
    if (!v)
        return false;
    static_cast<void>(
        host_.editConfiguration([&](Configuration& c) { c.logger.downholeEnergy = *v; }));
    downhole_.request();
    return true;
}

bool CommPageLogic::enterGain(std::string_view text) {
    const std::optional<int> v = readIn(text, MinGain, MaxGain);
    if (!v)
        return false;
    static_cast<void>(host_.editConfiguration([&](Configuration& c) {
        c.surface.upholeGain = *v;
        c.logger.upholeGain = *v;
    }));
    downhole_.request();
    return true;
}

bool CommPageLogic::downholeMatches() const {
    const std::optional<DownholeFrameBytes> sent = host_.sentDownholeFrame();
    const LoggerReadBack r = host_.readBack();
    return sent && r.upholeGain == (*sent)[1] && r.downholeEnergy == (*sent)[2];
}

void CommPageLogic::warnDownhole() const {
    const std::optional<DownholeFrameBytes> sent = host_.sentDownholeFrame();
    if (!sent)
        return;
    const LoggerReadBack r = host_.readBack();
    if (r.upholeGain != (*sent)[1])
        showMessage(format(GainWarningText, (*sent)[1], r.upholeGain), MessageIcon::Warning);
    if (r.downholeEnergy != (*sent)[2])
        showMessage(format(DriveWarningText, (*sent)[2], r.downholeEnergy), MessageIcon::Warning);
}

CommPageLogic::ReadBackTexts CommPageLogic::readBackTexts() const {
    const SetupRunState s = host_.runState();
    ReadBackTexts t{"-", "-", s.replay};
    if (s.replay || s.sondePowered) {
        const LoggerReadBack r = host_.readBack();
        if (!r.baudText.empty())
            t.speed = r.baudText;
        if (!r.upholeDriveText.empty())
            t.upholeDrive = r.upholeDriveText;
    }
    return t;
}

} // namespace zarn
