// Picture files chosen by MIME type: the encoders we have ("image/bmp", "image/jpeg",
// "image/tiff", "image/png", in that order), the lookup of a file name's extension, saving a
// picture under its final name only once it is whole, and reading any of them back by its
// content.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/CodecSupport.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zarn {

enum class PictureFormat { Bmp, Jpeg, Tiff, Png };

struct PictureEncoder {
    PictureFormat format;
    std::string_view mimeType;
};

// The encoders, in their order.
std::span<const PictureEncoder> pictureEncoders();

// The MIME type of a file name or a bare extension, compared without regard to case in this
// order: "jpg" and "jpeg" (image/jpeg), "tif" and "tiff" (image/tiff), "bmp", "png", "gif".
// Nothing for any other.
std::optional<std::string_view> mimeTypeOfExtension(std::string_view fileNameOrExtension);

// The index in pictureEncoders() of the encoder for a file name or extension, or -1 (also for
// "gif", which has a MIME type but no encoder here).
int encoderIndexOf(std::string_view fileNameOrExtension);

struct PictureSaveOptions {
    int jpegQuality = 90;
    // The pixels are grey (R = G = B): JPEG and TIFF store one channel.
    bool grey = false;
};

// Writes the picture with the encoder of the MIME type: under a temporary name beside path,
// renamed over path when complete, so that a failure leaves no half-written file under the final
// name. False, with the reason in *error, for a MIME type without encoder or a failed write.
[[nodiscard]] bool savePicture(const std::filesystem::path& path, const ConstPixelView& image,
                               std::string_view mimeType, const PictureSaveOptions& options = {},
                               std::string* error = nullptr);

// The format of picture file bytes by their first bytes, or nothing.
std::optional<PictureFormat> pictureFormatOf(std::string_view bytes);

// The pixels of BMP, JPEG, TIFF or PNG file bytes, whichever they hold.
[[nodiscard]] std::optional<PixelImage>
decodePicture(std::string_view bytes, std::string* error = nullptr,
              std::size_t maximumPixels = MaximumPicturePixels);
[[nodiscard]] std::optional<PixelImage>
loadPicture(const std::filesystem::path& path, std::string* error = nullptr,
            std::size_t maximumPixels = MaximumPicturePixels);

} // namespace zarn
