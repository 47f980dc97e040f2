// BMP pictures, written and read by our own code.
//
// Written: 24 bits a pixel, rows bottom up, no compression, a 40-byte information header; the
// alpha byte of our pixels is not kept. Read: information headers of 12, 40, 52, 56, 108 and 124
// bytes, rows bottom up or top down, 1, 4, 8 (with their colour table), 16, 24 and 32 bits a pixel,
// uncompressed or with bit-field masks. Run-length compressed files are refused with a reason.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/CodecSupport.h"

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace zarn {

// Writes the view as a BMP file to the stream. False, with the reason in *error, for an empty
// view, a picture too large for the format's 32-bit sizes, or a failed write.
[[nodiscard]] bool writeBmp(std::ostream& out, const ConstPixelView& image,
                            std::string* error = nullptr);

// One channel of a bit-field pixel, scaled to 8 bits.
struct BmpChannel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit BmpChannel(std::uint32_t m = 0) : mask(m) {
        if (mask) {
            shift = std::countr_zero(mask);
            bits = std::popcount(mask);
        }
    }
    // A mask whose bits are not one run cannot be read as a channel.
    bool contiguous() const { return mask == 0 || ((mask >> shift) & ((mask >> shift) + 1)) == 0; }
    unsigned of(std::uint32_t value) const {
        if (!mask)
            return 0;
        const std::uint32_t v = (value & mask) >> shift;
        if (bits >= 8)
            return static_cast<unsigned>(v >> (bits - 8));
        // Spread the few bits over the 8 (v * 255 / max, rounded).
        const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
        return static_cast<unsigned>((v * 255 + max / 2) / max);
    }
};

// What the headers of a BMP file say about its pixels: enough to read any row on its own, so
// that a reader may fetch only the rows it needs.
struct BmpLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    std::uint64_t pixelOffset = 0; // from the start of the file
    std::uint64_t rowBytes = 0;    // a stored row with its padding to 4 bytes
    std::array<std::uint32_t, 256> palette{};
    BmpChannel red, green, blue;

    // Where picture row y (top row 0) is stored, from the start of the file.
    std::uint64_t rowOffset(int y) const {
        const std::uint64_t stored = topDown ? std::uint64_t(y) : std::uint64_t(height - 1 - y);
        return pixelOffset + stored * rowBytes;
    }
};

// The layout from the first bytes of a BMP file (its headers and colour table; more is
// ignored) and the size of the whole file, which must hold every row. Nothing, with the reason
// in *error, for a file we do not read or a picture larger than maximumPixels.
[[nodiscard]] std::optional<BmpLayout>
readBmpLayout(std::string_view head, std::uint64_t fileSize, std::string* error = nullptr,
              std::size_t maximumPixels = MaximumPicturePixels);

// One stored row (layout.rowBytes bytes) as layout.width pixels (alpha 0xFF).
void convertBmpRow(const BmpLayout& layout, const std::uint8_t* from, std::uint32_t* to);

// The pixels of BMP file bytes (alpha 0xFF), top row first. Nothing, with the reason in *error,
// for bytes that are not a BMP picture we read or a picture larger than maximumPixels.
[[nodiscard]] std::optional<PixelImage> decodeBmp(std::string_view bytes,
                                                  std::string* error = nullptr,
                                                  std::size_t maximumPixels = MaximumPicturePixels);

} // namespace zarn
