#include "acquisition/app/WindowPlacement.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace zarn {
namespace {

std::int32_t wordAt(const std::string& bytes, std::size_t offset) {
    const auto b = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(offset + i)));
    };
    return static_cast<std::int32_t>(b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24));
}

// Every word of every window different, some negative.
WindowPlacementRecord distinctRecord() {
    WindowPlacementRecord r;
    for (int w = 0; w < 6; ++w) {
        const std::int32_t base = (w + 1) * 1000;
        r.windows[w] = WindowPlacement{base + 1,
                                       base + 2,
                                       -(base + 3),
                                       {base + 4, -(base + 5)},
                                       {base + 6, base + 7},
                                       {base + 8, base + 9, base + 10, -(base + 11)}};
    }
    return r;
}

TEST(WindowPlacementRecord, EncodesElevenLittleEndianWordsPerWindowAtTheFileOffsets) {
    const WindowPlacementRecord record = distinctRecord();
    const std::string bytes = record.encode();
    ASSERT_EQ(bytes.size(), 281u);
    for (std::size_t i = 0; i < 17; ++i)
        EXPECT_EQ(bytes[i], '\0') << "byte " << i;
    const std::size_t offsets[] = {17, 61, 105, 149, 193, 237};
    for (int w = 0; w < 6; ++w) {
        const std::int32_t base = (w + 1) * 1000;
        const std::int32_t expected[] = {base + 1,    base + 2,  -(base + 3), base + 4,
                                         -(base + 5), base + 6,  base + 7,    base + 8,
                                         base + 9,    base + 10, -(base + 11)};
        for (std::size_t i = 0; i < 11; ++i)
            EXPECT_EQ(wordAt(bytes, offsets[w] + 4 * i), expected[i])
                << "window " << w << " word " << i;
    }
}

TEST(WindowPlacementRecord, ByteOrderIsLeastSignificantFirst) {
    WindowPlacementRecord record;
    record[PlacedWindow::DeviationData].length = 0x01020304;
    const std::string bytes = record.encode();
    EXPECT_EQ(bytes.substr(105, 4), std::string("\x04\x03\x02\x01", 4));
    EXPECT_EQ(bytes.substr(17, 4), std::string(4, '\0'));
}

TEST(WindowPlacementRecord, DecodeGivesBackWhatWasEncodedWhateverTheLeadingBytes) {
    const WindowPlacementRecord record = distinctRecord();
    std::string bytes = record.encode();
    auto decoded = WindowPlacementRecord::decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, record);
    for (std::size_t i = 0; i < 17; ++i)
        bytes[i] = '\xFF';
    decoded = WindowPlacementRecord::decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, record);
    EXPECT_EQ((*decoded)[PlacedWindow::CameraControl].normalPosition.bottom, -6011);
}

TEST(WindowPlacementRecord, DecodeRefusesEveryOtherSize) {
    const std::string full = distinctRecord().encode();
    for (std::size_t size : {0u, 1u, 17u, 61u, 200u, 280u, 282u, 562u}) {
        std::string bytes = full;
        bytes.resize(size, '\x01');
        EXPECT_FALSE(WindowPlacementRecord::decode(bytes)) << size << " bytes";
    }
}

TEST(WindowPlacement, IsUsableOnlyWithALengthWordFromOneTo999) {
    const struct {
        std::int32_t length;
        bool usable;
    } cases[] = {{0, false},    {1, true},   {44, true},        {999, true},
                 {1000, false}, {-1, false}, {INT32_MIN, false}};
    for (const auto& c : cases) {
        WindowPlacement p;
        p.length = c.length;
        EXPECT_EQ(p.usable(), c.usable) << c.length;
    }
}

TEST(WindowPlacementRecord, DefaultMainPlacementIsTheDocumentedWindow) {
    const WindowPlacement p = WindowPlacementRecord::defaultMainPlacement();
    EXPECT_EQ(p, (WindowPlacement{44, 0, 0, {0, 0}, {0, 0}, {10, 10, 700, 500}}));
    EXPECT_TRUE(p.usable());
}

} // namespace
} // namespace zarn
