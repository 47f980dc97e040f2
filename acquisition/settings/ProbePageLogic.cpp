#include "acquisition/settings/ProbePageLogic.h"

#include "acquisition/settings/NumberEntry.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <cmath>

namespace zarn {
namespace {

constexpr int AlignmentSettings = 1;
constexpr int OperatorSettings = 2;

void refuse(const std::string& text) {
    showMessage(text, MessageIcon::Warning);
}

bool confirmed(const char* question) {
    return showMessage(question, MessageIcon::Error, MessageButtons::YesNo) == MessageAnswer::Yes;
}

} // namespace

ProbePageLogic::ProbePageLogic(LoggerSetupHost& host, SondeDatabase& sondes, MessageBus& bus)
    : host_(host), sondes_(sondes), bus_(bus), voltageOnLine_(host, SetupOrder::SurfaceVoltage),
      surfaceParameters_(host, SetupOrder::WinchSettings), lastState_(host.runState()) {}

ProbePageLogic::~ProbePageLogic() {
    // The camera never stays on its alignment settings once the page is gone.
    if (imageOffsetEdit_)
        cancelImageOffsetEdit();
}

std::array<std::string, SondeTable::SlotCount>
ProbePageLogic::sondeListOf(const SondeTable& table) {
    std::array<std::string, SondeTable::SlotCount> list;
    for (size_t i = 0; i < list.size(); ++i) {
        const SondeSlot& s = table.slots[i];
        list[i] = s.occupied() ? format("%04d", s.serialNumber) : std::string("-");
    }
    return list;
}

int ProbePageLogic::occupiedSlots() const {
    const auto& slots = sondes_.table().slots;
    return static_cast<int>(
        std::count_if(slots.begin(), slots.end(), [](const SondeSlot& s) { return s.occupied(); }));
}

// ---------------------------------------------------------------------------------------------
// Surface voltage, declination, gamma

bool ProbePageLogic::enterVoltage(std::string_view text) {
    const NumberEntry::Reading r = NumberEntry::readInteger(text);
    if (!r.taken() || *r.value < MinVoltage || *r.value > MaxVoltage) {
        refuse(format(VoltageText, MaxVoltage));
        return false;
    }
    static_cast<void>(host_.editConfiguration(
        [&](Configuration& c) { c.logger.sondeSupplyVoltage = static_cast<int>(*r.value); }));
    (host_.runState().sondePowered ? voltageOnLine_ : surfaceParameters_).request();
    return true;
}

bool ProbePageLogic::stepVoltage(int direction) {
    const int now = host_.configuration().logger.sondeSupplyVoltage;
    const int next = std::clamp(now + (direction > 0 ? 1 : -1), MinVoltage, MaxVoltage);
    return next != now && enterVoltage(format("%d", next));
}

bool ProbePageLogic::enterDeclination(std::string_view text) {
    const NumberEntry::Reading r = NumberEntry::readDouble(text);
    if (!r.taken() || *r.value < 0.0 || *r.value > MaxDeclination) {
        refuse(DeclinationText);
        return false;
    }
    static_cast<void>(
        host_.editConfiguration([&](Configuration& c) { c.logger.magneticOffset = *r.value; }));
    return true;
}

void ProbePageLogic::stepDeclination(int direction) {
    // In hundredths, so that the steps neither drift nor miss the ends.
    const long now = std::lround(host_.configuration().logger.magneticOffset * 100.0);
    long next = now + (direction > 0 ? 10 : -10);
    if (next > 35999)
        next = 0;
    else if (next < 0)
        next = 35999;
    static_cast<void>(host_.editConfiguration(
        [&](Configuration& c) { c.logger.magneticOffset = static_cast<double>(next) / 100.0; }));
}

void ProbePageLogic::setGammaMode(int mode) {
    const int m = mode >= 0 && mode <= 2 ? mode : 0;
    static_cast<void>(host_.editConfiguration([&](Configuration& c) {
        c.logger.gammaScale = m;
        c.logger.gammaShown = m == 0 ? 0 : 1;
    }));
}

void ProbePageLogic::setGammaMaximum(int maximum) {
    if (std::find(GammaMaxima.begin(), GammaMaxima.end(), maximum) == GammaMaxima.end())
        return;
    static_cast<void>(
        host_.editConfiguration([&](Configuration& c) { c.logger.gammaMaximum = maximum; }));
}

void ProbePageLogic::setGammaAverage(bool average) {
    static_cast<void>(host_.editConfiguration(
        [&](Configuration& c) { c.logger.gammaIsAverage = average ? 1 : 0; }));
}

bool ProbePageLogic::stepGammaFilter(int direction) {
    const int now = host_.configuration().logger.gammaFilter;
    const int next = std::clamp(now + (direction > 0 ? 1 : -1), MinGammaFilter, MaxGammaFilter);
    if (next == now)
        return false;
    static_cast<void>(
        host_.editConfiguration([&](Configuration& c) { c.logger.gammaFilter = next; }));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Sondes

void ProbePageLogic::selectSonde(int slot) {
    if (imageOffsetEdit_)
        cancelImageOffsetEdit();
    // A configuration that could not be written has been reported; the sonde is selected.
    static_cast<void>(sondes_.Select(slot));
    for (Role role : {Role::SondeFilePage, Role::DepthDisplay, Role::CommunicationPage})
        bus_.post(role, command(Cmd::SondeChanged));
}

SondeDatabase::ImportResult
ProbePageLogic::addSonde(const SondeDatabase::ChooseImportFile& chooseFile) {
    if (imageOffsetEdit_)
        cancelImageOffsetEdit();
    return sondes_.Import(chooseFile);
}

bool ProbePageLogic::removeSonde() {
    if (imageOffsetEdit_)
        cancelImageOffsetEdit();
    return sondes_.Remove();
}

// ---------------------------------------------------------------------------------------------
// Image offset edit

double ProbePageLogic::workingImageOffset() const {
    return sondes_.table().working.imageOffset;
}

bool ProbePageLogic::beginImageOffsetEdit() {
    if (imageOffsetEdit_ || !sondes_.table().selectedSlot().occupied() || !confirmed(CriticalText))
        return false;
    imageOffsetEdit_ = true;
    sondes_.EditImageOffset(workingImageOffset());
    bus_.post(Role::CameraPanel, privateMessage(Cmd::ImageOffsetAdjust, AlignmentSettings));
    return true;
}

std::optional<double> ProbePageLogic::readImageOffset(std::string_view text) const {
    const NumberEntry::Reading r = NumberEntry::readDouble(text);
    if (!r.taken()) {
        refuse(BadEntryFormatText);
        return std::nullopt;
    }
    if (*r.value < 0.0 || *r.value > MaxImageOffset) {
        refuse(ImageOffsetRangeText);
        return std::clamp(*r.value, 0.0, MaxImageOffset);
    }
    return *r.value;
}

bool ProbePageLogic::checkImageOffset(std::string_view text) {
    if (!imageOffsetEdit_)
        return false;
    const std::optional<double> v = readImageOffset(text);
    if (!v)
        return false;
    sondes_.EditImageOffset(*v);
    return true;
}

bool ProbePageLogic::stepImageOffset(int direction) {
    if (!imageOffsetEdit_)
        return false;
    const long now = std::lround(workingImageOffset() * 10.0);
    if ((direction > 0 && now >= 3599) || (direction < 0 && now <= 1))
        return false;
    sondes_.EditImageOffset(static_cast<double>(now + (direction > 0 ? 1 : -1)) / 10.0);
    return true;
}

void ProbePageLogic::endImageOffsetEdit() {
    imageOffsetEdit_ = false;
    bus_.post(Role::CameraPanel, privateMessage(Cmd::ImageOffsetAdjust, OperatorSettings));
}

bool ProbePageLogic::saveImageOffsetEdit(std::string_view text) {
    if (!imageOffsetEdit_)
        return false;
    const std::optional<double> v = readImageOffset(text);
    if (!v) {
        // Nothing saved: the slot keeps its value and the edit ends as cancelled.
        cancelImageOffsetEdit();
        return false;
    }
    sondes_.EditImageOffset(*v);
    const bool written = sondes_.SaveImageOffsetEdit();
    endImageOffsetEdit();
    bus_.post(Role::SondeFilePage, command(Cmd::SondeChanged));
    return written;
}

void ProbePageLogic::cancelImageOffsetEdit() {
    if (!imageOffsetEdit_)
        return;
    sondes_.CancelImageOffsetEdit();
    endImageOffsetEdit();
}

void ProbePageLogic::followRunState(const SetupRunState& state) {
    const bool recordingStarted = state.recording && !lastState_.recording;
    const bool switchedOff = !state.sondePowered && lastState_.sondePowered;
    lastState_ = state;
    if (imageOffsetEdit_ && (recordingStarted || switchedOff))
        cancelImageOffsetEdit();
}

// ---------------------------------------------------------------------------------------------
// Gamma coefficient edit

bool ProbePageLogic::beginGammaCoefficientEdit() {
    if (gammaEdit_ || !sondes_.table().selectedSlot().occupied() || !confirmed(CriticalText))
        return false;
    gammaEdit_ = true;
    return true;
}

bool ProbePageLogic::saveGammaCoefficientEdit(std::string_view text) {
    if (!gammaEdit_)
        return false;
    gammaEdit_ = false;
    const NumberEntry::Reading r = NumberEntry::readDouble(text);
    if (!r.taken())
        return false;
    if (*r.value < MinGammaCoefficient || *r.value > MaxGammaCoefficient) {
        refuse(GammaCoefficientText);
        return false;
    }
    const bool written = sondes_.SetGammaCoefficient(*r.value);
    bus_.post(Role::SondeFilePage, command(Cmd::SondeChanged));
    return written;
}

} // namespace zarn
