// BMP pictures, written and read by our own code.
//
// Written: 24 bits a pixel, rows bottom up, no compression, a 40-byte information header; the
// alpha byte of our pixels is not kept. Read: information headers of 12, 40, 52, 56, 108 and 124
// bytes, rows bottom up or top down, 1, 4, 8 (with their colour table), 16, 24 and 32 bits a pixel,
// uncompressed or with bit-field masks. Run-length compressed files are refused with a reason.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/CodecSupport.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace zarn {

// Writes the view as a BMP file to the stream. False, with the reason in *error, for an empty
// view, a picture too large for the format's 32-bit sizes, or a failed write.
[[nodiscard]] bool writeBmp(std::ostream& out, const ConstPixelView& image,
                            std::string* error = nullptr);

// The pixels of BMP file bytes (alpha 0xFF), top row first. Nothing, with the reason in *error,
// for bytes that are not a BMP picture we read or a picture larger than maximumPixels.
[[nodiscard]] std::optional<PixelImage> decodeBmp(std::string_view bytes,
                                                  std::string* error = nullptr,
                                                  std::size_t maximumPixels = MaximumPicturePixels);

} // namespace zarn
