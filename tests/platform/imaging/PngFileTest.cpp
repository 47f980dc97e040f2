#include "platform/imaging/PngFile.h"

#include "tests/platform/imaging/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <random>

namespace zarn {
namespace {

using test::expectSameColours;
using test::pattern;

TEST(PngFile, PicturesAndBandsOfThemComeBackWithTheirColours) {
    const PixelImage source = pattern(37, 23);
    struct Case {
        const char* name;
        ConstPixelView view;
    };
    const Case cases[] = {
        {"whole", source.view()},
        {"band", source.view().rows(5, 9)},
        {"one row", source.view().rows(22, 1)},
        {"part of each row", ConstPixelView(source.row(2) + 4, 10, 6, source.width())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::optional<std::string> bytes = encodePng(c.view, &error);
        ASSERT_TRUE(bytes) << error;
        EXPECT_EQ(bytes->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        const std::optional<PixelImage> back = decodePng(*bytes, &error);
        ASSERT_TRUE(back) << error;
        expectSameColours(c.view, *back);
    }
}

TEST(PngFile, SavedFilesLoadBack) {
    test::TempHome home;
    const PixelImage source = pattern(64, 8);
    const auto path = home.file("sub/strip.png");
    std::string error;
    ASSERT_TRUE(savePng(path, source.view(), &error)) << error;
    const std::optional<PixelImage> back = loadPng(path, &error);
    ASSERT_TRUE(back) << error;
    expectSameColours(source.view(), *back);

    // Nothing to save, or nowhere to save it: refused with a reason.
    error.clear();
    EXPECT_FALSE(savePng(home.file("empty.png"), ConstPixelView{}, &error));
    EXPECT_FALSE(error.empty());
    home.write("file", "x");
    error.clear();
    EXPECT_FALSE(savePng(home.file("file/under.png"), source.view(), &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(loadPng(home.file("missing.png"), &error));
    EXPECT_FALSE(error.empty());
}

std::uint32_t crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
}

// A valid PNG whose header announces another size (its checksum fixed, so only the size is
// wrong).
std::string withSize(std::string png, std::uint32_t width, std::uint32_t height) {
    // Signature (8), IHDR length (4), "IHDR" (4), width, height, 5 more bytes, CRC.
    putBig32(png, 16, width);
    putBig32(png, 20, height);
    putBig32(png, 29, crc32(png.substr(12, 17)));
    return png;
}

// Whatever the bytes, decoding ends with a picture or a reason, never a crash or an allocation
// the header alone asked for.
TEST(PngFile, DamagedOrHostileBytesAreRefusedWithAReason) {
    const std::string good = *encodePng(pattern(40, 30).view());
    ASSERT_TRUE(decodePng(withSize(good, 40, 30))); // the size patch itself is sound

    std::vector<std::pair<std::string, std::string>> cases = {
        {"empty", ""},
        {"text", "not a picture at all"},
        {"signature only", good.substr(0, 8)},
        {"header only", good.substr(0, 33)},
        {"cut in the data", good.substr(0, good.size() / 2)},
        {"huge", withSize(good, 100000, 100000)},
        {"zero width", withSize(good, 0, 30)},
        {"taller than its data", withSize(good, 40, 3000)},
    };
    std::string flipped = good;
    flipped[good.size() / 2] = static_cast<char>(flipped[good.size() / 2] ^ 0x5A);
    cases.emplace_back("a flipped byte", flipped);

    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        std::string error;
        const std::optional<PixelImage> image = decodePng(bytes, &error);
        EXPECT_FALSE(image);
        EXPECT_FALSE(error.empty());
    }

    // Random damage anywhere: any outcome but a crash (run under the sanitizers).
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        std::string bytes = good;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int f = 0; f < flips; ++f)
            bytes[random() % bytes.size()] = static_cast<char>(random());
        bytes.resize(random() % (bytes.size() + 1));
        std::string error;
        const std::optional<PixelImage> image = decodePng(bytes, &error);
        if (image) {
            EXPECT_EQ(image->width(), 40);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

} // namespace
} // namespace zarn
