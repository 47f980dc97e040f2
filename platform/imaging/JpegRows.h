// Some rows of a JPEG file decoded straight into pixels someone else owns, reading the file only
// as far as those rows: the rows above are skipped without being turned into pixels, so that a
// reader showing a tall picture a screen at a time never decodes the whole of it.
#pragma once

#include "platform/PixelImage.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace zarn {

struct JpegRowsSize {
    int width = 0;
    int height = 0;
};

// Decodes rows first .. first + target.height - 1 of the JPEG file into target, whose width must
// be the picture's (alpha 0xFF). Damaged data is decoded as far as it goes, as picture programs
// do. False, with the reason in *error, for a file that cannot be read, is no JPEG picture, has
// another width or fewer rows than asked for. *size, when given, gets the picture's size.
[[nodiscard]] bool decodeJpegRows(const std::filesystem::path& path, int first,
                                  const PixelView& target, std::string* error = nullptr,
                                  JpegRowsSize* size = nullptr);

} // namespace zarn
