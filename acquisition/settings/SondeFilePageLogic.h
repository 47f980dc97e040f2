// The logic of the sonde file page (CPFileTolDlg, "File LvZARN.tol setting"): every field of a
// stored sonde shown and written. A Write reads all the fields first; one field that is not a
// number refuses the whole Write with its message, and nothing is written.
#pragma once

#include "acquisition/settings/SondeDatabase.h"
#include "platform/MessageBus.h"

#include <array>
#include <string>

namespace zarn {

class SondeFilePageLogic {
public:
    static constexpr double MaxImageOffset = 359.9;
    static constexpr double MaxGammaCoefficient = 1.0;

    // The fields of one slot as the page shows and reads them.
    struct Fields {
        std::string serialNumber;
        std::string sondeLength;
        std::string imageOffset;
        std::string cameraOffset;
        std::string deviationOffset;
        std::string gammaOffset;
        std::string gammaCoefficient;
        bool gammaOnBoard = false;
        bool operator==(const Fields&) const = default;
    };

    explicit SondeFilePageLogic(SondeDatabase& sondes, MessageBus& bus = MessageBus::instance());

    std::array<std::string, SondeTable::SlotCount> list() const;
    int selected() const { return sondes_.table().selected; }
    Fields shown(int slot) const;

    // "dbase": the slot becomes the selected sonde; the probe page and the depth display are
    // told.
    void choose(int slot);

    // "&Write": all fields read, then the slot's section written, the table read again from the
    // file and the probe page told. False, with nothing written, when a field is refused.
    [[nodiscard]] bool write(int slot, const Fields& fields);

private:
    SondeDatabase& sondes_;
    MessageBus& bus_;
};

} // namespace zarn
