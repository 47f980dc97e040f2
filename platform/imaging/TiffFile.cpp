#include "platform/imaging/TiffFile.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <tiffio.h>
#include <vector>

namespace zarn {
namespace {

using imaging::fail;

// libtiff reports through process-wide handlers; ours keep the last error of the calling
// thread, so that it becomes the reason we hand back instead of a line on stderr.
thread_local std::string lastTiffError;

void keepError(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    lastTiffError = module && *module ? std::string(module) + ": " + text : std::string(text);
}

void dropWarning(const char*, const char*, va_list) {}

void installHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(keepError);
        TIFFSetWarningHandler(dropWarning);
    });
}

std::string reason(const char* what) {
    return lastTiffError.empty() ? std::string(what) : std::string(what) + ": " + lastTiffError;
}

class TiffGuard {
public:
    explicit TiffGuard(TIFF* tiff) : tiff_(tiff) {}
    ~TiffGuard() {
        if (tiff_)
            TIFFClose(tiff_);
    }
    TiffGuard(const TiffGuard&) = delete;
    TiffGuard& operator=(const TiffGuard&) = delete;
    TIFF* get() const { return tiff_; }
    // Closes the file now (writing its directory); false when that failed.
    [[nodiscard]] bool close() {
        lastTiffError.clear();
        TIFFClose(tiff_);
        tiff_ = nullptr;
        return lastTiffError.empty();
    }

private:
    TIFF* tiff_;
};

// File bytes in memory, read through libtiff's client procedures.
struct MemoryFile {
    std::string_view bytes;
    toff_t position = 0;
};

tmsize_t readMemory(thandle_t h, void* buffer, tmsize_t size) {
    auto* file = static_cast<MemoryFile*>(h);
    if (size <= 0 || file->position >= file->bytes.size())
        return 0;
    const std::size_t n =
        std::min<std::size_t>(static_cast<std::size_t>(size), file->bytes.size() - file->position);
    std::memcpy(buffer, file->bytes.data() + file->position, n);
    file->position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t refuseWrite(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekMemory(thandle_t h, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(h);
    std::int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<std::int64_t>(file->position);
    else if (whence == SEEK_END)
        base = static_cast<std::int64_t>(file->bytes.size());
    // The offset comes as an unsigned number but may be negative from the current position or
    // the end; a seek before the start or beyond any real file is refused.
    const auto move = static_cast<std::int64_t>(offset);
    constexpr std::int64_t Farthest = std::int64_t{1} << 62;
    if (move > Farthest || move < -Farthest || base + move < 0)
        return static_cast<toff_t>(-1);
    file->position = static_cast<toff_t>(base + move);
    return file->position;
}

int closeMemory(thandle_t) {
    return 0;
}

toff_t sizeOfMemory(thandle_t h) {
    return static_cast<MemoryFile*>(h)->bytes.size();
}

int noMapping(thandle_t, void**, toff_t*) {
    return 0;
}

void noUnmapping(thandle_t, void*, toff_t) {}

} // namespace

bool writeTiff(const std::filesystem::path& path, const ConstPixelView& image,
               const TiffOptions& options, std::string* error) {
    if (image.empty()) {
        fail(error, "empty picture");
        return false;
    }
    installHandlers();
    lastTiffError.clear();
    TiffGuard tiff(TIFFOpen(path.c_str(), "w"));
    if (!tiff.get()) {
        fail(error, reason(("cannot create " + path.string()).c_str()));
        return false;
    }
    TIFF* t = tiff.get();
    const int samples = options.grey ? 1 : 3;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(image.width));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.height));
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, options.grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width) * samples);
    for (int y = 0; y < image.height; ++y) {
        const std::uint32_t* pixels = image.row(y);
        std::uint8_t* to = row.data();
        for (int x = 0; x < image.width; ++x) {
            if (options.grey) {
                *to++ = static_cast<std::uint8_t>(pixelGreen(pixels[x]));
            } else {
                *to++ = static_cast<std::uint8_t>(pixelRed(pixels[x]));
                *to++ = static_cast<std::uint8_t>(pixelGreen(pixels[x]));
                *to++ = static_cast<std::uint8_t>(pixelBlue(pixels[x]));
            }
        }
        if (TIFFWriteScanline(t, row.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            fail(error, reason("the TIFF file could not be written"));
            return false;
        }
    }
    if (!tiff.close()) {
        fail(error, reason("the TIFF file could not be completed"));
        return false;
    }
    return true;
}

std::optional<PixelImage> decodeTiff(std::string_view bytes, std::string* error,
                                     std::size_t maximumPixels) {
    installHandlers();
    lastTiffError.clear();
    MemoryFile file{bytes};
    // "m": never map the file; the bytes are ours already.
    TiffGuard tiff(TIFFClientOpen("picture", "rm", &file, readMemory, refuseWrite, seekMemory,
                                  closeMemory, sizeOfMemory, noMapping, noUnmapping));
    if (!tiff.get()) {
        fail(error, reason("not a TIFF picture"));
        return std::nullopt;
    }
    std::uint32_t width = 0, height = 0;
    if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) ||
        !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) ||
        !imaging::sizeAccepted(width, height, maximumPixels)) {
        fail(error, "TIFF picture size not accepted");
        return std::nullopt;
    }
    char why[1024] = "";
    if (!TIFFRGBAImageOK(tiff.get(), why)) {
        fail(error, std::string("TIFF picture not read: ") + why);
        return std::nullopt;
    }
    PixelImage result(static_cast<int>(width), static_cast<int>(height));
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, result.data(), ORIENTATION_TOPLEFT,
                                   0)) {
        fail(error, reason("TIFF picture could not be decoded"));
        return std::nullopt;
    }
    // libtiff's pixels hold red in the lowest byte; ours blue.
    std::uint32_t* p = result.data();
    for (std::size_t i = 0, n = std::size_t{width} * height; i < n; ++i) {
        const std::uint32_t v = p[i];
        p[i] = pixelOf(TIFFGetR(v), TIFFGetG(v), TIFFGetB(v));
    }
    return result;
}

} // namespace zarn
