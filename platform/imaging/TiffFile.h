// TIFF pictures through libtiff.
//
// Written: 8 bits a sample, RGB or (for grey pictures) one grey channel, LZW with the horizontal
// predictor, rows top down. Read: whatever libtiff turns into RGBA, oriented top left.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/CodecSupport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

struct TiffOptions {
    bool grey = false; // the pixels are grey (R = G = B): one channel
};

// Writes the view as a TIFF file at path (the caller names a temporary file and renames it). False,
// with the reason in *error, when libtiff cannot create or write it.
[[nodiscard]] bool writeTiff(const std::filesystem::path& path, const ConstPixelView& image,
                             const TiffOptions& options = {}, std::string* error = nullptr);

// The pixels of TIFF file bytes (the first picture of the file). Nothing, with the reason in
// *error, for bytes that are not a TIFF picture libtiff reads or one larger than maximumPixels.
[[nodiscard]] std::optional<PixelImage>
decodeTiff(std::string_view bytes, std::string* error = nullptr,
           std::size_t maximumPixels = MaximumPicturePixels);

} // namespace zarn
