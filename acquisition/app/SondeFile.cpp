#include "acquisition/app/SondeFile.h"

#include "acquisition/app/Ini.h"
#include "platform/Format.h"
#include "platform/Home.h"
#include "platform/ProfileFile.h"

#include <climits>
#include <cmath>

namespace zarn {
namespace {

constexpr int MissingSerial = -999;

std::string slotSection(int slot) {
    return format("Sonde%d", slot);
}

SondeSlot readSection(CIni& ini, std::string_view section) {
    SondeSlot s;
    s.serialNumber = ini.GetInt("SerialNumber", MissingSerial, section);
    s.sondeLength = ini.GetInt("SondeLenght", 163);
    s.imageOffset = finiteOr(ini.GetDouble("ImageOffset", 0.0), 0.0);
    s.cameraOffset = ini.GetInt("CameraOffset", 8);
    s.deviationOffset = ini.GetInt("DeviationOffset", 107);
    s.gammaOnBoard = ini.GetYesNo("GammaOnBoard", false) ? 1 : 0;
    s.gammaCoefficient = finiteOr(ini.GetDouble("GammaCoef", 1.0), 1.0);
    s.gammaOffset = ini.GetInt("GammaOffset", 145);
    return s;
}

[[nodiscard]] bool writeSection(const std::filesystem::path& file, int slot, const SondeSlot& sonde,
                                const std::string& imageOffsetText, SondeFile::CoefForm coefForm) {
    if (slot < 0 || slot >= SondeTable::SlotCount)
        return false;
    const std::string section = slotSection(slot);
    const std::string coefText =
        coefForm == SondeFile::CoefForm::TwoDecimals
            ? format("%#.2f", sonde.gammaCoefficient)
            // The float form of CIni::WriteFloat.
            : format("%6G", double(static_cast<float>(sonde.gammaCoefficient)));
    const std::pair<const char*, std::string> keys[] = {
        {"SerialNumber", sonde.occupied() ? format("%04d", sonde.serialNumber) : "-"},
        {"SondeLenght", format("%d", sonde.sondeLength)},
        {"ImageOffset", imageOffsetText},
        {"CameraOffset", format("%d", saturatedTrunc(sonde.cameraOffset))},
        {"DeviationOffset", format("%d", saturatedTrunc(sonde.deviationOffset))},
        {"GammaOnBoard", sonde.gammaOnBoard ? "yes" : "no"},
        {"GammaCoef", coefText},
        {"GammaOffset", format("%d", saturatedTrunc(sonde.gammaOffset))},
    };
    // One change of the file: a crash never leaves a section with a new serial and the old
    // sonde's offsets.
    CIni ini(file.string(), section);
    return ini.Batch([&] {
        // Inside the batch a write only changes the document and answers true.
        for (const auto& [key, value] : keys)
            static_cast<void>(ini.WriteString(key, value));
    });
}

} // namespace

std::filesystem::path SondeFile::DefaultPath() {
    return Home::configDir() / "LvZARN.tol";
}

void SondeFile::Load(const std::filesystem::path& file, SondeTable& table) {
    CIni ini(file.string());
    ini.ReadAll([&] {
        for (int n = 0; n < SondeTable::SlotCount; ++n)
            table.slots[static_cast<size_t>(n)] = readSection(ini, slotSection(n));
    });
    if (table.selected < 0 || table.selected >= SondeTable::SlotCount)
        table.selected = 0;
    table.copySelectedToWorking();
}

bool SondeFile::WriteSlot(const std::filesystem::path& file, int slot, const SondeSlot& sonde,
                          CoefForm coefForm) {
    return writeSection(file, slot, sonde, format("%#.1f", sonde.imageOffset), coefForm);
}

bool SondeFile::WriteRemovedSlot(const std::filesystem::path& file, int slot) {
    return writeSection(file, slot, RemovedSlot(), "0", CoefForm::Float);
}

bool SondeFile::ReadImport(const std::filesystem::path& file, SondeSlot& sonde) {
    CIni ini(file.string());
    if (!ProfileFile::load(ini.File()).hasSection("Sonde"))
        return false;
    sonde = readSection(ini, "Sonde");
    return true;
}

SondeSlot SondeFile::RemovedSlot() {
    SondeSlot s;
    s.serialNumber = 0;
    s.sondeLength = 162;
    s.imageOffset = 0.0;
    s.cameraOffset = 8;
    s.deviationOffset = 107;
    s.gammaOffset = 145;
    s.gammaCoefficient = 1.0;
    s.gammaOnBoard = 0;
    return s;
}

} // namespace zarn
