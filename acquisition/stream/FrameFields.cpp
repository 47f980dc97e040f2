#include "acquisition/stream/FrameFields.h"

#include <bit>
#include <cmath>

namespace zarn {

ShutterSetting shutterSetting(std::uint8_t configured, std::uint8_t applied) {
    static constexpr double factors[] = {1.2, 1.44, 1.73, 2.0}; // configured 21 to 24
    if (configured > 20 && configured <= 24 && applied == 20)
        return ShutterSetting{configured, factors[configured - 21]};
    return ShutterSetting{applied, 1.0};
}

double secondTemperatureOf(std::uint8_t t2) {
    const long scaled = std::lround(t2 * 8.0 / 7.0);
    return static_cast<double>(scaled % 256) * 0.5;
}

std::string communicationStatusTexts(std::uint8_t status) {
    static constexpr const char* texts[8] = {
        nullptr,       " - No Resp",    " - Int Resp", " - Checksum error", " - Sonde Parametring",
        " - Updating", " - Bad Length", " - Bad Data",
    };
    std::string out;
    for (int bit = 1; bit < 8; ++bit)
        if (status & (1u << bit))
            out += texts[bit];
    return out;
}

bool readDspTrailer(std::span<const std::uint8_t> payload, std::array<std::uint8_t, 6>& readBack) {
    const std::size_t n = payload.size();
    if (n < 2 || payload[n - 1] != 0x81)
        return false;
    const std::uint8_t flag = payload[n - 2];
    const std::size_t announced =
        static_cast<std::size_t>(std::popcount(static_cast<unsigned>(flag & 0x7E)));
    if (announced > n - 2)
        return false;
    std::size_t next = n - 2; // one past the next byte to take, walking backwards
    if (flag & 0x02)
        readBack[5] = payload[--next];
    for (int bit = 2; bit <= 6; ++bit)
        if (flag & (1u << bit))
            readBack[static_cast<std::size_t>(6 - bit)] = payload[--next];
    return true;
}

} // namespace zarn
