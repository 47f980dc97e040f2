// The fixed tables of the two video compression schemes are read by the decoder, by the simulated
// sonde's encoders and by the other tests alike, so a wrong number there would go unnoticed by
// all of them. Here they are checked against a second copy typed from the format's own
// description, entry by entry, and the decoder's dequantisation tables against the formulas
// applied to that copy.
#include "acquisition/wire/CompressionTables.h"
#include "acquisition/stream/ToolsUnCompress.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

namespace zarn {
namespace {

namespace c = compression;

// The numbers of a text, in order; "/" and "|" separate rows and columns and are skipped.
std::vector<double> numbersOf(const std::string& text) {
    std::string spaced = text;
    for (char& ch : spaced)
        if (ch == '/' || ch == '|' || ch == ',')
            ch = ' ';
    std::istringstream in(spaced);
    std::vector<double> out;
    double v = 0;
    while (in >> v)
        out.push_back(v);
    return out;
}

// Mode 8: parameter | luma literal bits | chroma literal bits | red and blue offset A.
const char* const DpcmTable = "| 1 | 4 | 3 | 6 |"
                              "| 2 | 5 | 3 | 4 |"
                              "| 3 | 5 | 4 | 2 |"
                              "| 4 | 6 | 6 | 1 |"
                              "| 5 | 7 | 7 | 0 |";

// Mode 16: parameter | luma divisor a | chroma divisor h | luma DC bits | chroma DC bits | luma
// coefficient-count bits.
const char* const DctTable = "| 1 | 8 | 9 | 8 | 7 | 5 |"
                             "| 2 | 12 | 10 | 9 | 7 | 5 |"
                             "| 3 | 15 | 10 | 9 | 7 | 6 |"
                             "| 4 | 16 | 12 | 9 | 8 | 6 |"
                             "| 5 | 24 | 16 | 10 | 8 | 6 |";

const char* const LumaBase =
    "16 24 32 24 16 24 24 32 / 24 32 24 16 24 24 32 32 / 32 48 24 24 24 32 32 32 / "
    "24 24 24 24 24 32 48 48 / 24 24 24 24 32 32 54 64 / 32 32 32 48 48 64 80 96 / "
    "32 32 48 48 48 80 100 110 / 48 48 48 48 64 96 110 128";

const char* const ChromaBase = "14 14 22 32 / 14 20 28 36 / 22 28 36 42 / 32 36 42 50";

const char* const AanScale = "1.0, 1.387039845, 1.306562965, 1.175875602, 1.0, 0.785694958, "
                             "0.5411961, 0.275899379";

const char* const LumaScan =
    "0, 8, 1, 24, 17, 16, 10, 9, 2, 3, 18, 25, 4, 41, 11, 40, 19, 33, 26, 32, 12, 27, 48, 34, "
    "20, 56, 49, 28, 42, 50, 5, 13, 35, 6, 57, 58, 43, 21, 51, 22, 36, 7, 14, 29, 30, 59, 15, "
    "44, 52, 60, 37, 45, 38, 54, 23, 31, 39, 46, 47, 53, 61, 62, 55, 63";

const char* const ChromaScan = "0, 1, 4, 2, 3, 5, 8, 6, 7, 9, 12, 10, 11, 13, 14, 15";

constexpr double ChromaTableScale = 1.1507479861910241;

template <class Table> void expectTable(const Table& table, const char* text, const char* name) {
    const std::vector<double> expected = numbersOf(text);
    ASSERT_EQ(table.size(), expected.size()) << name;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(static_cast<double>(table[i]), expected[i]) << name << " entry " << i;
}

TEST(CompressionTables, EveryEntryAgreesWithTheFormatsDescription) {
    const std::vector<double> dpcm = numbersOf(DpcmTable);
    ASSERT_EQ(dpcm.size(), 5u * 4u);
    ASSERT_EQ(c::kDpcmParameters.size(), 5u);
    for (int p = 1; p <= 5; ++p) {
        SCOPED_TRACE("mode 8 parameter " + std::to_string(p));
        const double* row = &dpcm[static_cast<std::size_t>(p - 1) * 4];
        ASSERT_EQ(row[0], p);
        const c::DpcmParameters& d = c::kDpcmParameters[static_cast<std::size_t>(p - 1)];
        EXPECT_EQ(d.lumaLiteralBits, row[1]);
        EXPECT_EQ(d.chromaLiteralBits, row[2]);
        EXPECT_EQ(d.redBlueOffset, row[3]);
    }

    const std::vector<double> dct = numbersOf(DctTable);
    ASSERT_EQ(dct.size(), 5u * 6u);
    ASSERT_EQ(c::kDctParameters.size(), 5u);
    for (int p = 1; p <= 5; ++p) {
        SCOPED_TRACE("mode 16 parameter " + std::to_string(p));
        const double* row = &dct[static_cast<std::size_t>(p - 1) * 6];
        ASSERT_EQ(row[0], p);
        const c::DctParameters& d = c::kDctParameters[static_cast<std::size_t>(p - 1)];
        EXPECT_EQ(d.lumaDivisor, row[1]);
        EXPECT_EQ(d.chromaDivisor, row[2]);
        EXPECT_EQ(d.lumaDcBits, row[3]);
        EXPECT_EQ(d.chromaDcBits, row[4]);
        EXPECT_EQ(d.lumaCountBits, row[5]);
    }

    for (int p = -1; p <= 7; ++p)
        EXPECT_EQ(c::isValidParameter(p), p >= 1 && p <= 5) << p;
    // Both blocks read their "large value" width n in 4 bits; the chroma count k too.
    EXPECT_EQ(c::kLargeWidthBits, 4);
    EXPECT_EQ(c::kChromaCountBits, 4);

    expectTable(c::kLumaBase, LumaBase, "luma base table");
    expectTable(c::kChromaBase, ChromaBase, "chroma base table");
    expectTable(c::kAanScale, AanScale, "transform scale factors");
    expectTable(c::kLumaScan, LumaScan, "luma scan order");
    expectTable(c::kChromaScan, ChromaScan, "chroma scan order");
    EXPECT_EQ(c::kChromaTableScale, ChromaTableScale);

    EXPECT_EQ(c::kRedFromCr, 1.402);
    EXPECT_EQ(c::kGreenFromCb, 0.34414);
    EXPECT_EQ(c::kGreenFromCr, 0.71414);
    EXPECT_EQ(c::kBlueFromCb, 1.772);
}

// The decoder's tables for every parameter, from the transcribed base tables and scale factors:
// luma Q8[r][c] = (4 T8[r][c] + 10 (floor(2r / 3) + c)) / a x S[r] x S[c], except
// Q8[0][0] = 3.8 T8[0][0] / a; chroma Q4[i] = 4 T4[i] / h x 1.1507479861910241.
TEST(CompressionTables, TheDecodersDequantisationTablesFollowFromThem) {
    const std::vector<double> t8 = numbersOf(LumaBase);
    const std::vector<double> t4 = numbersOf(ChromaBase);
    const std::vector<double> s = numbersOf(AanScale);
    const std::vector<double> dct = numbersOf(DctTable);
    CToolsUnCompress decoder;
    for (int p = 1; p <= 5; ++p) {
        SCOPED_TRACE("parameter " + std::to_string(p));
        const double a = dct[static_cast<std::size_t>(p - 1) * 6 + 1];
        const double h = dct[static_cast<std::size_t>(p - 1) * 6 + 2];
        ASSERT_TRUE(decoder.SelectDctParameters(p));
        decoder.BuildDctTables();
        for (int r = 0; r < 8; ++r)
            for (int col = 0; col < 8; ++col) {
                const std::size_t i = static_cast<std::size_t>(r * 8 + col);
                const double q = r == 0 && col == 0 ? 3.8 * t8[0] / a
                                                    : (4 * t8[i] + 10 * (2 * r / 3 + col)) / a *
                                                          s[static_cast<std::size_t>(r)] *
                                                          s[static_cast<std::size_t>(col)];
                EXPECT_NEAR(decoder.LumaTable()[i], q, 1e-12 * q) << r << "," << col;
            }
        for (std::size_t i = 0; i < 16; ++i) {
            const double q = 4 * t4[i] / h * ChromaTableScale;
            EXPECT_NEAR(decoder.ChromaTable()[i], q, 1e-12 * q) << i;
        }
    }
}

} // namespace
} // namespace zarn
