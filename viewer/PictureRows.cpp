#include "viewer/PictureRows.h"

#include "platform/imaging/BmpFile.h"
#include "platform/imaging/JpegRows.h"

#include <fstream>
#include <system_error>
#include <vector>

namespace lvviewer {
namespace {

namespace fs = std::filesystem;

// The file header, the longest information header, its masks and a full colour table.
constexpr std::size_t BmpHeadBytes = 14 + 124 + 12 + 4 * 256;

bool say(std::string* reason, std::string text) {
    if (reason)
        *reason = std::move(text);
    return false;
}

bool decodeBmpRows(const fs::path& path, ImageSize expected, int first,
                   const zarn::PixelView& target, std::string* reason) {
    std::error_code error;
    const std::uintmax_t fileSize = fs::file_size(path, error);
    if (error)
        return say(reason, "the file could not be read");
    std::string problem;
    const std::optional<zarn::BmpLayout> layout =
        zarn::readBmpLayout(readHead(path, BmpHeadBytes), fileSize, &problem);
    if (!layout)
        return say(reason, "Could not cope with this file format! (" + problem + ")");
    if (layout->width != expected.width || layout->height != expected.height)
        return say(reason, "the picture has changed since the folder was read");
    // The rows asked for lie together in the file, bottom up or top down.
    const int last = first + target.height - 1;
    const std::uint64_t begin = std::min(layout->rowOffset(first), layout->rowOffset(last));
    std::vector<std::uint8_t> stored(layout->rowBytes * static_cast<std::uint64_t>(target.height));
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(begin));
    in.read(reinterpret_cast<char*>(stored.data()), static_cast<std::streamsize>(stored.size()));
    if (!in)
        return say(reason, "the file could not be read");
    for (int y = 0; y < target.height; ++y)
        zarn::convertBmpRow(*layout, stored.data() + (layout->rowOffset(first + y) - begin),
                            target.row(y));
    return true;
}

} // namespace

bool decodePictureRows(const fs::path& path, ImageSize expected, int first,
                       const zarn::PixelView& target, std::string* reason) {
    if (target.empty() || target.width != expected.width || first < 0 ||
        static_cast<long long>(first) + target.height > expected.height)
        return say(reason, "rows outside the picture");
    const std::optional<ImageType> type = imageTypeOf(path);
    if (type == ImageType::Bmp)
        return decodeBmpRows(path, expected, first, target, reason);
    if (type != ImageType::Jpeg)
        return say(reason, "Could not cope with this file format!");
    zarn::JpegRowsSize size;
    std::string problem;
    if (!zarn::decodeJpegRows(path, first, target, &problem, &size))
        return say(reason, problem);
    if (size.width != expected.width || size.height != expected.height)
        return say(reason, "the picture has changed since the folder was read");
    return true;
}

} // namespace lvviewer
