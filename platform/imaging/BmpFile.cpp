#include "platform/imaging/BmpFile.h"

#include <array>
#include <bit>
#include <cstring>
#include <vector>

namespace zarn {
namespace {

using imaging::fail;

constexpr std::size_t FileHeaderSize = 14;
constexpr std::size_t InfoHeaderSize = 40;
constexpr std::uint32_t Uncompressed = 0; // BI_RGB
constexpr std::uint32_t BitFields = 3;    // BI_BITFIELDS
constexpr std::uint32_t AlphaBitFields = 6;

void put16(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* at, std::uint32_t v) {
    put16(at, v);
    put16(at + 2, v >> 16);
}
std::uint32_t get16(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8;
}
std::uint32_t get32(const std::uint8_t* at) {
    return get16(at) | get16(at + 2) << 16;
}

} // namespace

bool writeBmp(std::ostream& out, const ConstPixelView& image, std::string* error) {
    if (image.empty()) {
        fail(error, "empty picture");
        return false;
    }
    const std::uint64_t rowBytes = (std::uint64_t(image.width) * 3 + 3) / 4 * 4;
    const std::uint64_t dataBytes = rowBytes * std::uint64_t(image.height);
    const std::uint64_t fileBytes = FileHeaderSize + InfoHeaderSize + dataBytes;
    if (fileBytes > 0xFFFFFFFFu) {
        fail(error, "picture too large for a BMP file");
        return false;
    }
    std::array<std::uint8_t, FileHeaderSize + InfoHeaderSize> head{};
    head[0] = 'B';
    head[1] = 'M';
    put32(&head[2], static_cast<std::uint32_t>(fileBytes));
    put32(&head[10], FileHeaderSize + InfoHeaderSize);
    std::uint8_t* info = &head[FileHeaderSize];
    put32(info, InfoHeaderSize);
    put32(info + 4, static_cast<std::uint32_t>(image.width));
    put32(info + 8, static_cast<std::uint32_t>(image.height)); // positive: bottom up
    put16(info + 12, 1);
    put16(info + 14, 24);
    put32(info + 16, Uncompressed);
    put32(info + 20, static_cast<std::uint32_t>(dataBytes));
    put32(info + 24, 2835); // 72 dots an inch
    put32(info + 28, 2835);
    out.write(reinterpret_cast<const char*>(head.data()), head.size());

    std::vector<std::uint8_t> row(rowBytes, 0);
    for (int y = image.height - 1; y >= 0 && out; --y) {
        const std::uint32_t* pixels = image.row(y);
        std::uint8_t* to = row.data();
        for (int x = 0; x < image.width; ++x) {
            *to++ = static_cast<std::uint8_t>(pixelBlue(pixels[x]));
            *to++ = static_cast<std::uint8_t>(pixelGreen(pixels[x]));
            *to++ = static_cast<std::uint8_t>(pixelRed(pixels[x]));
        }
        out.write(reinterpret_cast<const char*>(row.data()),
                  static_cast<std::streamsize>(rowBytes));
    }
    if (!out) {
        fail(error, "the BMP file could not be written");
        return false;
    }
    return true;
}

std::optional<BmpLayout> readBmpLayout(std::string_view head, std::uint64_t fileSize,
                                       std::string* error, std::size_t maximumPixels) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(head.data());
    const std::uint64_t size = head.size();
    if (size < FileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M') {
        fail(error, "not a BMP picture");
        return std::nullopt;
    }
    const std::uint64_t pixelOffset = get32(data + 10);
    const std::uint64_t infoSize = get32(data + FileHeaderSize);
    const std::uint8_t* info = data + FileHeaderSize;
    if (infoSize < 12 || FileHeaderSize + infoSize > size) {
        fail(error, "BMP header cut short");
        return std::nullopt;
    }
    std::int64_t width = 0, height = 0;
    std::uint32_t bitsPerPixel = 0, compression = Uncompressed, coloursUsed = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    bool core = infoSize == 12;
    if (core) {
        width = get16(info + 4);
        height = static_cast<std::int16_t>(get16(info + 6));
        bitsPerPixel = get16(info + 10);
    } else if (infoSize >= 40) {
        width = static_cast<std::int32_t>(get32(info + 4));
        height = static_cast<std::int32_t>(get32(info + 8));
        bitsPerPixel = get16(info + 14);
        compression = get32(info + 16);
        coloursUsed = get32(info + 32);
        // Masks follow a 40-byte header as their own block, and are part of longer headers.
        const std::uint64_t maskAt = FileHeaderSize + 40;
        constexpr int maskCount = 3;
        if (compression == BitFields || compression == AlphaBitFields) {
            if (maskAt + 4 * std::uint64_t(maskCount) > size) {
                fail(error, "BMP colour masks cut short");
                return std::nullopt;
            }
            for (int i = 0; i < maskCount; ++i)
                masks[i] = get32(data + maskAt + 4 * i);
        }
    } else {
        fail(error, "unknown BMP header size " + std::to_string(infoSize));
        return std::nullopt;
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (!imaging::sizeAccepted(static_cast<std::uint64_t>(width > 0 ? width : 0),
                               static_cast<std::uint64_t>(height), maximumPixels)) {
        fail(error, "BMP picture size not accepted");
        return std::nullopt;
    }
    if (compression != Uncompressed && compression != BitFields && compression != AlphaBitFields) {
        fail(error, "compressed BMP pictures are not read");
        return std::nullopt;
    }
    const bool fields = compression != Uncompressed;
    switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
        if (fields) {
            fail(error, "BMP colour masks with a colour table");
            return std::nullopt;
        }
        break;
    case 16:
    case 24:
    case 32:
        if (fields && bitsPerPixel == 24) {
            fail(error, "BMP colour masks on 24-bit pixels");
            return std::nullopt;
        }
        break;
    default:
        fail(error, "BMP pixels of " + std::to_string(bitsPerPixel) + " bits are not read");
        return std::nullopt;
    }
    if (!fields) {
        if (bitsPerPixel == 16) {
            masks[0] = 0x7C00; // 5-5-5
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        } else if (bitsPerPixel == 32) {
            masks[0] = 0x00FF0000;
            masks[1] = 0x0000FF00;
            masks[2] = 0x000000FF;
        }
    }
    BmpLayout layout;
    // The alpha mask, where there is one, is not read: our pixels carry no transparency.
    layout.red = BmpChannel(masks[0]);
    layout.green = BmpChannel(masks[1]);
    layout.blue = BmpChannel(masks[2]);
    if (!layout.red.contiguous() || !layout.green.contiguous() || !layout.blue.contiguous()) {
        fail(error, "BMP colour masks are not runs of bits");
        return std::nullopt;
    }

    // The colour table: after the header (and a 40-byte header's masks).
    if (bitsPerPixel <= 8) {
        const std::uint64_t entries = coloursUsed && coloursUsed <= (1u << bitsPerPixel)
                                          ? coloursUsed
                                          : (std::uint64_t{1} << bitsPerPixel);
        const std::uint64_t entrySize = core ? 3 : 4;
        const std::uint64_t tableAt = FileHeaderSize + infoSize;
        if (tableAt + entries * entrySize > size) {
            fail(error, "BMP colour table cut short");
            return std::nullopt;
        }
        for (std::uint64_t i = 0; i < entries; ++i) {
            const std::uint8_t* e = data + tableAt + i * entrySize;
            layout.palette[i] = pixelOf(e[2], e[1], e[0]);
        }
        for (std::uint64_t i = entries; i < layout.palette.size(); ++i)
            layout.palette[i] = pixelOf(0, 0, 0);
    }

    layout.width = static_cast<int>(width);
    layout.height = static_cast<int>(height);
    layout.topDown = topDown;
    layout.bitsPerPixel = static_cast<int>(bitsPerPixel);
    layout.pixelOffset = pixelOffset;
    layout.rowBytes = (std::uint64_t(width) * bitsPerPixel + 31) / 32 * 4;
    const std::uint64_t dataBytes = layout.rowBytes * std::uint64_t(height);
    if (pixelOffset > fileSize || dataBytes > fileSize - pixelOffset) {
        fail(error, "BMP pixel data cut short");
        return std::nullopt;
    }
    return layout;
}

void convertBmpRow(const BmpLayout& layout, const std::uint8_t* from, std::uint32_t* to) {
    for (std::int64_t x = 0; x < layout.width; ++x) {
        switch (layout.bitsPerPixel) {
        case 1:
            to[x] = layout.palette[(from[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            to[x] = layout.palette[(from[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
            break;
        case 8:
            to[x] = layout.palette[from[x]];
            break;
        case 24: {
            const std::uint8_t* p = from + 3 * x;
            to[x] = pixelOf(p[2], p[1], p[0]);
            break;
        }
        default: {
            const std::uint32_t v =
                layout.bitsPerPixel == 16 ? get16(from + 2 * x) : get32(from + 4 * x);
            to[x] = pixelOf(layout.red.of(v), layout.green.of(v), layout.blue.of(v));
            break;
        }
        }
    }
}

std::optional<PixelImage> decodeBmp(std::string_view bytes, std::string* error,
                                    std::size_t maximumPixels) {
    const std::optional<BmpLayout> layout =
        readBmpLayout(bytes, bytes.size(), error, maximumPixels);
    if (!layout)
        return std::nullopt;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    PixelImage result(layout->width, layout->height);
    for (int y = 0; y < layout->height; ++y)
        convertBmpRow(*layout, data + layout->rowOffset(y), result.row(y));
    return result;
}

} // namespace zarn
