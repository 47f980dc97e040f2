// The viewer's readers of outside bytes: file names, the JPEG and BMP header probes and the row
// decoders that fill strip rows, with arbitrary bytes. Each ends with an answer or a reason,
// never a crash; what a probe accepts has a size, and the rows it promises are decoded or refused
// with a reason.
#include "viewer/CoreFileName.h"
#include "viewer/ImageProbe.h"
#include "viewer/PictureRows.h"

#include "tests/fuzz/FuzzSupport.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace {

using zarn::fuzz::check;

// Pictures larger than this are not decoded here, so that a hostile size never makes a run slow.
constexpr std::int64_t Limit = std::int64_t{1} << 20;

void decodeSome(const std::filesystem::path& file, const std::string& bytes,
                const std::optional<lvviewer::ImageSize>& size) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    std::string reason;
    const std::optional<lvviewer::ImageSize> probed = lvviewer::probeImage(file, &reason);
    check(probed == size);
    if (!probed) {
        check(!reason.empty());
        return;
    }
    check(probed->width > 0 && probed->height > 0);
    if (std::int64_t{probed->width} * probed->height > Limit)
        return;
    // The first rows and some from the middle, as the view's bands ask for them.
    for (const int first : {0, probed->height / 2}) {
        const int rows = std::min(16, probed->height - first);
        zarn::PixelImage target(probed->width, rows);
        reason.clear();
        if (!lvviewer::decodePictureRows(file, *probed, first, target.view(), &reason))
            check(!reason.empty());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const zarn::fuzz::ScratchFolder scratch("viewer");
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // The bytes as a file name: a name of any characters but the folder separator.
    std::string name = bytes.substr(0, 200);
    for (char& c : name)
        if (c == '/' || c == '\0')
            c = '_';
    if (const std::optional<lvviewer::CoreFileName> parsed = lvviewer::parseCoreFileName(name))
        check(parsed->depthFrom <= parsed->depthTo);

    std::string reason;
    const std::optional<lvviewer::ImageSize> jpeg = lvviewer::probeJpeg(bytes, &reason);
    if (!jpeg)
        check(!reason.empty());
    const std::optional<lvviewer::ImageSize> bmp = lvviewer::probeBmp(bytes);
    decodeSome(scratch.path() / "F_X_0001.00-0002.00.jpg", bytes, jpeg);
    decodeSome(scratch.path() / "F_X_0001.00-0002.00.bmp", bytes, bmp);
    // The same after the signatures the probes look for.
    const std::string asJpeg = "\xFF\xD8\xFF" + bytes;
    decodeSome(scratch.path() / "G_X_0001.00-0002.00.jpg", asJpeg, lvviewer::probeJpeg(asJpeg));
    const std::string asBmp = "BM" + bytes;
    decodeSome(scratch.path() / "G_X_0001.00-0002.00.bmp", asBmp, lvviewer::probeBmp(asBmp));
    return 0;
}
