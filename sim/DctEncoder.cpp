#include "sim/DctEncoder.h"

#include "sim/BitWriter.h"
#include "sim/ColourSpace.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace zarn::sim {

using namespace compression;

namespace {

// Values of the "large" code are signed fields of at most 15 bits.
constexpr int kLargestValue = (1 << 14) - 1;

// Width of the smallest two's-complement field that holds v.
int signedWidth(int v) {
    return static_cast<int>(std::bit_width(static_cast<unsigned>(v < 0 ? ~v : v))) + 1;
}

int quantise(double coefficient, double step, int low, int high) {
    return static_cast<int>(std::clamp(std::lround(coefficient / step), long{low}, long{high}));
}

// Writes one block in the coefficient code: the large-value width n (0 = empty block), the
// count of values after the first, the first value as a signed field, then each further value as
// "0" + 3 bits (-4..-1, 1..4), "10" (0) or "11" + n bits.
void writeBlock(BitWriter& out, std::span<const int> values, int dcBits, int countBits) {
    int last = 0;
    for (int i = 1; i < static_cast<int>(values.size()); ++i)
        if (values[i] != 0)
            last = i;
    if (values[0] == 0 && last == 0) {
        out.put(0, kLargeWidthBits);
        return;
    }
    int width = 1;
    for (int i = 1; i <= last; ++i)
        if (std::abs(values[i]) > 4)
            width = std::max(width, signedWidth(values[i]));
    out.put(static_cast<std::uint32_t>(width), kLargeWidthBits);
    out.put(static_cast<std::uint32_t>(last), countBits);
    out.putSigned(values[0], dcBits);
    for (int i = 1; i <= last; ++i) {
        const int v = values[i];
        if (v == 0) {
            out.put(0b10, 2);
        } else if (std::abs(v) <= 4) {
            out.put(0, 1);
            out.put(static_cast<std::uint32_t>(v < 0 ? v + 4 : v + 3), 3);
        } else {
            out.put(0b11, 2);
            out.putSigned(v, width);
        }
    }
}

void fillBasis(std::span<double> basis, int size) {
    for (int u = 0; u < size; ++u)
        for (int s = 0; s < size; ++s) {
            const double scale = std::sqrt((u == 0 ? 1.0 : 2.0) / size);
            basis[u * size + s] =
                scale * std::cos((2 * s + 1) * u * std::numbers::pi / (2.0 * size));
        }
}

// Two-dimensional orthonormal forward transform: out = B * in * B^T.
template <int Size> void forward(const double* basis, const double* in, double* out) {
    double rows[Size * Size];
    for (int r = 0; r < Size; ++r)
        for (int v = 0; v < Size; ++v) {
            double sum = 0;
            for (int c = 0; c < Size; ++c)
                sum += basis[v * Size + c] * in[r * Size + c];
            rows[r * Size + v] = sum;
        }
    for (int u = 0; u < Size; ++u)
        for (int v = 0; v < Size; ++v) {
            double sum = 0;
            for (int r = 0; r < Size; ++r)
                sum += basis[u * Size + r] * rows[r * Size + v];
            out[u * Size + v] = sum;
        }
}

int dcLimit(int bits) {
    return 1 << (bits - 1);
}

} // namespace

DctEncoder::DctEncoder() {
    fillBasis(basis8_, 8);
    fillBasis(basis4_, 4);
}

bool DctEncoder::encode(std::span<const std::uint32_t> pixels, int width, int parameter,
                        std::vector<std::uint8_t>& payload) {
    payload.clear();
    if (!isValidParameter(parameter) || width < 1 ||
        pixels.size() < static_cast<std::size_t>(width) * 8)
        return false;
    const DctParameters& p = kDctParameters[parameter - 1];
    BitWriter out(payload);

    const int blockColumns = (width + 7) / 8;
    for (int bc = 0; bc < blockColumns; ++bc) {
        cb_.fill(0);
        cr_.fill(0);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int px = std::min(bc * 8 + x, width - 1);
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + px];
                const YCbCr c = toYCbCr(redOf(pixel), greenOf(pixel), blueOf(pixel));
                luma_[y * 8 + x] = c.y - 128.0;
                cb_[(y / 2) * 4 + x / 2] += c.cb / 4;
                cr_[(y / 2) * 4 + x / 2] += c.cr / 4;
            }
        encodeLuma(out, p);
        encodeChroma(out, cb_, p);
        encodeChroma(out, cr_, p);
    }
    out.flush();
    return true;
}

void DctEncoder::encodeLuma(BitWriter& out, const DctParameters& p) {
    double transformed[64];
    forward<8>(basis8_.data(), luma_.data(), transformed);
    const int maxCount = (1 << p.lumaCountBits) - 1;
    int values[64] = {};
    const int dc = dcLimit(p.lumaDcBits);
    values[0] = quantise(transformed[kLumaScan[0]], lumaStep(p, 0, 0), -dc, dc - 1);
    // Values beyond the largest count the parameter can announce are dropped.
    for (int i = 1; i <= maxCount; ++i) {
        const int pos = kLumaScan[i];
        values[i] = quantise(transformed[pos], lumaStep(p, pos / 8, pos % 8), -kLargestValue - 1,
                             kLargestValue);
    }
    writeBlock(out, values, p.lumaDcBits, p.lumaCountBits);
}

void DctEncoder::encodeChroma(BitWriter& out, const std::array<double, 16>& block,
                              const DctParameters& p) {
    double transformed[16];
    forward<4>(basis4_.data(), block.data(), transformed);
    int values[16] = {};
    const int dc = dcLimit(p.chromaDcBits);
    values[0] = quantise(transformed[kChromaScan[0]], chromaStep(p, kChromaScan[0]), -dc, dc - 1);
    for (int i = 1; i < 16; ++i) {
        const int pos = kChromaScan[i];
        values[i] =
            quantise(transformed[pos], chromaStep(p, pos), -kLargestValue - 1, kLargestValue);
    }
    writeBlock(out, values, p.chromaDcBits, kChromaCountBits);
}

} // namespace zarn::sim
