#include "viewer/ImageProbe.h"

#include "platform/Format.h"

#include <cstdint>
#include <fstream>

namespace lvviewer {
namespace {

void say(std::string* reason, const char* text) {
    if (reason)
        *reason = text;
}

std::uint32_t byteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}
std::uint32_t big16(std::string_view bytes, std::size_t at) {
    return byteAt(bytes, at) << 8 | byteAt(bytes, at + 1);
}
std::uint32_t little16(std::string_view bytes, std::size_t at) {
    return byteAt(bytes, at) | byteAt(bytes, at + 1) << 8;
}
std::uint32_t little32(std::string_view bytes, std::size_t at) {
    return little16(bytes, at) | little16(bytes, at + 2) << 16;
}

} // namespace

std::optional<ImageType> imageTypeOf(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (zarn::equalsNoCase(extension, ".bmp"))
        return ImageType::Bmp;
    if (zarn::equalsNoCase(extension, ".jpg") || zarn::equalsNoCase(extension, ".jpeg"))
        return ImageType::Jpeg;
    return std::nullopt;
}

std::optional<ImageSize> probeJpeg(std::string_view head, std::string* reason) {
    head = head.substr(0, JpegProbeBytes);
    if (head.size() < 65) {
        say(reason, "JPEG file too short");
        return std::nullopt;
    }
    if (byteAt(head, 0) != 0xFF || byteAt(head, 1) != 0xD8 || byteAt(head, 2) != 0xFF) {
        say(reason, "not a JPEG file");
        return std::nullopt;
    }
    std::size_t at = 4;
    if (byteAt(head, 3) == 0xE0) {
        // The name runs to its terminating zero, which must come within the bytes read.
        const std::size_t end = head.find('\0', 6);
        if (end == std::string_view::npos || !zarn::equalsNoCase(head.substr(6, end - 6), "JFIF")) {
            say(reason, "JPEG file without its JFIF name");
            return std::nullopt;
        }
        at = big16(head, 4) + 4;
    }
    const std::size_t limit = head.size() - 20;
    while (at < limit) {
        while (at < limit && byteAt(head, at) != 0xFF)
            ++at;
        while (at < limit && byteAt(head, at) == 0xFF)
            ++at;
        if (at >= limit)
            break;
        const std::uint32_t marker = byteAt(head, at);
        if (marker == 0xC0) {
            const int height = static_cast<int>(big16(head, at + 4));
            const int width = static_cast<int>(big16(head, at + 6));
            if (width <= 0 || height <= 0) {
                say(reason, "JPEG frame without pixels");
                return std::nullopt;
            }
            return ImageSize{width, height};
        }
        if (marker > 0xC3) {
            const std::uint32_t length = big16(head, at + 1);
            if (length >= 3 && length <= 31999) {
                at += length;
                continue;
            }
        }
        ++at;
    }
    say(reason, "no baseline JPEG frame");
    return std::nullopt;
}

std::optional<ImageSize> probeBmp(std::string_view head, std::string* reason) {
    if (head.size() < BmpProbeBytes || head[0] != 'B' || head[1] != 'M') {
        say(reason, "not a BMP file");
        return std::nullopt;
    }
    if (little32(head, 14) < 40) {
        say(reason, "BMP file without its 40-byte information header");
        return std::nullopt;
    }
    const auto width = static_cast<std::int32_t>(little32(head, 18));
    const auto height = static_cast<std::int32_t>(little32(head, 22));
    // Stored top down when negative; the lowest value has no magnitude in 32 bits.
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        say(reason, "BMP picture without pixels");
        return std::nullopt;
    }
    return ImageSize{width, height < 0 ? -height : height};
}

std::string readHead(const std::filesystem::path& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(in ? count : static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::optional<ImageSize> probeImage(const std::filesystem::path& path, std::string* reason) {
    const std::optional<ImageType> type = imageTypeOf(path);
    if (!type) {
        say(reason, "not a BMP or JPEG file name");
        return std::nullopt;
    }
    if (*type == ImageType::Bmp)
        return probeBmp(readHead(path, BmpProbeBytes), reason);
    return probeJpeg(readHead(path, JpegProbeBytes), reason);
}

} // namespace lvviewer
