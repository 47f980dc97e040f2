#include "platform/imaging/PictureCodecs.h"

#include "platform/FileIo.h"
#include "platform/PendingFile.h"
#include "platform/imaging/BmpFile.h"
#include "platform/imaging/JpegFile.h"
#include "platform/imaging/PngFile.h"
#include "platform/imaging/TiffFile.h"

#include <array>
#include <cctype>
#include <cstring>

namespace zarn {
namespace {

using imaging::fail;

constexpr std::array<PictureEncoder, 4> Encoders{{
    {PictureFormat::Bmp, "image/bmp"},
    {PictureFormat::Jpeg, "image/jpeg"},
    {PictureFormat::Tiff, "image/tiff"},
    {PictureFormat::Png, "image/png"},
}};

struct Extension {
    std::string_view extension;
    std::string_view mimeType;
};
// In the order of the lookup.
constexpr std::array<Extension, 7> Extensions{{
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"bmp", "image/bmp"},
    {"png", "image/png"},
    {"gif", "image/gif"},
}};

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

const PictureEncoder* encoderOf(std::string_view mimeType) {
    for (const PictureEncoder& e : Encoders)
        if (e.mimeType == mimeType)
            return &e;
    return nullptr;
}

[[nodiscard]] bool writeOne(const PendingFile& pending, std::ofstream& out,
                            const ConstPixelView& image, const PictureEncoder& encoder,
                            const PictureSaveOptions& options, std::string* error) {
    switch (encoder.format) {
    case PictureFormat::Bmp:
        return writeBmp(out, image, error);
    case PictureFormat::Jpeg: {
        const std::optional<std::string> bytes =
            encodeJpeg(image, {options.jpegQuality, options.grey}, error);
        if (!bytes)
            return false;
        out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
        return true;
    }
    case PictureFormat::Png: {
        const std::optional<std::string> bytes = encodePng(image, error);
        if (!bytes)
            return false;
        out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
        return true;
    }
    case PictureFormat::Tiff:
        // libtiff writes the temporary file itself, by its name.
        out.close();
        return writeTiff(pending.path(), image, {options.grey}, error);
    }
    return false;
}

} // namespace

std::span<const PictureEncoder> pictureEncoders() {
    return Encoders;
}

std::optional<std::string_view> mimeTypeOfExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? name : name.substr(dot + 1);
    for (const Extension& e : Extensions)
        if (sameLetters(extension, e.extension))
            return e.mimeType;
    return std::nullopt;
}

int encoderIndexOf(std::string_view name) {
    const std::optional<std::string_view> mime = mimeTypeOfExtension(name);
    if (!mime)
        return -1;
    const PictureEncoder* e = encoderOf(*mime);
    return e ? static_cast<int>(e - Encoders.data()) : -1;
}

bool savePicture(const std::filesystem::path& path, const ConstPixelView& image,
                 std::string_view mimeType, const PictureSaveOptions& options, std::string* error) {
    const PictureEncoder* encoder = encoderOf(mimeType);
    if (!encoder) {
        fail(error, "no picture encoder for " + std::string(mimeType));
        return false;
    }
    PendingFile pending(path);
    std::ofstream& out = pending.stream();
    if (!out) {
        fail(error, "cannot create " + pending.path().string());
        return false;
    }
    if (!writeOne(pending, out, image, *encoder, options, error))
        return false;
    std::string problem;
    if (!pending.commit(&problem)) {
        fail(error, problem.empty() ? "cannot write " + path.string() : problem);
        return false;
    }
    return true;
}

std::optional<PictureFormat> pictureFormatOf(std::string_view bytes) {
    const auto starts = [&](std::string_view head) { return bytes.substr(0, head.size()) == head; };
    if (starts("BM"))
        return PictureFormat::Bmp;
    if (starts("\xFF\xD8\xFF"))
        return PictureFormat::Jpeg;
    if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)) ||
        starts(std::string_view("II+\0", 4)) || starts(std::string_view("MM\0+", 4)))
        return PictureFormat::Tiff;
    if (starts("\x89PNG\r\n\x1A\n"))
        return PictureFormat::Png;
    return std::nullopt;
}

std::optional<PixelImage> decodePicture(std::string_view bytes, std::string* error,
                                        std::size_t maximumPixels) {
    const std::optional<PictureFormat> format = pictureFormatOf(bytes);
    if (!format) {
        fail(error, "not a BMP, JPEG, TIFF or PNG picture");
        return std::nullopt;
    }
    switch (*format) {
    case PictureFormat::Bmp:
        return decodeBmp(bytes, error, maximumPixels);
    case PictureFormat::Jpeg:
        return decodeJpeg(bytes, error, maximumPixels);
    case PictureFormat::Tiff:
        return decodeTiff(bytes, error, maximumPixels);
    case PictureFormat::Png:
        return decodePng(bytes, error, maximumPixels);
    }
    return std::nullopt;
}

std::optional<PixelImage> loadPicture(const std::filesystem::path& path, std::string* error,
                                      std::size_t maximumPixels) {
    const std::optional<std::string> bytes = readWholeFile(path);
    if (!bytes) {
        fail(error, "cannot read " + path.string());
        return std::nullopt;
    }
    return decodePicture(*bytes, error, maximumPixels);
}

} // namespace zarn
