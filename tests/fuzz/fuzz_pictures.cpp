// Picture reading with arbitrary bytes: every reader, whatever the first bytes say, ends with a
// picture or a reason, never a crash; a picture read has a sane size within the limit, and a BMP
// read writes and reads back to the same pixels.
#include "platform/imaging/BmpFile.h"
#include "platform/imaging/JpegFile.h"
#include "platform/imaging/PictureCodecs.h"
#include "platform/imaging/PngFile.h"
#include "platform/imaging/TiffFile.h"

#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

namespace {

using zarn::fuzz::check;

// Small enough that a hostile size never makes a run slow.
constexpr std::size_t Limit = std::size_t{1} << 20;

void checkResult(const std::optional<zarn::PixelImage>& image, const std::string& error) {
    if (!image) {
        check(!error.empty());
        return;
    }
    check(image->width() > 0 && image->height() > 0);
    check(static_cast<std::size_t>(image->width()) * image->height() <= Limit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    checkResult(zarn::decodePicture(bytes, &error, Limit), error);

    // Each reader also on bytes of another kind, after the signature it looks for.
    for (const std::string_view head :
         {std::string_view("BM"), std::string_view("\xFF\xD8\xFF"), std::string_view("II*\0", 4),
          std::string_view("MM\0*", 4), std::string_view("\x89PNG\r\n\x1A\n")}) {
        const std::string withHead = std::string(head) + std::string(bytes);
        error.clear();
        checkResult(zarn::decodePicture(withHead, &error, Limit), error);
    }

    error.clear();
    const std::optional<zarn::PixelImage> bmp =
        zarn::decodeBmp(std::string("BM") + std::string(bytes), &error, Limit);
    checkResult(bmp, error);
    if (bmp) {
        std::ostringstream out;
        check(zarn::writeBmp(out, bmp->view()));
        const std::optional<zarn::PixelImage> again = zarn::decodeBmp(out.str(), &error, Limit);
        check(again && again->width() == bmp->width() && again->height() == bmp->height());
        for (int y = 0; y < bmp->height(); ++y)
            for (int x = 0; x < bmp->width(); ++x)
                check(again->at(x, y) == bmp->at(x, y));
    }
    return 0;
}
