// Conversions of single fields of the inbound frames.
#pragma once

#include "acquisition/wire/ImageRows.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zarn {

// The sonde applies at most shutter 20; a configured 21 to 24 is carried out by brightening the
// image rows instead.
struct ShutterSetting {
    std::uint8_t shutter = 0; // the shutter to show and record
    double factor = 1.0;      // the brightness factor of the image row builder
};
ShutterSetting shutterSetting(std::uint8_t configured, std::uint8_t applied);

// The second temperature byte in degrees Celsius.
double secondTemperatureOf(std::uint8_t t2);

// The texts of the error bits of a communication status byte, in bit order (" - No Resp - Bad
// Data" for 0x82); empty when no error bit is set.
std::string communicationStatusTexts(std::uint8_t status);

// The sonde's DSP error trailer at the end of a video payload: last byte 0x81, the flag byte
// before it, then one byte per set flag bit walking backwards (bit 1 → read-back value 5, bits
// 2 to 6 → values 4 to 0). False, and nothing changed, when the payload has no trailer or is too
// short for the bytes its flag announces.
[[nodiscard]] bool readDspTrailer(std::span<const std::uint8_t> payload,
                                  std::array<std::uint8_t, 6>& readBack);

} // namespace zarn
