// Rows of a core image file decoded straight into the picture area of strip rows, through the
// platform's codecs: only the rows asked for are read from a BMP file, and a JPEG file is read
// only as far as its last row asked for (the rows above are skipped, not turned into pixels).
#pragma once

#include "platform/PixelImage.h"
#include "viewer/ImageProbe.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zarn {
class JpegRowReader;
}

namespace lvviewer {

// Reads rows of pictures for one thread, keeping the JPEG reader of the last picture it read,
// so that rows asked for further down the same picture go on from where it stopped instead of
// decoding from the top again.
class PictureRowSource {
public:
    PictureRowSource();
    ~PictureRowSource();
    PictureRowSource(const PictureRowSource&) = delete;
    PictureRowSource& operator=(const PictureRowSource&) = delete;

    // Decodes rows first .. first + target.height - 1 of the picture, whose probed size is
    // expected, into target (expected.width wide). False, with the reason, for a file that
    // cannot be read, has changed size since it was probed, or holds pixels we do not read.
    [[nodiscard]] bool decode(const std::filesystem::path& path, ImageSize expected, int first,
                              const zarn::PixelView& target, std::string* reason);
    // Lets the file it holds open go.
    void reset();

private:
    std::filesystem::path jpegPath_;
    std::unique_ptr<zarn::JpegRowReader> jpeg_;
};

// The same with a source of its own.
[[nodiscard]] bool decodePictureRows(const std::filesystem::path& path, ImageSize expected,
                                     int first, const zarn::PixelView& target, std::string* reason);

} // namespace lvviewer
