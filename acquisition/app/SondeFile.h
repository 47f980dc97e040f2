// The sonde file LvZARN.tol (sections "Sonde0" to "Sonde9") and the single-sonde import files
// (one section "Sonde"): reading and writing the sonde table's slots.
#pragma once

#include "acquisition/app/SondeTable.h"

#include <filesystem>
#include <string>

namespace zarn {

class SondeFile {
public:
    // LvZARN.tol in the program folder.
    static std::filesystem::path DefaultPath();

    // Reads all ten slots (missing keys take their defaults, a missing or unreadable file gives
    // ten empty slots), clamps the selected index to 0..9 and copies the selected slot into the
    // working copy. The selected index itself comes from the configuration (SondeUsed).
    static void Load(const std::filesystem::path& file, SondeTable& table);

    // How GammaCoef is written: "%#.2f" by the probe page and imports, "%6G" otherwise.
    enum class CoefForm { TwoDecimals, Float };
    // Writes one slot's section with the key forms of the file, all eight keys in one update of
    // the file, so that a crash never leaves a section half old and half new. An empty slot
    // (serial 0 or less) gets SerialNumber "-". False when the slot index is outside 0..9 or
    // the file cannot be written (it is then unchanged).
    [[nodiscard]] static bool WriteSlot(const std::filesystem::path& file, int slot,
                                        const SondeSlot& sonde, CoefForm coefForm);
    // Writes a removed (blank) slot: SerialNumber "-", ImageOffset "0", GammaCoef as a float.
    [[nodiscard]] static bool WriteRemovedSlot(const std::filesystem::path& file, int slot);

    // Reads section "Sonde" of an import file with the defaults of the sonde file; no clamps.
    // False when the file has no "Sonde" section (missing, unreadable or not a sonde file).
    [[nodiscard]] static bool ReadImport(const std::filesystem::path& file, SondeSlot& sonde);

    // The values a slot takes when its sonde is removed.
    static SondeSlot RemovedSlot();
};

} // namespace zarn
