// Pictures the codec tests share: a pattern whose every pixel differs from its neighbours in
// every channel (with alpha bytes that must not matter), and the comparison of colours.
#pragma once

#include "platform/PixelImage.h"

#include <gtest/gtest.h>

namespace zarn::test {

inline PixelImage pattern(int width, int height) {
    PixelImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.row(y)[x] = pixelOf(x * 7 + y, x * 3 + y * 5, 255 - x - y * 11, (x + y) & 1);
    return image;
}

inline void expectSameColours(const ConstPixelView& expected, const PixelImage& actual) {
    ASSERT_EQ(actual.width(), expected.width);
    ASSERT_EQ(actual.height(), expected.height);
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
            const std::uint32_t e = expected.at(x, y);
            ASSERT_EQ(actual.at(x, y), pixelOf(pixelRed(e), pixelGreen(e), pixelBlue(e)))
                << x << "," << y;
        }
}

} // namespace zarn::test
