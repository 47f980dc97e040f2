// The video decoder with arbitrary payload bytes: the first byte picks the width (one of the
// seven), the compression parameter (0 to 6, so unsupported ones too) and the shutter factor; the
// rest is the payload, decoded in both modes into exactly sized rows.
#include "acquisition/stream/ToolsUnCompress.h"
#include "platform/UserMessages.h"

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

// Unsupported parameters would print a message per run.
class QuietMessages : public zarn::UserMessages {
public:
    zarn::MessageAnswer ask(const zarn::UserMessage&) override { return zarn::MessageAnswer::Ok; }
    void notify(const zarn::UserMessage&) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static QuietMessages quiet;
    zarn::UserMessages::install(&quiet);
    if (size == 0)
        return 0;
    static const int widths[] = {360, 540, 720, 900, 1080, 1260, 1440};
    const int width = widths[data[0] % 7];
    const int parameter = (data[0] >> 3) % 7;
    const double shutter = (data[0] >> 6) * 0.75;
    // Copied so that the payload ends exactly where its allocation ends.
    const std::vector<std::uint8_t> payload(data + 1, data + size);

    zarn::CToolsUnCompress decoder;
    decoder.SetShutterFactor(shutter);
    std::vector<std::uint32_t> dct(static_cast<std::size_t>(width) * 8);
    decoder.InitBitReader(payload);
    // Parameters 0 and 6 are refused: the ones in force decode.
    static_cast<void>(decoder.SelectDctParameters(parameter));
    decoder.BuildDctTables();
    if (!decoder.DecodeDctStrip(dct, width))
        std::abort();

    std::vector<std::uint32_t> dpcm(static_cast<std::size_t>(width) * 2);
    // Parameters 0 and 6 are refused: the ones in force decode.
    static_cast<void>(decoder.SelectDpcmParameters(parameter));
    decoder.InitBitReader(payload);
    if (!decoder.DecodeDpcmPair(dpcm, width))
        std::abort();

    for (std::uint32_t pixel : dct)
        if (pixel >> 24)
            std::abort();
    for (std::uint32_t pixel : dpcm)
        if (pixel >> 24)
            std::abort();
    return 0;
}
