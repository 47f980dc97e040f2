// Pictures made by the viewer's tests: synthetic core image files of chosen sizes and names,
// whose pixels tell which row of which picture they are.
#pragma once

#include "platform/PixelImage.h"
#include "platform/imaging/BmpFile.h"
#include "platform/imaging/JpegFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace lvviewer::test {

// A pixel that names its row (BMP keeps it exactly).
inline std::uint32_t rowPixel(int row, int x) {
    return zarn::pixelOf(row & 0xFF, (row >> 8) & 0xFF, x & 0xFF);
}

inline std::uint32_t rowPixelOf(int x, int y) {
    return rowPixel(y, x);
}

// A picture file of width x height, JPEG or BMP by the extension of its path.
inline void writePicture(const std::filesystem::path& path, int width, int height,
                         const std::function<std::uint32_t(int x, int y)>& pixel = rowPixelOf) {
    zarn::PixelImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.row(y)[x] = pixel(x, y);
    std::ofstream out(path, std::ios::binary);
    if (path.extension() == ".bmp") {
        ASSERT_TRUE(zarn::writeBmp(out, image.view()));
    } else {
        const std::optional<std::string> bytes = zarn::encodeJpeg(image.view());
        ASSERT_TRUE(bytes);
        out << *bytes;
    }
}

} // namespace lvviewer::test
