#include "platform/ftd2xx/EepromIdentity.h"

#include <algorithm>
#include <cstring>

namespace zarn {
namespace {

void copyText(char* to, std::size_t size, const std::string& from) {
    if (!to)
        return;
    const std::size_t n = std::min(from.size(), size - 1);
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

} // namespace

bool EepromIdentity::accepts(const FT_EEPROM_RECORD* record) {
    return record && record->Signature1 == FT_EE_SIGNATURE1 &&
           record->Signature2 == FT_EE_SIGNATURE2;
}

FT_STATUS EepromIdentity::writeTo(FT_EEPROM_RECORD* record) const {
    if (!accepts(record))
        return FT_INVALID_PARAMETER;
    record->VendorId = vendorId;
    record->ProductId = productId;
    copyText(record->Manufacturer, FT_EE_MANUFACTURER_SIZE, manufacturer);
    copyText(record->ManufacturerId, FT_EE_MANUFACTURER_ID_SIZE, manufacturerId);
    copyText(record->Description, FT_EE_DESCRIPTION_SIZE, description);
    copyText(record->SerialNumber, FT_EE_SERIAL_NUMBER_SIZE, serialNumber);
    return FT_OK;
}

} // namespace zarn
