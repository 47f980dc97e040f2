// The size of a core image file from its first bytes only, so that a folder of thousands of
// pictures is assembled without decoding one: at most 32 KiB of a JPEG file (up to its baseline
// frame header), the 54 header bytes of a BMP file. The file's extension says which it is.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace lvviewer {

struct ImageSize {
    int width = 0;
    int height = 0;
    bool operator==(const ImageSize&) const = default;
};

enum class ImageType { Bmp, Jpeg };

inline constexpr std::size_t JpegProbeBytes = 32768;
inline constexpr std::size_t BmpProbeBytes = 54;

// The type of a file by its extension ("bmp", "jpg", "jpeg", any case), or nothing.
std::optional<ImageType> imageTypeOf(const std::filesystem::path& path);

// The size in the first bytes of a JPEG file: FF D8 FF, a JFIF segment when the fourth byte is
// E0, then the markers up to a baseline start of frame (C0). Nothing (with the reason) for fewer
// than 65 bytes, another start, a JFIF segment without its name, or no baseline frame within
// the bytes (progressive pictures are not read).
[[nodiscard]] std::optional<ImageSize> probeJpeg(std::string_view head,
                                                 std::string* reason = nullptr);

// The size in a BMP file's 14-byte file header ("BM") and 40-byte (or longer) information
// header; a negative height is a picture stored top down, its size the same.
[[nodiscard]] std::optional<ImageSize> probeBmp(std::string_view head,
                                                std::string* reason = nullptr);

// The size of the file by its extension's probe.
[[nodiscard]] std::optional<ImageSize> probeImage(const std::filesystem::path& path,
                                                  std::string* reason = nullptr);

// The first bytes of a file, at most count.
std::string readHead(const std::filesystem::path& path, std::size_t count);

} // namespace lvviewer
