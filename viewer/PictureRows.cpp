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

PictureRowSource::PictureRowSource() = default;
PictureRowSource::~PictureRowSource() = default;

void PictureRowSource::reset() {
    jpeg_.reset();
    jpegPath_.clear();
}

bool PictureRowSource::decode(const fs::path& path, ImageSize expected, int first,
                              const zarn::PixelView& target, std::string* reason) {
    if (target.empty() || target.width != expected.width || first < 0 ||
        static_cast<long long>(first) + target.height > expected.height)
        return say(reason, "rows outside the picture");
    const std::optional<ImageType> type = imageTypeOf(path);
    if (type == ImageType::Bmp)
        return decodeBmpRows(path, expected, first, target, reason);
    if (type != ImageType::Jpeg)
        return say(reason, "Could not cope with this file format!");
    // The reader of the same picture goes on when the rows lie further down; else a new one.
    if (!jpeg_ || jpegPath_ != path || !jpeg_->ok() || first < jpeg_->nextRow()) {
        jpeg_ = std::make_unique<zarn::JpegRowReader>(path);
        jpegPath_ = path;
    }
    const zarn::JpegRowsSize size = jpeg_->size();
    if (jpeg_->ok() && (size.width != expected.width || size.height != expected.height)) {
        reset();
        return say(reason, "the picture has changed since the folder was read");
    }
    if (!jpeg_->read(first, target)) {
        std::string problem = jpeg_->ok() ? "rows outside the picture" : jpeg_->error();
        reset();
        return say(reason, std::move(problem));
    }
    return true;
}

bool decodePictureRows(const fs::path& path, ImageSize expected, int first,
                       const zarn::PixelView& target, std::string* reason) {
    PictureRowSource source;
    return source.decode(path, expected, first, target, reason);
}

} // namespace lvviewer
