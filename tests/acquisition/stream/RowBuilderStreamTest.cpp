// Frames through the stream decoder into the row builder, the way the main window connects them:
// a sink that forwards the decoder's image entries. The rows get the frame's image depth and are
// turned by the orientation computed from the frame's sensors.
#include "acquisition/stream/ToolsStream.h"
#include "tests/acquisition/stream/FrameBuilder.h"
#include "tests/acquisition/stream/RowBuilderFixture.h"

#include <cmath>

namespace zarn::test {
namespace {

class ImageSink : public StreamSink {
public:
    explicit ImageSink(CToolsBmp& bmp) : bmp_(bmp) {}
    void decodeMode8(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                     int parameter, const MeasurementRecord& record) override {
        bmp_.DrawDpcmPayload(payload, pixelsPerRow, direction, parameter, record);
    }
    void decodeMode16(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                      int parameter, const MeasurementRecord& record) override {
        bmp_.DrawDctPayload(payload, pixelsPerRow, direction, parameter, record);
    }
    void decodeUncompressed(std::span<const std::uint8_t>, int pixelsPerRow, int direction,
                            const MeasurementRecord& record) override {
        bmp_.DrawBlankPayload(pixelsPerRow, direction, record);
    }

private:
    CToolsBmp& bmp_;
};

// A mode-16 payload (parameter 3) whose eight 720-pixel rows are grey 128 with a white band at
// source columns 0 to 15: the luma blocks of the first two block columns hold only a DC value
// large enough to saturate; every other block is empty, and so are the chroma blocks.
std::vector<std::uint8_t> stripePayload() {
    std::vector<std::uint8_t> bytes;
    int used = 0;
    const auto put = [&](unsigned value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            if (used % 8 == 0)
                bytes.push_back(0);
            if ((value >> b) & 1u)
                bytes.back() = static_cast<std::uint8_t>(bytes.back() | (0x80 >> (used % 8)));
            ++used;
        }
    };
    for (int column = 0; column < 2; ++column) {
        put(8, 4);   // luma: large values would have 8 bits
        put(0, 6);   // no coefficient after the DC (parameter 3: 6 count bits)
        put(255, 9); // DC, 9 bits
        put(0, 4);   // Cb empty
        put(0, 4);   // Cr empty
    }
    bytes.resize(bytes.size() + 300, 0); // the other 88 block columns: all empty
    return bytes;
}

// The display column at the middle of the bright band of a row (circular mean over the 720
// image columns).
double bandCentre(const PixelImage& memory, int row) {
    double x = 0, y = 0;
    for (int i = 0; i < 720; ++i) {
        const double weight = pixelGreen(memory.at(1 + i, row)) > 128 ? 1.0 : 0.0;
        x += weight * std::cos(i * 2 * M_PI / 720);
        y += weight * std::sin(i * 2 * M_PI / 720);
    }
    const double column = std::atan2(y, x) * 720 / (2 * M_PI);
    return column < 0 ? column + 720 : column;
}

class RowBuilderStream : public RowBuilderTest {
protected:
    RowBuilderStream() {
        DecoderSettings s;
        s.depthScale = 10.0; // counts per centimetre
        s.cameraOffset = 0.0;
        stream.setSettings(s);
    }

    Frame frame(std::int32_t cameraDepthCount, std::int16_t gy, std::int16_t gz) const {
        FullFrameFields f;
        f.header.speedCount = 300; // going down
        f.imageMode = 0x73;        // 720 pixels, mode 16, parameter 3
        f.cameraDepthCount = cameraDepthCount;
        f.gx = -2000; // inclined enough for a roll
        f.gy = gy;
        f.gz = gz;
        f.hx = 100;
        f.hy = 2000;
        f.hz = 3000;
        f.payload = payload;
        return f.build();
    }

    const std::vector<std::uint8_t> payload = stripePayload();
    ImageSink sink{bmp};
    CToolsStream stream{&sink, nullptr, bus};
};

TEST_F(RowBuilderStream, RowsCarryTheFramesDepthAndHighSideOrientation) {
    DecoderSettings s = stream.settings();
    s.orientationMode = OrientationModes::HighSide;
    s.imageOffset = 0.0;
    stream.setSettings(s);
    // GY > 0 and GZ = 0: the high side is a quarter turn round, so the rows start at 270.
    ASSERT_EQ(stream.DecodeFullFrame(frame(12000, 3000, 0), true), FrameResult::Ok);
    const std::vector<DrawnRow> rows = host.rows();
    ASSERT_EQ(rows.size(), 8u);
    const PixelImage memory = bmp.CopyImageMemory();
    for (const DrawnRow& row : rows) {
        EXPECT_DOUBLE_EQ(row.depth, 12.0);
        EXPECT_NEAR(row.angle, 270.0, 1e-6);
        // The band of source columns 0 to 15 (centre 7.5) moved by 270 degrees of 720 pixels.
        EXPECT_NEAR(bandCentre(memory, row.position), 7.5 + 540, 1.5);
    }

    // The next frame, 8 mm deeper and turned to GY = GZ: the rows spread over the 8 mm and turn
    // from 270 towards the new angle.
    host.forget();
    ASSERT_EQ(stream.DecodeFullFrame(frame(12008, 3000, 3000), true), FrameResult::Ok);
    const double target = stream.snapshot().Orientation.OrientedAngle;
    EXPECT_NEAR(target, 315.0, 1e-6);
    const std::vector<DrawnRow> next = host.rows();
    ASSERT_EQ(next.size(), 8u);
    const PixelImage after = bmp.CopyImageMemory();
    for (std::size_t r = 0; r < next.size(); ++r) {
        EXPECT_NEAR(next[r].depth, 12.0 + 0.001 * static_cast<double>(r), 1e-9);
        const double angle = 270.0 + (target - 270.0) * static_cast<double>(r + 1) / 8;
        EXPECT_NEAR(next[r].angle, angle, 1e-6);
        EXPECT_NEAR(bandCentre(after, next[r].position), 7.5 + angle * 2, 1.5);
    }
}

// The image offset of the selected sonde turns the rows; across north the rows take the short
// way round.
TEST_F(RowBuilderStream, TheImageOffsetTurnsTheRowsTheShortWayAcrossNorth) {
    DecoderSettings s = stream.settings();
    s.orientationMode = OrientationModes::None;
    s.imageOffset = 350.0;
    stream.setSettings(s);
    ASSERT_EQ(stream.DecodeFullFrame(frame(5000, 3000, 0), true), FrameResult::Ok);
    s.imageOffset = 10.0;
    stream.setSettings(s);
    host.forget();
    ASSERT_EQ(stream.DecodeFullFrame(frame(5008, 3000, 0), true), FrameResult::Ok);
    const std::vector<DrawnRow> rows = host.rows();
    const std::vector<double> expected = {352.5, 355, 357.5, 0, 2.5, 5, 7.5, 10};
    ASSERT_EQ(rows.size(), expected.size());
    const PixelImage memory = bmp.CopyImageMemory();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_NEAR(rows[r].angle, expected[r], 1e-9);
        const double centre = std::fmod(7.5 + expected[r] * 2, 720.0);
        const double found = bandCentre(memory, rows[r].position);
        EXPECT_NEAR(std::remainder(found - centre, 720.0), 0.0, 1.5) << "row " << r;
    }
}

} // namespace
} // namespace zarn::test
