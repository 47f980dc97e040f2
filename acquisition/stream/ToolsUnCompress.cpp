#include "acquisition/stream/ToolsUnCompress.h"

#include "platform/UserMessages.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

namespace zarn {

using namespace compression;
using kernels::packPixel;

namespace {

// Constants of the 4 x 4 inverse transform: d = cos(pi/8) / sqrt 2, c = sin(pi/8) / sqrt 2.
const double kChromaD = std::cos(std::numbers::pi / 8) / std::numbers::sqrt2;
const double kChromaC = std::sin(std::numbers::pi / 8) / std::numbers::sqrt2;

// Coefficient values after the first, by their first four bits: "0" + 3 bits is a small value
// (t < 4 gives t - 4, otherwise t - 3), "10" is 0, "11" is followed by a signed field of n bits
// (its entries here are unused).
constexpr std::int8_t kShortValues[16] = {-4, -3, -2, -1, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 0, 0};

// Reads one such value (largeBits 1 to 15). The length is computed rather than branched on, as
// the data decide the code from value to value; the next read depends only on it.
inline int readValue(PayloadBitReader& in, int largeBits) {
    in.ensure(2 + 15);
    const std::uint64_t window = in.window();
    const bool first = (window >> 63) != 0;
    const bool large = (window >> 62) == 3;
    in.skip(large ? 2 + largeBits : (first ? 2 : 4));
    const int big = static_cast<int>(static_cast<std::int64_t>(window << 2) >> (64 - largeBits));
    return large ? big : kShortValues[window >> 60];
}

// Per scan index: the bit of the block column the value lands in, and the same bit when it lands
// below the first row.
constexpr auto kColumnBit = [] {
    std::array<unsigned, 64> bits{};
    for (std::size_t i = 0; i < 64; ++i)
        bits[i] = 1u << (kLumaScan[i] & 7);
    return bits;
}();
constexpr auto kLowerColumnBit = [] {
    std::array<unsigned, 64> bits{};
    for (std::size_t i = 0; i < 64; ++i)
        bits[i] = kLumaScan[i] >= 8 ? 1u << (kLumaScan[i] & 7) : 0u;
    return bits;
}();

// Rounding half away from zero, exact for the magnitudes of the chroma transform (|x| < 2^31):
// the fraction x - trunc(x) is computed without error.
inline long roundHalfAway(double x) {
    const auto whole = static_cast<long long>(x);
    const double fraction = x - static_cast<double>(whole);
    return static_cast<long>(whole + (fraction >= 0.5) - (fraction <= -0.5));
}

// One-dimensional orthonormal 4-point inverse transform.
template <int InStride, int OutStride> inline void inverse4(const double* in, double* out) {
    const double x0 = in[0], x1 = in[InStride], x2 = in[2 * InStride], x3 = in[3 * InStride];
    const double even0 = (x0 + x2) / 2;
    const double even1 = (x0 - x2) / 2;
    out[0] = even0 + kChromaD * x1 + kChromaC * x3;
    out[OutStride] = even1 + kChromaC * x1 - kChromaD * x3;
    out[2 * OutStride] = even1 - kChromaC * x1 + kChromaD * x3;
    out[3 * OutStride] = even0 - kChromaD * x1 - kChromaC * x3;
}

constexpr bool isPermutation(const auto& scan) {
    for (std::size_t i = 0; i < scan.size(); ++i) {
        if (scan[i] >= scan.size())
            return false;
        for (std::size_t j = 0; j < i; ++j)
            if (scan[j] == scan[i])
                return false;
    }
    return true;
}
static_assert(isPermutation(kLumaScan) && isPermutation(kChromaScan),
              "every block position is filled at most once");

} // namespace

CToolsUnCompress::CToolsUnCompress(kernels::VectorPath path)
    : dpcm_(kDpcmParameters[kFirstParameter - 1]), dct_(kDctParameters[kFirstParameter - 1]),
      path_(kernels::availableVectorPath(path)) {
    BuildDctTables();
}

// --- Bit reader ---------------------------------------------------------------------------

void CToolsUnCompress::InitBitReader(std::span<const std::uint8_t> payload) {
    reader_.reset(payload);
}

std::uint32_t CToolsUnCompress::ReadBits(int n) {
    if (n <= 0)
        return 0;
    return reader_.take(std::min(n, 32));
}

// --- Parameters ---------------------------------------------------------------------------

void CToolsUnCompress::ReportUnsupported() {
    if (unsupportedShown_)
        return;
    unsupportedShown_ = true;
    UserMessages::current().notify(
        UserMessage{kUnsupportedModeText, "ZARN", MessageIcon::Information, MessageButtons::Ok});
}

bool CToolsUnCompress::SelectDpcmParameters(int parameter) {
    if (!isValidParameter(parameter)) {
        ReportUnsupported();
        return false;
    }
    unsupportedShown_ = false;
    dpcmParameter_ = parameter;
    dpcm_ = kDpcmParameters[parameter - 1];
    return true;
}

bool CToolsUnCompress::SelectDctParameters(int parameter) {
    if (!isValidParameter(parameter)) {
        ReportUnsupported();
        return false;
    }
    unsupportedShown_ = false;
    dctParameter_ = parameter;
    dct_ = kDctParameters[parameter - 1];
    return true;
}

void CToolsUnCompress::BuildDctTables() {
    // The tables depend only on the parameter; rebuilding them for every payload of an
    // unchanged parameter would give the same numbers.
    if (tablesParameter_ == dctParameter_)
        return;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            lumaTable_[r * 8 + c] = lumaStep(dct_, r, c) * kAanScale[r] * kAanScale[c];
    for (int i = 0; i < 16; ++i)
        chromaTable_[i] = chromaStep(dct_, i);
    tablesParameter_ = dctParameter_;
}

// --- Mode 8 -------------------------------------------------------------------------------

CToolsUnCompress::Symbol CToolsUnCompress::DecodeSymbol(int literalBits) {
    reader_.ensure(5);
    const std::uint64_t window = reader_.window();
    if (!longCodeSet_) {
        // Codewords "0", "10", "110", "111" select E0 to E3.
        const int ones = std::countl_one(window & ~(std::uint64_t{1} << 60)); // at most 3
        reader_.skip(ones < 3 ? ones + 1 : 3);
        switch (codeEntries_[ones]) {
        case 0:
            return {false, 0};
        case 1: {
            const int t = static_cast<int>(reader_.take(2));
            return {false, t < 2 ? t - 2 : t - 1};
        }
        case 2: {
            const int t = static_cast<int>(reader_.take(2));
            return {false, t < 2 ? t - 4 : t + 1};
        }
        default:
            return {true, static_cast<int>(reader_.take(literalBits))};
        }
    }
    // Codewords "0", "10", "110", "1110", "11110", "11111" select E0 to E5. They form a
    // complete prefix code, so every bit string selects an entry.
    const int ones = std::countl_one(window & ~(std::uint64_t{1} << 58)); // at most 5
    reader_.skip(ones < 5 ? ones + 1 : 5);
    const int entry = codeEntries_[ones];
    if (entry == 0)
        return {true, static_cast<int>(reader_.take(literalBits))};
    return {false, entry - 3};
}

bool CToolsUnCompress::DecodeDpcmPair(std::span<std::uint32_t> output, int width) {
    if (width < 1 || output.size() < static_cast<std::size_t>(width) * kDpcmRows)
        return false;

    const int cbOffset = static_cast<int>(reader_.take(8));
    const int crOffset = static_cast<int>(reader_.take(8));
    const int lumaBase = static_cast<int>(reader_.take(8));
    const std::uint32_t control = reader_.take(8);
    const int lumaShift = static_cast<int>(reader_.take(4));
    const int cbShift = static_cast<int>((control >> 4) & 7);
    const int crShift = static_cast<int>(control & 7);

    longCodeSet_ = (control & 0x80) != 0;
    if (!longCodeSet_) {
        const std::uint32_t table = reader_.take(8);
        for (int i = 0; i < 4; ++i)
            codeEntries_[i] = static_cast<std::uint8_t>((table >> (6 - 2 * i)) & 3);
    } else {
        for (int i = 0; i < 6; ++i)
            codeEntries_[i] = static_cast<std::uint8_t>(reader_.take(3));
    }

    const int lumaBits = dpcm_.lumaLiteralBits;
    const int chromaBits = dpcm_.chromaLiteralBits;
    const int a = dpcm_.redBlueOffset;
    const int step = 1 << lumaShift;

    // Luma values are 16-bit; the predictors and chroma codes carried from pair to pair are
    // 8-bit.
    auto luma = [&](int prediction) {
        const Symbol s = DecodeSymbol(lumaBits);
        const int value = s.literal ? s.value * step : s.value * step + prediction;
        return static_cast<std::int16_t>(value);
    };
    auto chroma = [&](std::uint8_t previous) {
        const Symbol s = DecodeSymbol(chromaBits);
        return static_cast<std::uint8_t>(s.literal ? s.value : previous + s.value);
    };

    std::uint8_t p1 = 0, p2 = 0, c1 = 0, c2 = 0;
    std::uint32_t* row0 = output.data();
    std::uint32_t* row1 = row0 + width;
    for (int x = 0; x < width; x += 2) {
        const std::int16_t t0 = luma(p1);
        const std::int16_t t1 = luma(t0);
        const std::int16_t b0 = luma(p2);
        const std::int16_t b1 = luma(b0);
        p1 = static_cast<std::uint8_t>(t1);
        p2 = static_cast<std::uint8_t>(b1);
        c1 = chroma(c1);
        c2 = chroma(c2);

        const int cr = static_cast<std::uint8_t>((c1 << crShift) + crOffset) - 128;
        const int cb = static_cast<std::uint8_t>((c2 << cbShift) + cbOffset) - 128;
        const double redChroma = kRedFromCr * cr;
        const double greenChroma = kGreenFromCb * cb + kGreenFromCr * cr;
        const double blueChroma = kBlueFromCb * cb;
        auto pixel = [&](std::int16_t value) {
            const int y = static_cast<std::int16_t>(lumaBase + value);
            return packPixel(y + a + redChroma, y - greenChroma, y + a + blueChroma);
        };
        row0[x] = pixel(t0);
        row1[x] = pixel(b0);
        if (x + 1 < width) {
            row0[x + 1] = pixel(t1);
            row1[x + 1] = pixel(b1);
        }
    }
    return true;
}

// --- Mode 16 ------------------------------------------------------------------------------

void CToolsUnCompress::DecodeLumaBlock(PayloadBitReader& reader, std::uint8_t* samples) {
    PayloadBitReader in = reader; // a local copy stays in registers
    const int largeBits = static_cast<int>(in.take(kLargeWidthBits));
    if (largeBits == 0) {
        reader = in;
        std::memset(samples, 128, 64);
        return;
    }
    const int count = static_cast<int>(in.take(dct_.lumaCountBits));
    const int dc = in.takeSigned(dct_.lumaDcBits);
    double* coef = coefficients_.data(); // all zero here
    coef[kLumaScan[0]] = dc * lumaTable_[kLumaScan[0]];

    // Columns holding any value, and columns holding one below row 0. Every position read is
    // written (a zero value writes 0) and cleared again after the transform.
    unsigned anyInColumn = dc != 0 ? 1u : 0u;
    unsigned acInColumn = 0;
    for (int i = 1; i <= count; ++i) {
        const int v = readValue(in, largeBits);
        const int pos = kLumaScan[i];
        coef[pos] = v * lumaTable_[pos];
        const unsigned present = v != 0 ? ~0u : 0u;
        anyInColumn |= kColumnBit[i] & present;
        acInColumn |= kLowerColumnBit[i] & present;
    }
    reader = in;

    kernels::inverseLuma(path_, coef, anyInColumn, acInColumn, work_.data(), samples);
    for (int i = 0; i <= count; ++i)
        coef[kLumaScan[i]] = 0.0;
}

void CToolsUnCompress::DecodeChromaBlock(PayloadBitReader& reader, std::int16_t* samples) {
    PayloadBitReader in = reader;
    const int largeBits = static_cast<int>(in.take(kLargeWidthBits));
    if (largeBits == 0) {
        reader = in;
        std::fill_n(samples, 16, std::int16_t{128});
        return;
    }
    const int count = static_cast<int>(in.take(kChromaCountBits));
    const int dc = in.takeSigned(dct_.chromaDcBits);
    double coef[16] = {};
    coef[kChromaScan[0]] = static_cast<int>(dc * chromaTable_[kChromaScan[0]]);
    int anyLater = 0;
    for (int i = 1; i <= count; ++i) {
        const int v = readValue(in, largeBits);
        const int pos = kChromaScan[i];
        coef[pos] = static_cast<int>(v * chromaTable_[pos]);
        anyLater |= v;
    }
    reader = in;

    // Rounded half away from zero and kept as a 16-bit value, not clamped: the colour
    // conversion clamps the final channels.
    if (anyLater == 0) {
        // Only the first value (a non-zero value times a step of at least 4 is never 0 after
        // truncation): every sample is exactly a quarter of it.
        const auto sample = static_cast<std::int16_t>(roundHalfAway(coef[0] / 4 + 128.0));
        std::fill_n(samples, 16, sample);
        return;
    }
    double work[16];
    for (int r = 0; r < 4; ++r)
        inverse4<1, 1>(coef + r * 4, work + r * 4);
    double out[16];
    for (int c = 0; c < 4; ++c)
        inverse4<4, 4>(work + c, out + c);
    for (int i = 0; i < 16; ++i)
        samples[i] = static_cast<std::int16_t>(roundHalfAway(out[i] + 128.0));
}

// Colours of one block column: row y, pixel x uses luma (y, x) and the chroma sample
// (y / 2, x / 2). `columns` (1 to 8) pixel columns are drawn.
void CToolsUnCompress::ConvertBlockColumn(std::uint32_t* output, int width, int columns) {
    kernels::convertColours(path_, lumaSamples_.data(), cbSamples_.data(), crSamples_.data(),
                            shutterFactor_, output, width, columns);

    // Sums for the colour averages, over the pixels drawn; each chroma sample covers two rows
    // and up to two of the pixel columns drawn.
    int luma = 0, cb = 0, cr = 0;
    if (columns == 8) {
        for (int i = 0; i < 64; ++i)
            luma += lumaSamples_[i];
        for (int i = 0; i < 16; ++i) {
            cb += 4 * (cbSamples_[i] - 128);
            cr += 4 * (crSamples_[i] - 128);
        }
    } else {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < columns; ++x) {
                const int i = (y / 2) * 4 + x / 2;
                luma += lumaSamples_[y * 8 + x];
                cb += cbSamples_[i] - 128;
                cr += crSamples_[i] - 128;
            }
    }
    sumLuma_ += luma;
    sumCb_ += cb;
    sumCr_ += cr;
}

bool CToolsUnCompress::DecodeDctStrip(std::span<std::uint32_t> output, int width) {
    if (width < 1 || output.size() < static_cast<std::size_t>(width) * kDctRows)
        return false;
    BuildDctTables(); // no-op when the caller has built them for this parameter

    sumLuma_ = sumCb_ = sumCr_ = 0;
    const int blockColumns = (width + 7) / 8;
    PayloadBitReader in = reader_;
    for (int bc = 0; bc < blockColumns; ++bc) {
        DecodeLumaBlock(in, lumaSamples_.data());
        DecodeChromaBlock(in, cbSamples_.data());
        DecodeChromaBlock(in, crSamples_.data());
        const int x0 = bc * 8;
        // The last block column may be only partly drawn (W = 540: its first four columns).
        ConvertBlockColumn(output.data() + x0, width, std::min(8, width - x0));
    }
    reader_ = in;

    // Means over the pixels actually drawn (8 x W).
    const double pixels = 8.0 * width;
    averages_.luma = static_cast<double>(sumLuma_) / pixels;
    averages_.cb = static_cast<double>(sumCb_) / pixels;
    averages_.cr = static_cast<double>(sumCr_) / pixels;
    averages_.redTerm = kRedFromCr * averages_.cr;
    averages_.greenTerm = kGreenFromCb * averages_.cb + kGreenFromCr * averages_.cr;
    averages_.blueTerm = kBlueFromCb * averages_.cb;
    return true;
}

} // namespace zarn
