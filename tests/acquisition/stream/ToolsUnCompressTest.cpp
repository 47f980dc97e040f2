// The video decoder against hand-built payloads: the bit reader, both parameter selections, every
// code path of mode 8 (short and long code sets, literals, deltas, chroma codes) and of mode 16
// (empty blocks, first values, each value code, scan positions, chroma layout, half block
// columns, the shutter factor and the colour averages), and arbitrary bytes.
#include "acquisition/stream/ToolsUnCompress.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {
namespace {

using compression::chromaStep;
using compression::kDctParameters;
using compression::lumaStep;

constexpr std::uint32_t kSentinel = 0xDEADBEEF;

// A payload written as bits, most significant first; the last byte is padded with zeros.
class Bits {
public:
    // Appends '0' and '1' characters; spaces only separate fields for the reader.
    Bits& raw(std::string_view pattern) {
        for (char c : pattern)
            if (c == '0' || c == '1')
                bits_.push_back(c == '1');
        return *this;
    }
    Bits& zeros(int count) {
        bits_.insert(bits_.end(), static_cast<std::size_t>(count), false);
        return *this;
    }
    // The low `width` (at most 32) bits of value.
    Bits& field(std::uint32_t value, int width) {
        for (int i = width - 1; i >= 0; --i)
            bits_.push_back((value >> i) & 1);
        return *this;
    }
    Bits& signedField(int value, int width) {
        return field(static_cast<std::uint32_t>(value), width);
    }
    // One coefficient value in the block code with large-value width n.
    Bits& value(int v, int n) {
        if (v == 0)
            return raw("10");
        if (v >= -4 && v <= 4)
            return raw("0").field(static_cast<std::uint32_t>(v < 0 ? v + 4 : v + 3), 3);
        return raw("11").signedField(v, n);
    }
    std::vector<std::uint8_t> bytes() const {
        std::vector<std::uint8_t> out((bits_.size() + 7) / 8, 0);
        for (std::size_t i = 0; i < bits_.size(); ++i)
            if (bits_[i])
                out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
        return out;
    }

private:
    std::vector<bool> bits_;
};

int red(std::uint32_t p) {
    return (p >> 16) & 0xFF;
}
int blue(std::uint32_t p) {
    return p & 0xFF;
}
std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r << 16 | g << 8 | b);
}
std::uint32_t grey(int v) {
    return rgb(v, v, v);
}

// Decodes one payload into rows followed by four sentinel pixels.
struct Decoded {
    bool ok = false;
    int width = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int row, int x) const {
        return pixels[static_cast<std::size_t>(row) * width + x];
    }
    bool sentinelsIntact(int rows) const {
        for (std::size_t i = static_cast<std::size_t>(rows) * width; i < pixels.size(); ++i)
            if (pixels[i] != kSentinel)
                return false;
        return true;
    }
};

Decoded decodeDpcm(CToolsUnCompress& d, int parameter, const std::vector<std::uint8_t>& payload,
                   int width) {
    Decoded out;
    out.width = width;
    out.pixels.assign(static_cast<std::size_t>(width) * 2 + 4, kSentinel);
    // Some tests give an unsupported parameter: the ones in force decode.
    static_cast<void>(d.SelectDpcmParameters(parameter));
    d.InitBitReader(payload);
    out.ok = d.DecodeDpcmPair({out.pixels.data(), static_cast<std::size_t>(width) * 2}, width);
    return out;
}

Decoded decodeDct(CToolsUnCompress& d, int parameter, const std::vector<std::uint8_t>& payload,
                  int width) {
    Decoded out;
    out.width = width;
    out.pixels.assign(static_cast<std::size_t>(width) * 8 + 4, kSentinel);
    d.InitBitReader(payload);
    // Some tests give an unsupported parameter: the ones in force decode.
    static_cast<void>(d.SelectDctParameters(parameter));
    d.BuildDctTables();
    out.ok = d.DecodeDctStrip({out.pixels.data(), static_cast<std::size_t>(width) * 8}, width);
    return out;
}

// --- Bit reader ---------------------------------------------------------------------------

TEST(CToolsUnCompressBitReader, ReadsMostSignificantBitFirstAndZerosPastTheEnd) {
    struct Case {
        std::vector<std::uint8_t> payload;
        std::vector<int> widths;
        std::vector<std::uint32_t> expected;
    };
    const std::vector<Case> cases{
        // 10100101 00111100 11111111 00000001, then zeros.
        {{0xA5, 0x3C, 0xFF, 0x01}, {1, 3, 4, 6, 16, 2, 8, 16}, {1, 2, 5, 15, 0x3FC0, 1, 0, 0}},
        {{0x12, 0x34, 0x56}, {16, 16, 1}, {0x1234, 0x5600, 0}},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x80},
         {7, 16, 16, 16, 10, 2},
         {0x7F, 0xFFFF, 0xFFFF, 0xFFFF, 0x3FF, 0}},
        {{}, {5, 16}, {0, 0}},
    };
    for (const Case& c : cases) {
        // An exactly sized heap copy: a read past its end is caught by the address sanitizer.
        std::vector<std::uint8_t> payload(c.payload);
        CToolsUnCompress d;
        d.InitBitReader(payload);
        for (std::size_t i = 0; i < c.widths.size(); ++i)
            EXPECT_EQ(d.ReadBits(c.widths[i]), c.expected[i]) << "read " << i;
    }
}

// Reads of every width from 1 to 32 across a payload, in a random order, against the bits taken
// one by one; the reads run past the end, where zeros follow.
TEST(CToolsUnCompressBitReader, AnyWidthsAgreeWithTheBitsOneByOne) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::vector<std::uint8_t> payload(random() % 40);
        for (auto& byte : payload)
            byte = static_cast<std::uint8_t>(random());
        auto bitAt = [&](std::size_t i) {
            return i / 8 < payload.size() ? (payload[i / 8] >> (7 - i % 8)) & 1 : 0;
        };
        CToolsUnCompress d;
        d.InitBitReader(payload);
        std::size_t position = 0;
        while (position < payload.size() * 8 + 64) {
            const int n = 1 + static_cast<int>(random() % 32);
            std::uint32_t expected = 0;
            for (int i = 0; i < n; ++i)
                expected = (expected << 1) | static_cast<std::uint32_t>(bitAt(position + i));
            ASSERT_EQ(d.ReadBits(n), expected) << "at bit " << position << ", width " << n;
            position += static_cast<std::size_t>(n);
        }
    }
}

TEST(CToolsUnCompressBitReader, InitStartsOverOnANewPayload) {
    const std::vector<std::uint8_t> first{0xF0, 0x0F};
    const std::vector<std::uint8_t> second{0x81};
    CToolsUnCompress d;
    d.InitBitReader(first);
    EXPECT_EQ(d.ReadBits(3), 7u);
    d.InitBitReader(second);
    EXPECT_EQ(d.ReadBits(1), 1u);
    EXPECT_EQ(d.ReadBits(7), 1u);
}

// --- Parameters ---------------------------------------------------------------------------

TEST(CToolsUnCompressParameters, UnsupportedParameterIsShownOnceAndKeepsThePreviousOnes) {
    test::RecordingUserMessages messages;
    CToolsUnCompress d;
    ASSERT_TRUE(d.SelectDpcmParameters(4));
    ASSERT_TRUE(d.SelectDctParameters(2));
    for (int bad : {0, 6, -1, 255}) {
        EXPECT_FALSE(d.SelectDpcmParameters(bad)) << bad;
        EXPECT_FALSE(d.SelectDctParameters(bad)) << bad;
    }
    EXPECT_EQ(d.DpcmParameter(), 4);
    EXPECT_EQ(d.DctParameter(), 2);
    ASSERT_EQ(messages.shown().size(), 1u);
    EXPECT_EQ(messages.shown()[0].text, "Sorry, Unsupported Compression Mode!");
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Information);

    // A valid parameter ends the episode; the next bad one is shown again.
    EXPECT_TRUE(d.SelectDctParameters(5));
    EXPECT_FALSE(d.SelectDpcmParameters(7));
    EXPECT_FALSE(d.SelectDpcmParameters(7));
    EXPECT_EQ(messages.texts().size(), 2u);
}

TEST(CToolsUnCompressParameters, TablesFollowTheParameter) {
    struct Case {
        int parameter;
        int row, column;
        double luma;
    };
    const std::vector<Case> lumaCases{
        {3, 0, 0, 4.053333333333333}, {1, 0, 1, 18.37827794625}, {5, 7, 7, 1.9727887783695113},
        {2, 3, 0, 11.366797486},      {4, 4, 2, 11.1057852025},
    };
    CToolsUnCompress d;
    for (const Case& c : lumaCases) {
        ASSERT_TRUE(d.SelectDctParameters(c.parameter));
        d.BuildDctTables();
        EXPECT_NEAR(d.LumaTable()[c.row * 8 + c.column], c.luma, 1e-9)
            << c.parameter << " " << c.row << "," << c.column;
    }
    struct ChromaCase {
        int parameter;
        int index;
        double value;
    };
    for (const ChromaCase& c : std::vector<ChromaCase>{
             {1, 0, 7.160209691855261}, {5, 15, 14.384349827387801}, {3, 5, 9.205983889528193}}) {
        ASSERT_TRUE(d.SelectDctParameters(c.parameter));
        d.BuildDctTables();
        EXPECT_NEAR(d.ChromaTable()[c.index], c.value, 1e-9) << c.parameter << " " << c.index;
    }
}

TEST(CToolsUnCompressParameters, BeforeAnyValidParameterTheFirstOnesAreInForce) {
    test::RecordingUserMessages messages;
    // Mode 16 with parameter 1: 8-bit first value and step 7.6.
    {
        CToolsUnCompress d;
        const auto payload =
            Bits().raw("0001").field(0, 5).signedField(-11, 8).raw("0000 0000").bytes();
        const Decoded out = decodeDct(d, 9, payload, 8);
        ASSERT_TRUE(out.ok);
        EXPECT_EQ(out.at(0, 0), grey(118));
        EXPECT_DOUBLE_EQ(d.LumaTable()[0], 7.6);
    }
    // Mode 8 with parameter 1: 4-bit luma literal, red and blue raised by 6.
    {
        CToolsUnCompress d;
        const auto payload = Bits()
                                 .field(128, 8)
                                 .field(128, 8)
                                 .field(10, 8)
                                 .field(0x00, 8)
                                 .field(0, 4)
                                 .raw("11 00 00 00") // E0 literal, E1..E3 delta 0
                                 .raw("0 1011")      // T0 = 11
                                 .raw("111 111 111 111 111")
                                 .bytes();
        const Decoded out = decodeDpcm(d, 0, payload, 2);
        ASSERT_TRUE(out.ok);
        EXPECT_EQ(out.at(0, 0), rgb(27, 21, 27));
    }
    EXPECT_EQ(messages.texts().size(), 2u);
}

// --- Mode 8 -------------------------------------------------------------------------------

Bits dpcmHeader(int cbOffset, int crOffset, int lumaBase, int control, int lumaShift) {
    Bits b;
    b.field(cbOffset, 8)
        .field(crOffset, 8)
        .field(lumaBase, 8)
        .field(control, 8)
        .field(lumaShift, 4);
    return b;
}

TEST(CToolsUnCompressDpcm, ShortCodeSetLiteralsDeltasAndChroma) {
    // Parameter 3: 5-bit luma literals, 4-bit chroma literals, A = 2. Luma base 50, step 4.
    // Table E0 = delta 0 ("0"), E1 = +-1/+-2 ("10"), E2 = literal ("110"), E3 = +-3/+-4 ("111").
    const auto payload = dpcmHeader(128, 128, 50, 0x00, 2)
                             .raw("00 01 11 10")
                             // Pair 0: T0 literal 10, T1 +2, B0 +3 (from 0), B1 0, Cr 0, Cb 0.
                             .raw("110 01010")
                             .raw("10 11")
                             .raw("111 10")
                             .raw("0")
                             .raw("0")
                             .raw("0")
                             // Pair 1: T0 -1, T1 +4, B0 0, B1 -2, Cr literal 9, Cb +1.
                             .raw("10 01")
                             .raw("111 11")
                             .raw("0")
                             .raw("10 00")
                             .raw("110 1001")
                             .raw("10 10")
                             .bytes();
    CToolsUnCompress d;
    const Decoded out = decodeDpcm(d, 3, payload, 4);
    ASSERT_TRUE(out.ok);
    // Luma values 40, 48, 12, 12 | 44, 60, 12, 4 over base 50; pair 1 has Cr 9, Cb 1.
    const std::vector<std::uint32_t> row0{rgb(92, 90, 92), rgb(100, 98, 100), rgb(108, 87, 97),
                                          rgb(124, 103, 113)};
    const std::vector<std::uint32_t> row1{rgb(64, 62, 64), rgb(64, 62, 64), rgb(76, 55, 65),
                                          rgb(68, 47, 57)};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(out.at(0, x), row0[x]) << x;
        EXPECT_EQ(out.at(1, x), row1[x]) << x;
    }
    EXPECT_TRUE(out.sentinelsIntact(2));
}

TEST(CToolsUnCompressDpcm, LongCodeSetWithShortLiteralsOfParameterOne) {
    // Parameter 1: 4-bit luma literals, 3-bit chroma literals, A = 6. Cb shift 1, Cr shift 2.
    // Table: E0 delta 0, E1 literal, E2 +1, E3 +4, E4 -2, E5 +3.
    const auto payload = dpcmHeader(100, 140, 20, 0x80 | 0x10 | 0x02, 3)
                             .field(3, 3)
                             .field(0, 3)
                             .field(4, 3)
                             .field(7, 3)
                             .field(1, 3)
                             .field(6, 3)
                             .raw("10 1011") // T0 literal 11 -> 88
                             .raw("1110")    // T1 +4 -> 120
                             .raw("11111")   // B0 +3 -> 24
                             .raw("11110")   // B1 -2 -> 8
                             .raw("10 101")  // Cr literal 5 -> ((5 << 2) + 140) - 128 = 32
                             .raw("110")     // Cb +1 -> ((1 << 1) + 100) - 128 = -26
                             .bytes();
    CToolsUnCompress d;
    const Decoded out = decodeDpcm(d, 1, payload, 2);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.at(0, 0), rgb(158, 94, 67));
    EXPECT_EQ(out.at(0, 1), rgb(190, 126, 99));
    EXPECT_EQ(out.at(1, 0), rgb(94, 30, 3));
    EXPECT_EQ(out.at(1, 1), rgb(78, 14, 0));
    EXPECT_TRUE(out.sentinelsIntact(2));
}

TEST(CToolsUnCompressDpcm, AllZeroDeltasGiveTheLumaBaseWithRedAndBlueRaisedByA) {
    const int width = 360;
    // Short set, every entry delta 0: every symbol is the single bit "0".
    const auto payload =
        dpcmHeader(128, 128, 100, 0x00, 0).field(0, 8).zeros((width / 2) * 6).bytes();
    const std::vector<std::pair<int, int>> parameterToA{{1, 6}, {2, 4}, {3, 2}, {4, 1}, {5, 0}};
    for (const auto& [parameter, a] : parameterToA) {
        CToolsUnCompress d;
        const Decoded out = decodeDpcm(d, parameter, payload, width);
        ASSERT_TRUE(out.ok);
        int wrong = 0;
        for (int r = 0; r < 2; ++r)
            for (int x = 0; x < width; ++x)
                wrong += out.at(r, x) != rgb(100 + a, 100, 100 + a);
        EXPECT_EQ(wrong, 0) << "parameter " << parameter;
    }
}

TEST(CToolsUnCompressDpcm, PredictorsAndChromaCodesCarryEightBitsAndLumaSixteen) {
    // Parameter 5, luma base 0, step 4. Pair 0: T0 literal 100 -> 400 (beyond 255: clamped),
    // T1 delta 0 -> 400, so the top predictor becomes 400 mod 256 = 144. Cr delta -1 from 0 wraps
    // to code 255: Cr = 255 - 128 = 127.
    const auto payload = dpcmHeader(128, 0, 0, 0x00, 2)
                             .raw("00 01 11 10") // E0 0, E1 +-1/+-2, E2 literal, E3 +-3/+-4
                             .raw("110 1100100")
                             .raw("0")
                             .raw("0")
                             .raw("0")
                             .raw("10 01") // Cr -1
                             .raw("0")
                             // Pair 1: T0 delta 0 from the 8-bit predictor, the rest 0.
                             .raw("0 0 0 0 0 0")
                             .bytes();
    CToolsUnCompress d;
    const Decoded out = decodeDpcm(d, 5, payload, 4);
    ASSERT_TRUE(out.ok);
    // Y 400, Cr 127: R = 255, G = 400 - 90.7 = 309 -> 255, B = 400 -> 255.
    EXPECT_EQ(out.at(0, 0), rgb(255, 255, 255));
    // Y 0 with Cr 127: R = 178, G = -90.7 -> 0, B = 0.
    EXPECT_EQ(out.at(1, 0), rgb(178, 0, 0));
    // Pair 1: Y 144, R = 144 + 178.054 -> 255, G = 144 - 90.69578 = 53.3 -> 53.
    EXPECT_EQ(out.at(0, 2), rgb(255, 53, 144));
}

TEST(CToolsUnCompressDpcm, OddWidthAndShortOutputsStayInsideTheirRows) {
    CToolsUnCompress d;
    // Width 3: the second pair has no second column; its T1 and B1 are decoded but not stored.
    const auto payload = dpcmHeader(128, 128, 30, 0x00, 0).field(0, 8).field(0, 2 * 6).bytes();
    const Decoded out = decodeDpcm(d, 5, payload, 3);
    ASSERT_TRUE(out.ok);
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(out.at(0, x), grey(30));
        EXPECT_EQ(out.at(1, x), grey(30));
    }
    EXPECT_TRUE(out.sentinelsIntact(2));

    std::vector<std::uint32_t> small(7, kSentinel);
    d.InitBitReader(payload);
    EXPECT_FALSE(d.DecodeDpcmPair(small, 4));
    EXPECT_FALSE(d.DecodeDpcmPair(small, 0));
    EXPECT_EQ(small, std::vector<std::uint32_t>(7, kSentinel));
}

// --- Mode 16 ------------------------------------------------------------------------------

// A block column whose chroma blocks are empty, luma given as bits.
Bits& emptyChroma(Bits& b) {
    return b.raw("0000 0000");
}

TEST(CToolsUnCompressDct, EmptyBlocksGiveUniformGreyScaledByTheShutterFactor) {
    struct Case {
        int width;
        double shutter;
        int expected;
    };
    const std::vector<Case> cases{{360, 1.0, 128},  {540, 1.0, 128}, {540, 0.5, 64},
                                  {1440, 1.5, 192}, {900, 2.0, 255}, {720, 0.0, 0}};
    for (const Case& c : cases) {
        const int blocks = (c.width + 7) / 8;
        const auto payload = Bits().zeros(blocks * 12).bytes();
        CToolsUnCompress d;
        d.SetShutterFactor(c.shutter);
        const Decoded out = decodeDct(d, 3, payload, c.width);
        ASSERT_TRUE(out.ok);
        int wrong = 0;
        for (int r = 0; r < 8; ++r)
            for (int x = 0; x < c.width; ++x)
                wrong += out.at(r, x) != grey(c.expected);
        EXPECT_EQ(wrong, 0) << c.width << " x " << c.shutter;
        EXPECT_TRUE(out.sentinelsIntact(8));
        const auto& avg = d.GetColourAverages();
        EXPECT_DOUBLE_EQ(avg.luma, 128.0);
        EXPECT_DOUBLE_EQ(avg.cb, 0.0);
        EXPECT_DOUBLE_EQ(avg.cr, 0.0);
        EXPECT_DOUBLE_EQ(avg.blueTerm, 0.0);
    }
}

TEST(CToolsUnCompressDct, FirstValueIsDescaledByEightAfterTruncation) {
    struct Case {
        int parameter;
        int dc;
        int expected;
    };
    // Y = ((int)(dc * step) + 4) >> 3 + 128, clamped: step 7.6 (1), 4.0533 (3), 2.5333 (5).
    const std::vector<Case> cases{
        {1, 11, 138}, {1, -11, 118}, {1, -1, 127}, {1, 127, 249},
        {1, -128, 7}, {3, 100, 179}, {3, -256, 0}, {5, 301, 223},
    };
    for (const Case& c : cases) {
        const auto& p = kDctParameters[c.parameter - 1];
        // Two block columns: the value given, then an empty block.
        Bits b;
        b.raw("0001").field(0, p.lumaCountBits).signedField(c.dc, p.lumaDcBits);
        emptyChroma(b);
        b.raw("0000");
        emptyChroma(b);
        CToolsUnCompress d;
        const Decoded out = decodeDct(d, c.parameter, b.bytes(), 16);
        ASSERT_TRUE(out.ok);
        for (int r = 0; r < 8; ++r)
            for (int x = 0; x < 8; ++x) {
                ASSERT_EQ(out.at(r, x), grey(c.expected)) << c.parameter << "/" << c.dc;
                ASSERT_EQ(out.at(r, x + 8), grey(128));
            }
    }
}

// The luma block by the definition of the 8 x 8 inverse cosine transform: values at block
// positions (row = vertical frequency), times their quantiser steps.
std::array<double, 64> referenceLuma(const std::map<int, int>& valueAt, int parameter) {
    const auto& p = kDctParameters[parameter - 1];
    std::array<double, 64> out{};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            double sum = 0;
            for (const auto& [pos, v] : valueAt) {
                const int u = pos / 8, w = pos % 8;
                const double cu = u == 0 ? std::sqrt(0.5) : 1.0;
                const double cw = w == 0 ? std::sqrt(0.5) : 1.0;
                sum += cu * cw / 4 * v * lumaStep(p, u, w) *
                       std::cos((2 * y + 1) * u * std::numbers::pi / 16) *
                       std::cos((2 * x + 1) * w * std::numbers::pi / 16);
            }
            out[y * 8 + x] = std::clamp(sum + 128, 0.0, 255.0);
        }
    return out;
}

void expectLumaBlock(const Decoded& out, const std::map<int, int>& valueAt, int parameter,
                     const std::string& what) {
    const auto expected = referenceLuma(valueAt, parameter);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const std::uint32_t p = out.at(y, x);
            ASSERT_EQ(red(p), blue(p)) << what; // grey: chroma blocks are empty
            // The output truncates, then descales with rounding: within 1 of the exact value.
            EXPECT_NEAR(blue(p), expected[y * 8 + x], 1.0) << what << " at " << y << "," << x;
        }
}

TEST(CToolsUnCompressDct, EachValueLandsAtItsScanPositionAndTransformsLikeTheCosineSum) {
    struct Case {
        int parameter;
        int dc;
        int scanIndex;
        int value;
        int row, column; // where that scan index puts the value
    };
    const std::vector<Case> cases{
        {3, 20, 1, 5, 1, 0},  {3, -15, 2, -3, 0, 1},  {1, 7, 3, 2, 3, 0},    {5, 40, 13, 7, 5, 1},
        {2, 0, 30, -9, 0, 5}, {4, -30, 63, 30, 7, 7}, {3, 10, 22, 12, 6, 0}, {3, 10, 6, -4, 1, 2},
    };
    for (const Case& c : cases) {
        const auto& p = kDctParameters[c.parameter - 1];
        const int n = 6; // large values fit in 6 bits here
        Bits b;
        b.field(n, 4).field(c.scanIndex, p.lumaCountBits).signedField(c.dc, p.lumaDcBits);
        for (int i = 1; i < c.scanIndex; ++i)
            b.value(0, n);
        b.value(c.value, n);
        emptyChroma(b);
        CToolsUnCompress d;
        const Decoded out = decodeDct(d, c.parameter, b.bytes(), 8);
        ASSERT_TRUE(out.ok);
        expectLumaBlock(out, {{0, c.dc}, {c.row * 8 + c.column, c.value}}, c.parameter,
                        "scan index " + std::to_string(c.scanIndex));
    }
}

TEST(CToolsUnCompressDct, TheThreeValueCodesReadTheirFields) {
    // Parameter 3 (9-bit first value, 6-bit count). n = 6, k = 3, first value 40, then
    // "0 111" (+4), "10" (0), "11 101011" (-21).
    const auto payload = Bits()
                             .raw("0110")
                             .raw("000011")
                             .raw("000101000")
                             .raw("0 111")
                             .raw("10")
                             .raw("11 101011")
                             .raw("0000 0000")
                             .bytes();
    CToolsUnCompress d;
    const Decoded out = decodeDct(d, 3, payload, 8);
    ASSERT_TRUE(out.ok);
    expectLumaBlock(out, {{0, 40}, {8, 4}, {24, -21}}, 3, "three codes");
    // Small values -4..-1 and 1..4 from their 3-bit fields.
    for (int v : {-4, -3, -2, -1, 1, 2, 3, 4}) {
        Bits b;
        b.raw("0001").field(1, 6).signedField(0, 9).value(v, 1);
        emptyChroma(b);
        CToolsUnCompress small;
        const Decoded s = decodeDct(small, 3, b.bytes(), 8);
        ASSERT_TRUE(s.ok);
        expectLumaBlock(s, {{8, v}}, 3, "small value " + std::to_string(v));
    }
}

// Chroma samples by the definition of the orthonormal 4 x 4 inverse cosine transform.
std::array<double, 16> referenceChroma(const std::map<int, int>& valueAt, int parameter) {
    const auto& p = kDctParameters[parameter - 1];
    std::array<double, 16> out{};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            double sum = 0;
            for (const auto& [pos, v] : valueAt) {
                const int u = pos / 4, w = pos % 4;
                const double cu = u == 0 ? 0.5 : std::sqrt(0.5);
                const double cw = w == 0 ? 0.5 : std::sqrt(0.5);
                const double coefficient = std::trunc(v * chromaStep(p, pos));
                sum += cu * cw * coefficient * std::cos((2 * y + 1) * u * std::numbers::pi / 8) *
                       std::cos((2 * x + 1) * w * std::numbers::pi / 8);
            }
            out[y * 4 + x] = sum;
        }
    return out;
}

TEST(CToolsUnCompressDct, ChromaSamplesCoverTwoByTwoPixelsAtTheirScanPositions) {
    struct Case {
        int parameter;
        int dc;
        int scanIndex;
        int value;
        int row, column;
    };
    const std::vector<Case> cases{
        {1, 0, 1, 5, 0, 1},   {3, 3, 2, -4, 1, 0}, {5, -2, 6, 9, 2, 0},
        {2, 1, 15, -6, 3, 3}, {4, 2, 9, 7, 2, 1},
    };
    for (const Case& c : cases) {
        const auto& p = kDctParameters[c.parameter - 1];
        Bits b;
        b.raw("0000"); // empty luma: Y = 128
        b.field(6, 4).field(c.scanIndex, 4).signedField(c.dc, p.chromaDcBits);
        for (int i = 1; i < c.scanIndex; ++i)
            b.value(0, 6);
        b.value(c.value, 6);
        b.raw("0000"); // empty Cr
        CToolsUnCompress d;
        const Decoded out = decodeDct(d, c.parameter, b.bytes(), 8);
        ASSERT_TRUE(out.ok);
        const auto cb = referenceChroma({{0, c.dc}, {c.row * 4 + c.column, c.value}}, c.parameter);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const std::uint32_t px = out.at(y, x);
                // One chroma sample for each 2 x 2 pixels.
                EXPECT_EQ(px, out.at(y & ~1, x & ~1)) << y << "," << x;
                EXPECT_EQ(red(px), 128);
                const double expectedBlue = 128 + 1.772 * std::round(cb[(y / 2) * 4 + x / 2]);
                EXPECT_NEAR(blue(px), std::clamp(expectedBlue, 0.0, 255.0), 1.0)
                    << "scan index " << c.scanIndex << " at " << y << "," << x;
            }
    }
}

TEST(CToolsUnCompressDct, ChromaRoundsHalfAwayFromZeroAndColoursScaleByTheShutterFactor) {
    struct Case {
        int cbValue; // first Cb value, parameter 1 (step 7.16)
        int crValue; // first Cr value
        double shutter;
        std::uint32_t expected;
    };
    const std::vector<Case> cases{
        {10, 0, 1.0, rgb(128, 121, 159)},  // Cb trunc(71.6) / 4 = 17.75 -> 18
        {0, -10, 1.0, rgb(102, 140, 128)}, // Cr -18
        {6, 0, 1.0, rgb(128, 124, 147)},   // 42 / 4 = 10.5 -> 11
        {-6, 0, 1.0, rgb(128, 131, 110)},  // sample 117.5 -> 118: Cb -10
        {10, 0, 1.5, rgb(192, 182, 239)},  {10, 0, 0.5, rgb(64, 60, 79)},
    };
    for (const Case& c : cases) {
        auto chroma = [](Bits& b, int v) {
            if (v == 0)
                b.raw("0000");
            else
                b.raw("0001").field(0, 4).signedField(v, 7);
        };
        Bits b;
        b.raw("0000");
        chroma(b, c.cbValue);
        chroma(b, c.crValue);
        CToolsUnCompress d;
        d.SetShutterFactor(c.shutter);
        const Decoded out = decodeDct(d, 1, b.bytes(), 8);
        ASSERT_TRUE(out.ok);
        EXPECT_EQ(out.at(0, 0), c.expected) << c.cbValue << "/" << c.crValue << " x " << c.shutter;
        EXPECT_EQ(out.at(7, 7), c.expected);
    }
}

TEST(CToolsUnCompressDct, HalfBlockColumnOfWidth540AndTheColourAverages) {
    const int width = 540;
    const int blocks = 68;
    const auto& p = kDctParameters[2];
    // Blocks 0..66: Y 138, Cb first value 10 (Cb 16 at parameter 3); block 67: Y 118, Cb empty.
    Bits b;
    for (int i = 0; i < blocks; ++i) {
        const bool last = i == blocks - 1;
        b.raw("0001").field(0, p.lumaCountBits).signedField(last ? -20 : 20, p.lumaDcBits);
        if (last)
            b.raw("0000");
        else
            b.raw("0001").field(0, 4).signedField(10, p.chromaDcBits);
        b.raw("0000");
    }
    const std::vector<std::uint8_t> payload = b.bytes();
    CToolsUnCompress d;
    const Decoded out = decodeDct(d, 3, payload, width);
    ASSERT_TRUE(out.ok);
    EXPECT_TRUE(out.sentinelsIntact(8));
    double sumLuma = 0, sumCb = 0;
    for (int r = 0; r < 8; ++r) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t px = out.at(r, x);
            ASSERT_EQ(red(px), x < 536 ? 138 : 118) << r << "," << x;
            // Red is Y exactly (Cr = 0); blue gives Cb back: 1.772 * Cb = B - Y, truncated.
            sumLuma += red(px);
            sumCb += x < 536 ? 16 : 0;
            ASSERT_EQ(blue(px), x < 536 ? 166 : 118) << r << "," << x;
        }
    }
    // Means over the 8 x 540 pixels drawn.
    const auto& avg = d.GetColourAverages();
    EXPECT_DOUBLE_EQ(avg.luma, sumLuma / (8 * width));
    EXPECT_DOUBLE_EQ(avg.cb, sumCb / (8 * width));
    EXPECT_DOUBLE_EQ(avg.cr, 0.0);
    EXPECT_NEAR(avg.blueTerm, 1.772 * avg.cb, 1e-12);
    EXPECT_NEAR(avg.greenTerm, 0.34414 * avg.cb, 1e-12);
    EXPECT_DOUBLE_EQ(avg.redTerm, 0.0);
}

TEST(CToolsUnCompressDct, ACutPayloadDecodesTheRestAsEmptyBlocks) {
    const auto& p = kDctParameters[2];
    Bits b;
    b.raw("0001").field(0, p.lumaCountBits).signedField(40, p.lumaDcBits).raw("0000 0000");
    b.raw("0001").field(0, p.lumaCountBits); // cut inside the second block's first value
    const std::vector<std::uint8_t> payload = b.bytes();
    CToolsUnCompress d;
    const Decoded out = decodeDct(d, 3, payload, 1440);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(out.at(3, 3), grey(148));
    EXPECT_EQ(out.at(3, 12), grey(128)); // first value read as zeros
    EXPECT_EQ(out.at(7, 1439), grey(128));
    std::vector<std::uint32_t> small(8 * 16 - 1, kSentinel);
    EXPECT_FALSE(d.DecodeDctStrip(small, 16));
    EXPECT_EQ(small, std::vector<std::uint32_t>(8 * 16 - 1, kSentinel));
}

// --- Any bytes ----------------------------------------------------------------------------

TEST(CToolsUnCompress, ArbitraryPayloadsDecodeInsideTheirRows) {
    test::RecordingUserMessages messages; // parameters 0 and 6 are drawn too
    std::mt19937 random(12345);
    const int widths[] = {360, 540, 720, 900, 1080, 1260, 1440};
    CToolsUnCompress d;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> payload(random() % 700);
        for (auto& byte : payload)
            byte = static_cast<std::uint8_t>(random());
        if (round % 3 == 0) // many large fields: every byte with its top bits set
            for (auto& byte : payload)
                byte |= 0xC0;
        const int width = widths[round % 7];
        const int parameter = static_cast<int>(random() % 7);
        d.SetShutterFactor((random() % 300) / 100.0);
        const Decoded dct = decodeDct(d, parameter, payload, width);
        const Decoded dpcm = decodeDpcm(d, parameter, payload, width);
        ASSERT_TRUE(dct.ok && dpcm.ok);
        EXPECT_TRUE(dct.sentinelsIntact(8));
        EXPECT_TRUE(dpcm.sentinelsIntact(2));
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 2; ++i)
            ASSERT_EQ(dpcm.pixels[i] >> 24, 0u);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 8; ++i)
            ASSERT_EQ(dct.pixels[i] >> 24, 0u);
        const auto& avg = d.GetColourAverages();
        EXPECT_GE(avg.luma, 0.0);
        EXPECT_LE(avg.luma, 255.0);
    }
}

} // namespace
} // namespace zarn
