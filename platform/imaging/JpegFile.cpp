#include "platform/imaging/JpegFile.h"

#include <bit>
#include <turbojpeg.h>

namespace zarn {
namespace {

using imaging::fail;

// libjpeg-turbo's names for our pixels: the bytes of the 32-bit value in memory order.
constexpr int NativeOpaque = std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;
constexpr int NativeWithAlpha = std::endian::native == std::endian::little ? TJPF_BGRA : TJPF_ARGB;

// A compressor or decompressor, destroyed whatever happens.
class Handle {
public:
    explicit Handle(tjhandle h) : h_(h) {}
    ~Handle() {
        if (h_)
            tjDestroy(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    tjhandle get() const { return h_; }
    std::string message() const { return tjGetErrorStr2(h_); }

private:
    tjhandle h_;
};

} // namespace

std::optional<std::string> encodeJpeg(const ConstPixelView& image, const JpegOptions& options,
                                      std::string* error) {
    if (image.empty()) {
        fail(error, "empty picture");
        return std::nullopt;
    }
    if (options.quality < 1 || options.quality > 100) {
        fail(error, "JPEG quality out of 1..100");
        return std::nullopt;
    }
    Handle compressor(tjInitCompress());
    if (!compressor.get()) {
        fail(error, "libjpeg-turbo could not start");
        return std::nullopt;
    }
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int status =
        tjCompress2(compressor.get(), reinterpret_cast<const unsigned char*>(image.pixels),
                    image.width, static_cast<int>(image.stride * 4), image.height, NativeOpaque,
                    &out, &outSize, options.grey ? TJSAMP_GRAY : TJSAMP_444, options.quality, 0);
    if (status != 0) {
        fail(error, "JPEG encoding failed: " + compressor.message());
        tjFree(out);
        return std::nullopt;
    }
    std::string bytes(reinterpret_cast<const char*>(out), outSize);
    tjFree(out);
    return bytes;
}

std::optional<PixelImage> decodeJpeg(std::string_view bytes, std::string* error,
                                     std::size_t maximumPixels) {
    Handle decompressor(tjInitDecompress());
    if (!decompressor.get()) {
        fail(error, "libjpeg-turbo could not start");
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto size = static_cast<unsigned long>(bytes.size());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decompressor.get(), data, size, &width, &height, &subsampling,
                            &colourspace) != 0) {
        fail(error, "not a JPEG picture: " + decompressor.message());
        return std::nullopt;
    }
    if (width <= 0 || height <= 0 ||
        !imaging::sizeAccepted(static_cast<std::uint64_t>(width),
                               static_cast<std::uint64_t>(height), maximumPixels)) {
        fail(error, "JPEG picture size not accepted");
        return std::nullopt;
    }
    PixelImage result(width, height, pixelOf(0, 0, 0));
    if (tjDecompress2(decompressor.get(), data, size,
                      reinterpret_cast<unsigned char*>(result.data()), width, width * 4, height,
                      NativeWithAlpha, 0) != 0 &&
        tjGetErrorCode(decompressor.get()) != TJERR_WARNING) {
        fail(error, "JPEG decoding failed: " + decompressor.message());
        return std::nullopt;
    }
    return result;
}

} // namespace zarn
