// JPEG rows read straight into pixels: the same pixels as the whole picture's decode, a reader
// going on down the picture, rows above its place or outside the picture refused without
// spoiling it, and files that are no JPEG picture refused with a reason.
#include "platform/imaging/JpegRows.h"
#include "platform/imaging/JpegFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zarn::test {
namespace {

namespace fs = std::filesystem;

struct JpegOnDisk {
    fs::path path;
    std::string bytes;
    PixelImage whole;
    explicit JpegOnDisk(const std::string& name) {
        path = fs::temp_directory_path() / (name + std::to_string(::getpid()) + ".jpg");
        PixelImage image(48, 3000);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.row(y)[x] = pixelOf(x * 5, y / 12, (x * y) & 0xFF);
        bytes = encodeJpeg(image.view()).value();
        std::ofstream(path, std::ios::binary) << bytes;
        whole = decodeJpeg(bytes).value();
    }
    ~JpegOnDisk() {
        std::error_code ec;
        fs::remove(path, ec);
    }
    void expectRows(const PixelImage& rows, int first) const {
        for (int y = 0; y < rows.height(); ++y)
            for (int x = 0; x < rows.width(); ++x)
                ASSERT_EQ(rows.at(x, y), whole.at(x, first + y)) << first + y << " " << x;
    }
};

TEST(JpegRows, RowsAreThoseOfTheWholeDecodeAndAReaderGoesOnDownThePicture) {
    const JpegOnDisk jpeg("jpeg-rows-");
    JpegRowReader reader(jpeg.path);
    ASSERT_TRUE(reader.ok()) << reader.error();
    EXPECT_EQ(reader.size().width, 48);
    EXPECT_EQ(reader.size().height, 3000);
    PixelImage rows(48, 10);
    for (const int first : {0, 10, 25, 1500, 2990}) {
        ASSERT_TRUE(reader.read(first, rows.view())) << first;
        jpeg.expectRows(rows, first);
        EXPECT_EQ(reader.nextRow(), first + 10);
    }
    // Above its place, beyond the picture or of another width: refused, the reader still good.
    PixelImage narrow(47, 1);
    EXPECT_FALSE(reader.read(100, rows.view()));
    EXPECT_FALSE(reader.read(2995, rows.view()));
    EXPECT_FALSE(reader.read(2999, narrow.view()));
    EXPECT_TRUE(reader.ok());

    PixelImage one(48, 1);
    JpegRowsSize size;
    std::string error;
    ASSERT_TRUE(decodeJpegRows(jpeg.path, 2999, one.view(), &error, &size)) << error;
    jpeg.expectRows(one, 2999);
    EXPECT_EQ(size.height, 3000);
    EXPECT_FALSE(decodeJpegRows(jpeg.path, 3000, one.view(), &error));
    EXPECT_NE(error.find("has not the rows asked for"), std::string::npos) << error;
}

TEST(JpegRows, FilesThatAreNoJpegPictureAreRefusedWithAReason) {
    const JpegOnDisk jpeg("jpeg-rows-bad-");
    PixelImage rows(48, 4);
    std::string error;
    EXPECT_FALSE(decodeJpegRows(jpeg.path.string() + ".absent", 0, rows.view(), &error));
    EXPECT_EQ(error, "the file could not be opened");
    for (const std::string& bytes : {std::string("not a picture"), jpeg.bytes.substr(0, 40)}) {
        std::ofstream(jpeg.path, std::ios::binary | std::ios::trunc) << bytes;
        error.clear();
        EXPECT_FALSE(decodeJpegRows(jpeg.path, 0, rows.view(), &error));
        EXPECT_FALSE(error.empty());
        JpegRowReader reader(jpeg.path);
        EXPECT_FALSE(reader.ok());
        EXPECT_FALSE(reader.read(0, rows.view()));
    }
    // Cut within its data: the rows are decoded as far as they go, as picture programs do.
    std::ofstream(jpeg.path, std::ios::binary | std::ios::trunc)
        << jpeg.bytes.substr(0, jpeg.bytes.size() / 2);
    PixelImage last(48, 1);
    EXPECT_TRUE(decodeJpegRows(jpeg.path, 2999, last.view(), &error)) << error;
}

} // namespace
} // namespace zarn::test
