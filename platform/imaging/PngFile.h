// PNG pictures of 32-bit pixel buffers, through libpng: the image memory (or a band of it) saved
// for the tests and the command line, and pictures read back.
//
// Pixels are written as 8-bit RGB: the alpha byte of our buffers carries no meaning (decoded rows
// leave it 0, cleared areas set it to 0xFF) and the screen ignores it, so the file does too.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/CodecSupport.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// The PNG file bytes of the view, or nothing (with the reason in *error) when it is empty or
// libpng fails.
[[nodiscard]] std::optional<std::string> encodePng(const ConstPixelView& image,
                                                   std::string* error = nullptr);

// Writes the view to the file as a whole (a crash leaves the old file or the new one). False,
// with the reason in *error, when encoding or writing fails.
[[nodiscard]] bool savePng(const std::filesystem::path& path, const ConstPixelView& image,
                           std::string* error = nullptr);

// The pixels of PNG file bytes: alpha 0xFF where the picture has none. Nothing, with the reason
// in *error, for bytes that are not a valid PNG or a picture larger than maximumPixels.
[[nodiscard]] std::optional<PixelImage> decodePng(std::string_view bytes,
                                                  std::string* error = nullptr,
                                                  std::size_t maximumPixels = MaximumPicturePixels);
[[nodiscard]] std::optional<PixelImage> loadPng(const std::filesystem::path& path,
                                                std::string* error = nullptr);

} // namespace zarn
