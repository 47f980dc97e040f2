// The caller's side of FT_EE_Read: a record made the way the D2XX documentation asks for it
// (signatures and version set, every other field zero, the four texts pointed at buffers of the
// documented sizes, all owned here) and the values read back from it.
#pragma once

#include "platform/ftd2xx/Ftd2xx.h"

#include <array>
#include <cstdint>
#include <string>

namespace zarn {

class EepromReadRecord {
public:
    EepromReadRecord();
    // The record points into this object: it is neither copied nor moved.
    EepromReadRecord(const EepromReadRecord&) = delete;
    EepromReadRecord& operator=(const EepromReadRecord&) = delete;

    // What FT_EE_Read takes.
    FT_EEPROM_RECORD* record() { return &record_; }
    const FT_EEPROM_RECORD& fields() const { return record_; }

    std::uint16_t vendorId() const { return record_.VendorId; }
    std::uint16_t productId() const { return record_.ProductId; }
    // The texts up to their terminator, or the whole buffer when the library left none.
    std::string description() const;
    std::string serialNumber() const;

private:
    std::array<char, FT_EE_MANUFACTURER_SIZE> manufacturer_{};
    std::array<char, FT_EE_MANUFACTURER_ID_SIZE> manufacturerId_{};
    std::array<char, FT_EE_DESCRIPTION_SIZE> description_{};
    std::array<char, FT_EE_SERIAL_NUMBER_SIZE> serialNumber_{};
    FT_EEPROM_RECORD record_{};
};

} // namespace zarn
