#include "platform/imaging/PictureCodecs.h"
#include "platform/FileIo.h"
#include "platform/imaging/BmpFile.h"
#include "platform/imaging/JpegFile.h"
#include "platform/imaging/PngFile.h"
#include "platform/imaging/TiffFile.h"

#include "tests/platform/imaging/PictureTestSupport.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace zarn {
namespace {

namespace fs = std::filesystem;
using test::expectSameColours;
using test::pattern;

PixelImage greyOf(const PixelImage& source) {
    PixelImage grey(source.width(), source.height());
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const unsigned g = pixelGreen(source.at(x, y));
            grey.row(y)[x] = pixelOf(g, g, g);
        }
    return grey;
}

// The largest difference of any channel between two pictures of the same size.
int largestDifference(const ConstPixelView& a, const PixelImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const std::uint32_t p = a.at(x, y), q = b.at(x, y);
            largest = std::max({largest, std::abs(int(pixelRed(p)) - int(pixelRed(q))),
                                std::abs(int(pixelGreen(p)) - int(pixelGreen(q))),
                                std::abs(int(pixelBlue(p)) - int(pixelBlue(q)))});
        }
    return largest;
}

std::string bmpBytes(const ConstPixelView& view) {
    std::ostringstream out;
    std::string error;
    EXPECT_TRUE(writeBmp(out, view, &error)) << error;
    return out.str();
}

TEST(PictureCodecs, ExtensionsFindTheirEncodersInTheLookupOrder) {
    struct Case {
        const char* name;
        const char* mime; // nullptr: none
        int encoder;
    };
    const Case cases[] = {
        {"BH12_10.00_20.00.jpg", "image/jpeg", 1},
        {"JPEG", "image/jpeg", 1},
        {"a.TIF", "image/tiff", 2},
        {"tiff", "image/tiff", 2},
        {"x.Bmp", "image/bmp", 0},
        {"png", "image/png", 3},
        {"gif", "image/gif", -1}, // a type without an encoder
        {"a.txt", nullptr, -1},
        {"", nullptr, -1},
        {"jpg.", nullptr, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string_view> mime = mimeTypeOfExtension(c.name);
        EXPECT_EQ(mime.has_value(), c.mime != nullptr);
        if (c.mime && mime) {
            EXPECT_EQ(*mime, c.mime);
        }
        const int index = encoderIndexOf(c.name);
        EXPECT_EQ(index, c.encoder);
        if (index >= 0 && c.mime) {
            EXPECT_EQ(pictureEncoders()[static_cast<std::size_t>(index)].mimeType, c.mime);
        }
    }
}

TEST(PictureCodecs, SavedPicturesReadBackByTheirContent) {
    test::TempHome home;
    const PixelImage colour = pattern(37, 23); // odd width: BMP rows are padded
    const PixelImage grey = greyOf(colour);
    struct Case {
        const char* file;
        const char* mime;
        bool grey;
        int tolerance; // 0: exact
    };
    const Case cases[] = {
        {"a.bmp", "image/bmp", false, 0},   {"a.tif", "image/tiff", false, 0},
        {"g.tif", "image/tiff", true, 0},   {"a.png", "image/png", false, 0},
        {"a.jpg", "image/jpeg", false, 40}, {"g.jpg", "image/jpeg", true, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const PixelImage& source = c.grey ? grey : colour;
        std::string error;
        PictureSaveOptions options;
        options.grey = c.grey;
        ASSERT_TRUE(savePicture(home.file(c.file), source.view(), c.mime, options, &error))
            << error;
        const std::optional<PixelImage> back = loadPicture(home.file(c.file), &error);
        ASSERT_TRUE(back) << error;
        ASSERT_EQ(back->width(), source.width());
        ASSERT_EQ(back->height(), source.height());
        if (c.tolerance == 0)
            expectSameColours(source.view(), *back);
        else
            EXPECT_LE(largestDifference(source.view(), *back), c.tolerance);
        for (int y = 0; y < back->height(); ++y)
            for (int x = 0; x < back->width(); ++x) {
                const std::uint32_t p = back->at(x, y);
                ASSERT_EQ(pixelAlpha(p), 0xFFu);
                if (c.grey) {
                    ASSERT_TRUE(pixelRed(p) == pixelGreen(p) && pixelGreen(p) == pixelBlue(p))
                        << x << "," << y;
                }
            }
    }
    // Nothing but the pictures: no temporary file stays beside them.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(home.path()))
        ++files;
    EXPECT_EQ(files, 6);
}

TEST(PictureCodecs, AFailedSaveLeavesNothingUnderTheName) {
    test::TempHome home;
    const PixelImage picture = pattern(8, 8);
    std::string error;
    EXPECT_FALSE(savePicture(home.file("a.gif"), picture.view(), "image/gif", {}, &error));
    EXPECT_NE(error.find("no picture encoder"), std::string::npos) << error;
    EXPECT_FALSE(savePicture(home.file("empty.bmp"), ConstPixelView(), "image/bmp", {}, &error));
    EXPECT_FALSE(
        savePicture(home.file("missing/folder/a.jpg"), picture.view(), "image/jpeg", {}, &error));
    EXPECT_TRUE(fs::is_empty(home.path()));
}

TEST(BmpFile, WritesAStandardBottomUpFile) {
    const PixelImage source = pattern(3, 2);
    const std::string bytes = bmpBytes(source.view());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned>(std::uint8_t(bytes[i])); };
    const auto u32 = [&](std::size_t i) {
        return byte(i) | byte(i + 1) << 8 | byte(i + 2) << 16 | byte(i + 3) << 24;
    };
    const std::size_t rowBytes = 12; // 3 pixels of 3 bytes, padded to 4
    ASSERT_EQ(bytes.size(), 54 + 2 * rowBytes);
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(u32(2), bytes.size());
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 3u);
    EXPECT_EQ(u32(22), 2u); // positive height: the last row comes first
    EXPECT_EQ(byte(28), 24u);
    EXPECT_EQ(u32(30), 0u);
    // The first stored row is the picture's bottom row, blue, green, red.
    const std::uint32_t bottomLeft = source.at(0, 1);
    EXPECT_EQ(byte(54), pixelBlue(bottomLeft));
    EXPECT_EQ(byte(55), pixelGreen(bottomLeft));
    EXPECT_EQ(byte(56), pixelRed(bottomLeft));
}

// A BMP file made by hand: 40-byte header, the given height (negative: top down), bits, masks
// or colour table (its colour count set), then the rows as given (already padded).
std::string handMadeBmp(int width, int height, int bits, std::uint32_t compression,
                        const std::string& between, const std::string& rows) {
    std::string b(54, '\0');
    const auto put = [&](std::size_t at, std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, static_cast<std::uint32_t>(54 + between.size() + rows.size()), 4);
    put(10, static_cast<std::uint32_t>(54 + between.size()), 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, static_cast<std::uint32_t>(bits), 2);
    put(30, compression, 4);
    if (bits <= 8)
        put(46, static_cast<std::uint32_t>(between.size() / 4), 4); // colours in the table
    return b + between + rows;
}

TEST(BmpFile, ReadsTheLayoutsOtherProgramsWrite) {
    const std::uint32_t red = pixelOf(255, 0, 0), green = pixelOf(0, 255, 0),
                        blue = pixelOf(0, 0, 255), white = pixelOf(255, 255, 255);
    std::string palette;
    for (const std::uint32_t c : {red, green, blue, white})
        palette += std::string{char(pixelBlue(c)), char(pixelGreen(c)), char(pixelRed(c)), 0};
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::uint32_t> expected; // 2 x 2, top row first
    };
    const Case cases[] = {
        {"32 bits top down",
         handMadeBmp(2, -2, 32, 0, "",
                     std::string("\x00\x00\xFF\x00\x00\xFF\x00\x00"
                                 "\xFF\x00\x00\x00\xFF\xFF\xFF\x00",
                                 16)),
         {red, green, blue, white}},
        {"8 bits with a colour table, bottom up",
         handMadeBmp(2, 2, 8, 0, palette, std::string("\x02\x03\x00\x00\x00\x01\x00\x00", 8)),
         {red, green, blue, white}},
        {"4 bits",
         handMadeBmp(2, 2, 4, 0, palette, std::string("\x23\x00\x00\x00\x01\x00\x00\x00", 8)),
         {red, green, blue, white}},
        {"1 bit",
         handMadeBmp(2, 2, 1, 0, palette, std::string("\x40\x00\x00\x00\x80\x00\x00\x00", 8)),
         {green, red, red, green}},
        {"16 bits 5-6-5 masks",
         handMadeBmp(2, -2, 16, 3,
                     std::string("\x00\xF8\x00\x00\xE0\x07\x00\x00\x1F\x00\x00\x00", 12),
                     std::string("\x00\xF8\xE0\x07\x1F\x00\xFF\xFF", 8)),
         {red, green, blue, white}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const std::optional<PixelImage> image = decodeBmp(c.bytes, &error);
        ASSERT_TRUE(image) << error;
        ASSERT_EQ(image->width(), 2);
        ASSERT_EQ(image->height(), 2);
        EXPECT_EQ((std::vector<std::uint32_t>{image->at(0, 0), image->at(1, 0), image->at(0, 1),
                                              image->at(1, 1)}),
                  c.expected);
    }
}

TEST(PictureCodecs, DamagedFilesGiveAReasonNeverACrash) {
    test::TempHome home;
    const PixelImage source = pattern(40, 30);
    std::string error;
    ASSERT_TRUE(savePicture(home.file("a.tif"), source.view(), "image/tiff", {}, &error)) << error;
    const std::string whole[] = {
        bmpBytes(source.view()),
        encodeJpeg(source.view()).value_or(""),
        readWholeFile(home.file("a.tif")).value_or(""),
        encodePng(source.view()).value_or(""),
    };
    for (const std::string& bytes : whole) {
        ASSERT_GT(bytes.size(), 100u);
        const PictureFormat format = pictureFormatOf(bytes).value_or(PictureFormat::Png);
        SCOPED_TRACE(static_cast<int>(format));
        // Cut at the head, in the middle of the header and in the pixels: no picture, or (for a
        // JPEG, which is decoded as far as it goes) a picture of the right size.
        for (const std::size_t length : {std::size_t{0}, std::size_t{3}, std::size_t{20},
                                         std::size_t{60}, bytes.size() / 2, bytes.size() - 1}) {
            SCOPED_TRACE(length);
            error.clear();
            const std::optional<PixelImage> image = decodePicture(bytes.substr(0, length), &error);
            if (image) {
                EXPECT_EQ(image->width(), source.width());
                EXPECT_EQ(image->height(), source.height());
            } else {
                EXPECT_FALSE(error.empty());
            }
        }
        // A picture larger than the reader accepts is refused before anything is allocated.
        EXPECT_FALSE(decodePicture(bytes, &error, 40 * 30 - 1));
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(decodePicture(bytes, &error, 40 * 30)) << error;
    }
    EXPECT_FALSE(decodePicture("GIF89a", &error));
    EXPECT_EQ(error, "not a BMP, JPEG, TIFF or PNG picture");
}

TEST(JpegFile, WritesBaselineFilesAtTheGivenQuality) {
    const PixelImage source = pattern(64, 16);
    for (const int quality : {90, 50}) {
        SCOPED_TRACE(quality);
        const std::optional<std::string> bytes = encodeJpeg(source.view(), {quality, false});
        ASSERT_TRUE(bytes);
        // A baseline frame (SOF0), no progressive one (SOF2).
        EXPECT_NE(bytes->find("\xFF\xC0"), std::string::npos);
        EXPECT_EQ(bytes->find("\xFF\xC2"), std::string::npos);
        // The first luminance quantiser: the standard table's 16 scaled for the quality.
        const std::size_t dqt = bytes->find("\xFF\xDB");
        ASSERT_NE(dqt, std::string::npos);
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        EXPECT_EQ(static_cast<unsigned char>((*bytes)[dqt + 5]), (16 * scale + 50) / 100);
    }
    EXPECT_FALSE(encodeJpeg(source.view(), {0, false}));
    EXPECT_FALSE(encodeJpeg(source.view(), {101, false}));
}

} // namespace
} // namespace zarn
