// JPEG pictures through libjpeg-turbo: baseline files at a chosen quality, read back into our
// pixels.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/CodecSupport.h"

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

struct JpegOptions {
    int quality = 90; // 1 to 100
    // One grey channel, for a picture whose pixels are grey (R = G = B); else full colour
    // without chroma subsampling, so that thin coloured ticks and labels stay sharp.
    bool grey = false;
};

// The JPEG file bytes of the view, or nothing (with the reason in *error).
[[nodiscard]] std::optional<std::string> encodeJpeg(const ConstPixelView& image,
                                                    const JpegOptions& options = {},
                                                    std::string* error = nullptr);

// The pixels of JPEG file bytes (alpha 0xFF). A file that ends early or holds damaged data is
// decoded as far as it goes, as picture programs do; nothing, with the reason in *error, when no
// picture can be decoded at all or it is larger than maximumPixels.
[[nodiscard]] std::optional<PixelImage>
decodeJpeg(std::string_view bytes, std::string* error = nullptr,
           std::size_t maximumPixels = MaximumPicturePixels);

} // namespace zarn
