// The row builder under test with a recording window on its side, a small image memory, and
// the frame values and rows the tests feed it.
#pragma once

#include "acquisition/stream/FrameFields.h"
#include "acquisition/stream/ToolsBmp.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace zarn::test {

// The main window's side: what the builder told it, and whether a recording runs.
class RecordingHost : public ImageRowHost {
public:
    bool recordingActive() override { return recording; }
    void showGamma(double gamma) override {
        std::lock_guard lock(mutex_);
        gammas_.push_back(gamma);
    }
    void imageCleared() override {
        std::lock_guard lock(mutex_);
        ++clears_;
    }
    void rowDrawn(const DrawnRow& row) override {
        std::lock_guard lock(mutex_);
        rows_.push_back(row);
    }

    std::vector<DrawnRow> rows() const {
        std::lock_guard lock(mutex_);
        return rows_;
    }
    std::vector<double> depths() const {
        std::vector<double> out;
        for (const DrawnRow& r : rows())
            out.push_back(r.depth);
        return out;
    }
    std::vector<double> gammas() const {
        std::lock_guard lock(mutex_);
        return gammas_;
    }
    int clears() const {
        std::lock_guard lock(mutex_);
        return clears_;
    }
    void forget() {
        std::lock_guard lock(mutex_);
        rows_.clear();
        gammas_.clear();
        clears_ = 0;
    }

    std::atomic<bool> recording{false};

private:
    mutable std::mutex mutex_;
    std::vector<DrawnRow> rows_;
    std::vector<double> gammas_;
    int clears_ = 0;
};

// The main window's layout: a border, 720 image columns, 52 scale columns.
inline constexpr int TestRowWidth = 773;
inline constexpr int TestScaleWidth = 53;
inline constexpr int TestVisibleHeight = 64;
inline constexpr int TestMemoryHeight = 3 * TestVisibleHeight;

// A frame's values as the decoder hands them over.
inline MeasurementRecord frameRecord(double imageDepth, double orientedAngle = 0.0,
                                     int resolutionCode = 3) {
    MeasurementRecord r;
    r.ImageDepth = imageDepth;
    r.Orientation.OrientedAngle = orientedAngle;
    r.ResolutionCode = resolutionCode;
    r.PixelsPerRow = pixelsPerRowOf(resolutionCode);
    r.ShutterFactor = 1.0;
    r.Gamma = 12.5;
    return r;
}

// Eight decoded rows of width pixels, all of one colour per row: colourOf(row index).
template <class F> std::vector<std::uint32_t> stripOf(int width, F colourOf) {
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(8 * width));
    for (int r = 0; r < 8; ++r)
        std::fill_n(rows.begin() + r * width, width, colourOf(r));
    return rows;
}

// Eight copies of one row.
inline std::vector<std::uint32_t> stripOfRow(const std::vector<std::uint32_t>& row) {
    std::vector<std::uint32_t> rows;
    for (int r = 0; r < 8; ++r)
        rows.insert(rows.end(), row.begin(), row.end());
    return rows;
}

// A row whose pixels all differ from their neighbours; alpha 0 as the decoder leaves it.
inline std::vector<std::uint32_t> patternRow(int width) {
    std::vector<std::uint32_t> row(static_cast<std::size_t>(width));
    for (int i = 0; i < width; ++i)
        row[static_cast<std::size_t>(i)] =
            pixelOf((i * 37) & 0xFF, (i * 11 + 5) & 0xFF, 255 - ((i * 3) & 0xFF), 0);
    return row;
}

// The mode-8 payload whose two rows are all grey `level` (parameter 5: no red and blue offset):
// colour differences 0, luma base `level`, then every symbol a zero delta.
inline std::vector<std::uint8_t> greyDpcmPayload(std::uint8_t level) {
    return {0x80, 0x80, level, 0x00, 0x00, 0x00};
}

class RowBuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(bmp.DrawImageBuffer(TestRowWidth, TestScaleWidth, TestVisibleHeight));
    }

    // The image columns (1 to 720) of a row of the image memory.
    static std::vector<std::uint32_t> imageColumns(const PixelImage& memory, int row) {
        const std::uint32_t* p = memory.row(row) + ImageMemory::FirstImageColumn;
        return {p, p + DisplayImageColumns};
    }

    MessageBus bus;
    RecordingHost host;
    CToolsBmp bmp{&host, bus};
};

} // namespace zarn::test
