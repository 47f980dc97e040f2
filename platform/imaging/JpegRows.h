// Rows of a JPEG file decoded straight into pixels someone else owns, reading the file only as
// far as those rows: rows above are skipped without being turned into pixels, so that a reader
// showing a tall picture a screen at a time never decodes the whole of it. A reader keeps its
// place, so that rows asked for further down go on from there instead of from the top.
#pragma once

#include "platform/PixelImage.h"

#include <filesystem>
#include <memory>
#include <string>

namespace zarn {

struct JpegRowsSize {
    int width = 0;
    int height = 0;
};

class JpegRowReader {
public:
    // Opens the file and reads its header. Damaged data is decoded as far as it goes, as picture
    // programs do.
    explicit JpegRowReader(const std::filesystem::path& path);
    ~JpegRowReader();
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    // False once anything failed (the reason in error()); nothing more is read then.
    bool ok() const;
    const std::string& error() const;
    JpegRowsSize size() const;
    // The first row not yet read: rows from here on can be read without starting again.
    int nextRow() const;

    // Decodes rows first .. first + target.height - 1 into target, whose width must be the
    // picture's (alpha 0xFF); first must be nextRow() or below it. False, with the reason,
    // for rows outside the picture, another width, or data that cannot be decoded.
    [[nodiscard]] bool read(int first, const PixelView& target);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The same for one run of rows: a reader made for them.
[[nodiscard]] bool decodeJpegRows(const std::filesystem::path& path, int first,
                                  const PixelView& target, std::string* error = nullptr,
                                  JpegRowsSize* size = nullptr);

} // namespace zarn
