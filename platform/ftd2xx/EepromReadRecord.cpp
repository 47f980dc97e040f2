#include "platform/ftd2xx/EepromReadRecord.h"

#include <cstring>

namespace zarn {
namespace {

template <std::size_t N> std::string text(const std::array<char, N>& buffer) {
    return std::string(buffer.data(), ::strnlen(buffer.data(), N));
}

} // namespace

EepromReadRecord::EepromReadRecord() {
    std::memset(&record_, 0, sizeof record_); // padding too
    record_.Signature1 = FT_EE_SIGNATURE1;
    record_.Signature2 = FT_EE_SIGNATURE2;
    record_.Version = FT_EE_VERSION;
    record_.Manufacturer = manufacturer_.data();
    record_.ManufacturerId = manufacturerId_.data();
    record_.Description = description_.data();
    record_.SerialNumber = serialNumber_.data();
}

std::string EepromReadRecord::description() const {
    return text(description_);
}

std::string EepromReadRecord::serialNumber() const {
    return text(serialNumber_);
}

} // namespace zarn
