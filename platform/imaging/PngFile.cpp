#include "platform/imaging/PngFile.h"

#include "platform/FileIo.h"

#include <bit>
#include <cstring>
#include <limits>
#include <png.h>
#include <vector>

namespace zarn {
namespace {

// libpng's layout of our pixels: the bytes of the 32-bit value in memory order.
constexpr png_uint_32 NativeFormat =
    std::endian::native == std::endian::little ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;

using imaging::fail;

// Releases what libpng allocated for an image, whatever happened.
class ImageGuard {
public:
    explicit ImageGuard(png_image& image) : image_(image) {}
    ~ImageGuard() { png_image_free(&image_); }
    ImageGuard(const ImageGuard&) = delete;
    ImageGuard& operator=(const ImageGuard&) = delete;

private:
    png_image& image_;
};

png_image freshImage() {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    return image;
}

} // namespace

std::optional<std::string> encodePng(const ConstPixelView& view, std::string* error) {
    if (view.empty()) {
        fail(error, "empty picture");
        return std::nullopt;
    }
    // The colour bytes of every pixel, rows packed.
    const std::size_t width = static_cast<std::size_t>(view.width);
    std::vector<png_byte> rgb(width * 3 * static_cast<std::size_t>(view.height));
    png_byte* out = rgb.data();
    for (int y = 0; y < view.height; ++y) {
        const std::uint32_t* row = view.row(y);
        for (std::size_t x = 0; x < width; ++x) {
            *out++ = static_cast<png_byte>(pixelRed(row[x]));
            *out++ = static_cast<png_byte>(pixelGreen(row[x]));
            *out++ = static_cast<png_byte>(pixelBlue(row[x]));
        }
    }

    png_image image = freshImage();
    ImageGuard guard(image);
    image.width = static_cast<png_uint_32>(view.width);
    image.height = static_cast<png_uint_32>(view.height);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, rgb.data(), 0, nullptr)) {
        fail(error, image.message);
        return std::nullopt;
    }
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr)) {
        fail(error, image.message);
        return std::nullopt;
    }
    bytes.resize(size);
    return bytes;
}

bool savePng(const std::filesystem::path& path, const ConstPixelView& image, std::string* error) {
    const std::optional<std::string> bytes = encodePng(image, error);
    if (!bytes)
        return false;
    if (!writeFileAtomically(path, *bytes)) {
        fail(error, "cannot write " + path.string());
        return false;
    }
    return true;
}

std::optional<PixelImage> decodePng(std::string_view bytes, std::string* error,
                                    std::size_t maximumPixels) {
    png_image image = freshImage();
    ImageGuard guard(image);
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        fail(error, image.message[0] ? image.message : "not a PNG picture");
        return std::nullopt;
    }
    if (!imaging::sizeAccepted(image.width, image.height, maximumPixels)) {
        fail(error, "picture too large");
        return std::nullopt;
    }
    image.format = NativeFormat;
    PixelImage result(static_cast<int>(image.width), static_cast<int>(image.height));
    if (!png_image_finish_read(&image, nullptr, result.data(), 0, nullptr)) {
        fail(error, image.message);
        return std::nullopt;
    }
    return result;
}

std::optional<PixelImage> loadPng(const std::filesystem::path& path, std::string* error) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) {
        fail(error, "cannot read " + path.string());
        return std::nullopt;
    }
    return decodePng(*bytes, error);
}

} // namespace zarn
