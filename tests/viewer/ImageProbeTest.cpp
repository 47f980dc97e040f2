// Header probes: sizes from the first bytes of JPEG and BMP files, and every kind of file the
// probes refuse.
#include "viewer/ImageProbe.h"

#include "platform/imaging/BmpFile.h"
#include "platform/imaging/JpegFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace lvviewer::test {
namespace {

std::string jpegOf(int width, int height) {
    zarn::PixelImage image(width, height, zarn::pixelOf(90, 120, 30));
    return zarn::encodeJpeg(image.view()).value_or("");
}

std::string bmpOf(int width, int height) {
    zarn::PixelImage image(width, height, zarn::pixelOf(90, 120, 30));
    std::ostringstream out;
    EXPECT_TRUE(zarn::writeBmp(out, image.view()));
    return out.str();
}

TEST(ImageProbe, JpegSizesAndRefusals) {
    const std::string jpeg = jpegOf(720, 2000);
    EXPECT_EQ(probeJpeg(jpeg), (ImageSize{720, 2000}));
    // Only the first bytes are read: a file cut after its frame header still gives its size.
    EXPECT_EQ(probeJpeg(jpeg.substr(0, 700)), (ImageSize{720, 2000}));

    // The same picture without its JFIF segment: the markers are scanned from offset 4.
    const std::size_t app0 =
        2 + 2 + ((static_cast<unsigned char>(jpeg[4]) << 8) | static_cast<unsigned char>(jpeg[5]));
    ASSERT_EQ(static_cast<unsigned char>(jpeg[3]), 0xE0);
    const std::string withoutJfif = jpeg.substr(0, 2) + jpeg.substr(app0);
    EXPECT_EQ(probeJpeg(withoutJfif), (ImageSize{720, 2000}));

    std::string progressive = jpeg;
    const std::size_t frame = progressive.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    progressive[frame + 1] = '\xC2';
    std::string reason;
    EXPECT_FALSE(probeJpeg(progressive, &reason));
    EXPECT_EQ(reason, "no baseline JPEG frame");

    std::string notJfif = jpeg;
    notJfif.replace(6, 4, "JFXX");
    std::string noFrame = jpeg.substr(0, frame); // no C0 within what was read
    for (const std::string& refused :
         {jpeg.substr(0, 64), std::string(100, '\xFF'), notJfif, noFrame, std::string()}) {
        reason.clear();
        EXPECT_FALSE(probeJpeg(refused, &reason)) << refused.size();
        EXPECT_FALSE(reason.empty());
    }
}

TEST(ImageProbe, BmpSizesBottomUpAndTopDownAndRefusals) {
    const std::string bmp = bmpOf(640, 480);
    EXPECT_EQ(probeBmp(bmp), (ImageSize{640, 480}));
    EXPECT_EQ(probeBmp(bmp.substr(0, BmpProbeBytes)), (ImageSize{640, 480}));
    std::string topDown = bmp;
    const std::int32_t negative = -480;
    std::memcpy(topDown.data() + 22, &negative, 4);
    EXPECT_EQ(probeBmp(topDown), (ImageSize{640, 480}));

    std::string core = bmp; // a 12-byte header: not the 40-byte one the viewer reads
    core[14] = 12;
    std::string noPixels = bmp;
    std::memset(noPixels.data() + 22, 0, 4);
    std::string lowest = bmp;
    const std::int32_t min = INT32_MIN;
    std::memcpy(lowest.data() + 22, &min, 4);
    for (const std::string& refused :
         {bmp.substr(0, 53), "XX" + bmp.substr(2), core, noPixels, lowest}) {
        std::string reason;
        EXPECT_FALSE(probeBmp(refused, &reason));
        EXPECT_FALSE(reason.empty());
    }
}

TEST(ImageProbe, TheExtensionChoosesTheProbe) {
    EXPECT_EQ(imageTypeOf("a/B_1.00-2.00.JPG"), ImageType::Jpeg);
    EXPECT_EQ(imageTypeOf("B_1.00-2.00.jpeg"), ImageType::Jpeg);
    EXPECT_EQ(imageTypeOf("B_1.00-2.00.Bmp"), ImageType::Bmp);
    EXPECT_FALSE(imageTypeOf("B_1.00-2.00.tif"));
    EXPECT_FALSE(imageTypeOf("B_1.00-2.00"));
}

} // namespace
} // namespace lvviewer::test
