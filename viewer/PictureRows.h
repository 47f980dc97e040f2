// Rows of a core image file decoded straight into the picture area of strip rows, through the
// platform's codecs: only the rows asked for are read from a BMP file, and a JPEG file is read
// only as far as its last row asked for (the rows above are skipped, not turned into pixels).
#pragma once

#include "platform/PixelImage.h"
#include "viewer/ImageProbe.h"

#include <filesystem>
#include <string>

namespace lvviewer {

// Decodes rows first .. first + target.height - 1 of the picture, whose probed size is
// expected, into target (expected.width wide). False, with the reason, for a file that cannot
// be read, has changed size since it was probed, or holds pixels we do not read.
[[nodiscard]] bool decodePictureRows(const std::filesystem::path& path, ImageSize expected,
                                     int first, const zarn::PixelView& target, std::string* reason);

} // namespace lvviewer
