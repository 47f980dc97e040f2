#include "acquisition/settings/SondeFilePageLogic.h"

#include "acquisition/settings/NumberEntry.h"
#include "acquisition/settings/ProbePageLogic.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>

namespace zarn {
namespace {

// Reads one field; a refusal shows the field's name with the reason.
std::optional<double> readField(const char* name, const std::string& text, bool integer) {
    const NumberEntry::Reading r =
        integer ? NumberEntry::readInteger(text) : NumberEntry::readDouble(text);
    if (!r.taken())
        showMessage(format("%s\n%s", name, r.message.c_str()), MessageIcon::Warning);
    return r.value;
}

} // namespace

SondeFilePageLogic::SondeFilePageLogic(SondeDatabase& sondes, MessageBus& bus)
    : sondes_(sondes), bus_(bus) {}

std::array<std::string, SondeTable::SlotCount> SondeFilePageLogic::list() const {
    return ProbePageLogic::sondeListOf(sondes_.table());
}

SondeFilePageLogic::Fields SondeFilePageLogic::shown(int slot) const {
    const SondeSlot& s =
        sondes_.table()
            .slots[static_cast<size_t>(slot >= 0 && slot < SondeTable::SlotCount ? slot : 0)];
    Fields f;
    f.serialNumber = s.occupied() ? format("%04d", s.serialNumber) : std::string("-");
    f.sondeLength = NumberEntry::writeInteger(s.sondeLength);
    f.imageOffset = NumberEntry::writeDouble(s.imageOffset, 1);
    f.cameraOffset = NumberEntry::writeInteger(saturatedTrunc(s.cameraOffset));
    f.deviationOffset = NumberEntry::writeInteger(saturatedTrunc(s.deviationOffset));
    f.gammaOffset = NumberEntry::writeInteger(saturatedTrunc(s.gammaOffset));
    f.gammaCoefficient = NumberEntry::writeDouble(s.gammaCoefficient, 2);
    f.gammaOnBoard = s.gammaOnBoard != 0;
    return f;
}

void SondeFilePageLogic::choose(int slot) {
    // A configuration that could not be written has been reported; the sonde is selected.
    static_cast<void>(sondes_.Select(slot));
    for (Role role : {Role::ProbePage, Role::DepthDisplay})
        bus_.post(role, command(Cmd::SondeChanged));
}

bool SondeFilePageLogic::write(int slot, const Fields& fields) {
    if (slot < 0 || slot >= SondeTable::SlotCount)
        return false;
    // The empty slot's "-" is a serial of 0: the slot is written empty.
    const std::optional<double> serial = fields.serialNumber == "-"
                                             ? std::optional<double>(0.0)
                                             : readField("SerialNumber", fields.serialNumber, true);
    if (!serial)
        return false;
    const std::optional<double> length = readField("SondeLength", fields.sondeLength, true);
    if (!length)
        return false;
    const std::optional<double> camera = readField("CameraOffset", fields.cameraOffset, true);
    if (!camera)
        return false;
    const std::optional<double> deviation =
        readField("DeviationOffset", fields.deviationOffset, true);
    if (!deviation)
        return false;
    const std::optional<double> gammaOffset = readField("GammaOffset", fields.gammaOffset, true);
    if (!gammaOffset)
        return false;
    const std::optional<double> image = readField("ImageOffset", fields.imageOffset, false);
    if (!image)
        return false;
    const std::optional<double> coefficient =
        readField("GammaCoef", fields.gammaCoefficient, false);
    if (!coefficient)
        return false;

    SondeSlot s;
    s.serialNumber = static_cast<std::int32_t>(*serial);
    s.sondeLength = static_cast<std::int32_t>(*length);
    s.cameraOffset = *camera;
    s.deviationOffset = *deviation;
    s.gammaOffset = *gammaOffset;
    s.imageOffset = std::clamp(*image, 0.0, MaxImageOffset);
    s.gammaCoefficient = std::min(*coefficient, MaxGammaCoefficient);
    s.gammaOnBoard = fields.gammaOnBoard ? 1 : 0;
    if (!SondeFile::WriteSlot(sondes_.file(), slot, s, SondeFile::CoefForm::Float)) {
        showMessage(
            format("The sonde file %s could not be written.", sondes_.file().string().c_str()),
            MessageIcon::Error);
        return false;
    }
    sondes_.Reload();
    bus_.post(Role::ProbePage, command(Cmd::SondeChanged));
    return true;
}

} // namespace zarn
