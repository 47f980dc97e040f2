// The library's side of FT_EE_Read: the identity a bridge library reports and how it goes into
// the caller's record.
#pragma once

#include "platform/ftd2xx/Ftd2xx.h"

#include <cstdint>
#include <string>

namespace zarn {

struct EepromIdentity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::string manufacturer;
    std::string manufacturerId;
    std::string description;
    std::string serialNumber;

    // Whether the record starts with the two signatures; one without them (or none at all) was
    // not made for the documented layout and is refused.
    static bool accepts(const FT_EEPROM_RECORD* record);

    // A refused record gets FT_INVALID_PARAMETER and is left untouched. Otherwise the ids are
    // written and each text is cut to its buffer's documented size and terminated (a null text
    // pointer is skipped). Only fields every version has are written.
    [[nodiscard]] FT_STATUS writeTo(FT_EEPROM_RECORD* record) const;
};

} // namespace zarn
