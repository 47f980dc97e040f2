#include "acquisition/stream/TransformKernels.h"

#include "acquisition/wire/CompressionTables.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define ZARN_KERNELS_SSE2 1
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ZARN_KERNELS_AVX2 1
#endif

namespace zarn::kernels {

namespace {

using compression::kBlueFromCb;
using compression::kGreenFromCb;
using compression::kGreenFromCr;
using compression::kRedFromCr;

// Colour terms of the 16 chroma samples of a block column.
struct ChromaTerms {
    double red[16];     // 1.402 Cr
    double greenCb[16]; // 0.34414 Cb
    double greenCr[16]; // 0.71414 Cr
    double blue[16];    // 1.772 Cb
    ChromaTerms(const std::int16_t* cbSamples, const std::int16_t* crSamples) {
        for (int i = 0; i < 16; ++i) {
            const int cb = cbSamples[i] - 128;
            const int cr = crSamples[i] - 128;
            red[i] = kRedFromCr * cr;
            greenCb[i] = kGreenFromCb * cb;
            greenCr[i] = kGreenFromCr * cr;
            blue[i] = kBlueFromCb * cb;
        }
    }
};

// Output stage of the luma transform for one value. Inputs beyond +-4096 give the same clamped
// result as +-4096, so they are limited first to keep the integer conversion defined.
inline std::uint8_t descaleLuma(double x) {
    x = std::clamp(x, -4096.0, 4096.0);
    const int v = ((static_cast<int>(x) + 4) >> 3) + 128;
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// The one-dimensional AAN inverse transform of v[0..7], in place. V is double or a vector of
// doubles (one transform per lane, the same operations as for a double).
template <typename V> [[gnu::always_inline]] inline void inverseAan8(V* v) {
    // Even part.
    V tmp0 = v[0];
    V tmp1 = v[2];
    V tmp2 = v[4];
    V tmp3 = v[6];

    V tmp10 = tmp0 + tmp2;
    V tmp11 = tmp0 - tmp2;
    V tmp13 = tmp1 + tmp3;
    V tmp12 = (tmp1 - tmp3) * 1.414213562 - tmp13;

    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;

    // Odd part.
    V tmp4 = v[1];
    V tmp5 = v[3];
    V tmp6 = v[5];
    V tmp7 = v[7];

    const V z13 = tmp6 + tmp5;
    const V z10 = tmp6 - tmp5;
    const V z11 = tmp4 + tmp7;
    const V z12 = tmp4 - tmp7;

    tmp7 = z11 + z13;
    tmp11 = (z11 - z13) * 1.414213562;
    const V z5 = (z10 + z12) * 1.847759065;
    tmp10 = z12 * 1.082392200 - z5;
    tmp12 = z10 * -2.613125930 + z5;

    tmp6 = tmp12 - tmp7;
    tmp5 = tmp11 - tmp6;
    tmp4 = tmp10 + tmp5;

    v[0] = tmp0 + tmp7;
    v[7] = tmp0 - tmp7;
    v[1] = tmp1 + tmp6;
    v[6] = tmp1 - tmp6;
    v[2] = tmp2 + tmp5;
    v[5] = tmp2 - tmp5;
    v[4] = tmp3 + tmp4;
    v[3] = tmp3 - tmp4;
}

// Rows whose values all sit in column 0 are constant.
inline void constantRows(const double* work, std::uint8_t* samples) {
    for (int r = 0; r < 8; ++r)
        std::memset(samples + r * 8, descaleLuma(work[r * 8]), 8);
}

// --- One value at a time ------------------------------------------------------------------

void inverseLumaScalar(const double* coef, unsigned anyInColumn, unsigned lowerInColumn,
                       double* work, std::uint8_t* samples) {
    double column[8];
    for (int c = 0; c < 8; ++c) {
        if (lowerInColumn & (1u << c)) {
            for (int r = 0; r < 8; ++r)
                column[r] = coef[r * 8 + c];
            inverseAan8(column);
        } else {
            std::fill_n(column, 8, coef[c]); // zero when the column is empty
        }
        for (int r = 0; r < 8; ++r)
            work[r * 8 + c] = column[r];
    }
    if ((anyInColumn & ~1u) == 0) {
        constantRows(work, samples);
        return;
    }
    for (int r = 0; r < 8; ++r) {
        inverseAan8(work + r * 8);
        for (int c = 0; c < 8; ++c)
            samples[r * 8 + c] = descaleLuma(work[r * 8 + c]);
    }
}

void convertScalar(const std::uint8_t* luma, const ChromaTerms& t, double k, std::uint32_t* output,
                   int width, int columns, int fromColumn) {
    for (int y = 0; y < 8; ++y)
        for (int x = fromColumn; x < columns; ++x) {
            const int i = (y / 2) * 4 + x / 2;
            const double yv = luma[y * 8 + x];
            output[static_cast<std::size_t>(y) * width + x] = packPixel(
                (yv + t.red[i]) * k, (yv - t.greenCb[i] - t.greenCr[i]) * k, (yv + t.blue[i]) * k);
        }
}

#if ZARN_KERNELS_SSE2
// --- Two values at a time -----------------------------------------------------------------

// Eight transform outputs of a row (four pairs) to eight samples.
inline void descaleRow(const __m128d* row, std::uint8_t* out) {
    const __m128d low = _mm_set1_pd(-4096.0), high = _mm_set1_pd(4096.0);
    __m128i whole[4];
    for (int j = 0; j < 4; ++j)
        whole[j] = _mm_cvttpd_epi32(_mm_min_pd(_mm_max_pd(row[j], low), high));
    __m128i a = _mm_unpacklo_epi64(whole[0], whole[1]);
    __m128i b = _mm_unpacklo_epi64(whole[2], whole[3]);
    const __m128i four = _mm_set1_epi32(4), centre = _mm_set1_epi32(128);
    a = _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(a, four), 3), centre);
    b = _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(b, four), 3), centre);
    // Saturating packs clamp to 0..255.
    const __m128i words = _mm_packs_epi32(a, b);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
}

void inverseLumaSse2(const double* coef, unsigned anyInColumn, unsigned lowerInColumn, double* work,
                     std::uint8_t* samples) {
    // Pass 1: columns, two at a time.
    for (int c = 0; c < 8; c += 2) {
        const unsigned pair = 3u << c;
        if (!(anyInColumn & pair)) {
            for (int r = 0; r < 8; ++r)
                _mm_storeu_pd(work + r * 8 + c, _mm_setzero_pd());
        } else if (!(lowerInColumn & pair)) {
            const __m128d first = _mm_loadu_pd(coef + c);
            for (int r = 0; r < 8; ++r)
                _mm_storeu_pd(work + r * 8 + c, first);
        } else {
            __m128d v[8];
            for (int r = 0; r < 8; ++r)
                v[r] = _mm_loadu_pd(coef + r * 8 + c);
            inverseAan8(v);
            for (int r = 0; r < 8; ++r)
                _mm_storeu_pd(work + r * 8 + c, v[r]);
        }
    }
    if ((anyInColumn & ~1u) == 0) {
        constantRows(work, samples);
        return;
    }
    // Pass 2: rows, two at a time (each pair transposed in and out).
    for (int r = 0; r < 8; r += 2) {
        __m128d v[8];
        for (int k = 0; k < 8; k += 2) {
            const __m128d upper = _mm_loadu_pd(work + r * 8 + k);
            const __m128d lower = _mm_loadu_pd(work + (r + 1) * 8 + k);
            v[k] = _mm_unpacklo_pd(upper, lower);
            v[k + 1] = _mm_unpackhi_pd(upper, lower);
        }
        inverseAan8(v);
        __m128d upperRow[4], lowerRow[4];
        for (int j = 0; j < 4; ++j) {
            upperRow[j] = _mm_unpacklo_pd(v[2 * j], v[2 * j + 1]);
            lowerRow[j] = _mm_unpackhi_pd(v[2 * j], v[2 * j + 1]);
        }
        descaleRow(upperRow, samples + r * 8);
        descaleRow(lowerRow, samples + (r + 1) * 8);
    }
}

// Four pixels from four 32-bit channel values each (already at most 255): the saturating packs
// turn negative values into 0; the bytes are then interleaved to B, G, R, 0 per pixel.
inline __m128i packFour(__m128i r, __m128i g, __m128i b) {
    const __m128i bytes =
        _mm_packus_epi16(_mm_packs_epi32(b, r), _mm_packs_epi32(g, _mm_setzero_si128()));
    // B0..B3 R0..R3 G0..G3 0 0 0 0 -> B0 G0 B1 G1 B2 G2 B3 G3 R0 0 R1 0 R2 0 R3 0 -> B G R 0.
    const __m128i pairs = _mm_unpacklo_epi8(bytes, _mm_srli_si128(bytes, 8));
    return _mm_unpacklo_epi16(pairs, _mm_srli_si128(pairs, 8));
}

void convertSse2(const std::uint8_t* luma, const std::int16_t* cb, const std::int16_t* cr, double k,
                 std::uint32_t* output, int width, int columns) {
    const ChromaTerms t(cb, cr);
    const __m128d factor = _mm_set1_pd(k);
    const __m128d top = _mm_set1_pd(255.0);
    const __m128i zero = _mm_setzero_si128();
    // Limited to 255 and truncated; below 0 (and NaN) converts to a negative number.
    auto channel = [&](__m128d first, __m128d second) {
        return _mm_unpacklo_epi64(_mm_cvttpd_epi32(_mm_min_pd(top, first)),
                                  _mm_cvttpd_epi32(_mm_min_pd(top, second)));
    };
    const int quads = columns / 4;
    for (int cy = 0; cy < 4; ++cy)
        for (int q = 0; q < quads; ++q) {
            const int i = cy * 4 + 2 * q;
            const __m128d red0 = _mm_set1_pd(t.red[i]), red1 = _mm_set1_pd(t.red[i + 1]);
            const __m128d greenCb0 = _mm_set1_pd(t.greenCb[i]);
            const __m128d greenCb1 = _mm_set1_pd(t.greenCb[i + 1]);
            const __m128d greenCr0 = _mm_set1_pd(t.greenCr[i]);
            const __m128d greenCr1 = _mm_set1_pd(t.greenCr[i + 1]);
            const __m128d blue0 = _mm_set1_pd(t.blue[i]), blue1 = _mm_set1_pd(t.blue[i + 1]);
            for (int y = 2 * cy; y < 2 * cy + 2; ++y) {
                std::int32_t four;
                std::memcpy(&four, luma + y * 8 + 4 * q, 4);
                const __m128i luma32 =
                    _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero), zero);
                const __m128d ya = _mm_cvtepi32_pd(luma32);
                const __m128d yb = _mm_cvtepi32_pd(_mm_srli_si128(luma32, 8));
                const __m128i r = channel((ya + red0) * factor, (yb + red1) * factor);
                const __m128i g = channel(((ya - greenCb0) - greenCr0) * factor,
                                          ((yb - greenCb1) - greenCr1) * factor);
                const __m128i b = channel((ya + blue0) * factor, (yb + blue1) * factor);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(
                                     output + static_cast<std::size_t>(y) * width + 4 * q),
                                 packFour(r, g, b));
            }
        }
    convertScalar(luma, t, k, output, width, columns, 4 * quads);
}
#endif

#if ZARN_KERNELS_AVX2
// --- Four values at a time ----------------------------------------------------------------

#define ZARN_AVX2 __attribute__((target("avx2")))

// Rows a, b, c, d (four values each) to columns.
ZARN_AVX2 inline void transpose4(__m256d& a, __m256d& b, __m256d& c, __m256d& d) {
    const __m256d t0 = _mm256_unpacklo_pd(a, b); // a0 b0 a2 b2
    const __m256d t1 = _mm256_unpackhi_pd(a, b); // a1 b1 a3 b3
    const __m256d t2 = _mm256_unpacklo_pd(c, d);
    const __m256d t3 = _mm256_unpackhi_pd(c, d);
    a = _mm256_permute2f128_pd(t0, t2, 0x20);
    b = _mm256_permute2f128_pd(t1, t3, 0x20);
    c = _mm256_permute2f128_pd(t0, t2, 0x31);
    d = _mm256_permute2f128_pd(t1, t3, 0x31);
}

ZARN_AVX2 inline __m128i descaleFour(__m256d x) {
    x = _mm256_min_pd(_mm256_max_pd(x, _mm256_set1_pd(-4096.0)), _mm256_set1_pd(4096.0));
    const __m128i whole = _mm256_cvttpd_epi32(x);
    return _mm_add_epi32(_mm_srai_epi32(_mm_add_epi32(whole, _mm_set1_epi32(4)), 3),
                         _mm_set1_epi32(128));
}

ZARN_AVX2 void inverseLumaAvx2(const double* coef, unsigned anyInColumn, unsigned lowerInColumn,
                               double* work, std::uint8_t* samples) {
    // Pass 1: columns, four at a time.
    for (int c = 0; c < 8; c += 4) {
        const unsigned group = 0xFu << c;
        if (!(anyInColumn & group)) {
            for (int r = 0; r < 8; ++r)
                _mm256_storeu_pd(work + r * 8 + c, _mm256_setzero_pd());
        } else if (!(lowerInColumn & group)) {
            const __m256d first = _mm256_loadu_pd(coef + c);
            for (int r = 0; r < 8; ++r)
                _mm256_storeu_pd(work + r * 8 + c, first);
        } else {
            __m256d v[8];
            for (int r = 0; r < 8; ++r)
                v[r] = _mm256_loadu_pd(coef + r * 8 + c);
            inverseAan8(v);
            for (int r = 0; r < 8; ++r)
                _mm256_storeu_pd(work + r * 8 + c, v[r]);
        }
    }
    if ((anyInColumn & ~1u) == 0) {
        constantRows(work, samples);
        return;
    }
    // Pass 2: rows, four at a time (transposed in and out).
    for (int r = 0; r < 8; r += 4) {
        __m256d v[8];
        for (int half = 0; half < 8; half += 4) {
            for (int j = 0; j < 4; ++j)
                v[half + j] = _mm256_loadu_pd(work + (r + j) * 8 + half);
            transpose4(v[half], v[half + 1], v[half + 2], v[half + 3]);
        }
        inverseAan8(v);
        transpose4(v[0], v[1], v[2], v[3]);
        transpose4(v[4], v[5], v[6], v[7]);
        for (int j = 0; j < 4; ++j) {
            // Saturating packs clamp to 0..255.
            const __m128i words = _mm_packs_epi32(descaleFour(v[j]), descaleFour(v[4 + j]));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(samples + (r + j) * 8),
                             _mm_packus_epi16(words, words));
        }
    }
}

// Limited to 255 and truncated; below 0 (and NaN) converts to a negative number.
ZARN_AVX2 inline __m128i channelFour(__m256d v) {
    return _mm256_cvttpd_epi32(_mm256_min_pd(_mm256_set1_pd(255.0), v));
}

// Four chroma samples (one row of them) centred on 0, as doubles.
ZARN_AVX2 inline __m256d centredFour(const std::int16_t* samples) {
    std::int64_t four;
    std::memcpy(&four, samples, 8);
    const __m128i words =
        _mm_sub_epi32(_mm_cvtepi16_epi32(_mm_cvtsi64_si128(four)), _mm_set1_epi32(128));
    return _mm256_cvtepi32_pd(words);
}

ZARN_AVX2 void convertAvx2(const std::uint8_t* luma, const std::int16_t* cbSamples,
                           const std::int16_t* crSamples, double k, std::uint32_t* output,
                           int width, int columns) {
    const __m256d factor = _mm256_set1_pd(k);
    const int quads = columns / 4;
    for (int cy = 0; cy < 4; ++cy) {
        // The terms of this row of chroma samples, the same products as one at a time.
        const __m256d cb = centredFour(cbSamples + cy * 4);
        const __m256d cr = centredFour(crSamples + cy * 4);
        const __m256d terms[4] = {
            _mm256_set1_pd(kRedFromCr) * cr, _mm256_set1_pd(kGreenFromCb) * cb,
            _mm256_set1_pd(kGreenFromCr) * cr, _mm256_set1_pd(kBlueFromCb) * cb};
        for (int q = 0; q < quads; ++q) {
            // Each of two chroma samples for two neighbouring pixels.
            __m256d spread[4];
            for (int j = 0; j < 4; ++j)
                spread[j] = q == 0 ? _mm256_permute4x64_pd(terms[j], 0x50)
                                   : _mm256_permute4x64_pd(terms[j], 0xFA);
            for (int y = 2 * cy; y < 2 * cy + 2; ++y) {
                std::int32_t four;
                std::memcpy(&four, luma + y * 8 + 4 * q, 4);
                const __m256d yv = _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four)));
                const __m128i r = channelFour((yv + spread[0]) * factor);
                const __m128i g = channelFour(((yv - spread[1]) - spread[2]) * factor);
                const __m128i b = channelFour((yv + spread[3]) * factor);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(
                                     output + static_cast<std::size_t>(y) * width + 4 * q),
                                 packFour(r, g, b));
            }
        }
    }
    if (4 * quads < columns)
        convertScalar(luma, ChromaTerms(cbSamples, crSamples), k, output, width, columns,
                      4 * quads);
}
#undef ZARN_AVX2
#endif

} // namespace

VectorPath widestVectorPath() {
#if ZARN_KERNELS_AVX2
    static const bool avx2 = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    if (avx2)
        return VectorPath::Avx2;
#endif
#if ZARN_KERNELS_SSE2
    return VectorPath::Sse2;
#else
    return VectorPath::Scalar;
#endif
}

VectorPath availableVectorPath(VectorPath wanted) {
    return std::min(wanted, widestVectorPath());
}

void inverseLuma(VectorPath path, const double* coefficients, unsigned anyInColumn,
                 unsigned lowerInColumn, double* work, std::uint8_t* samples) {
    switch (path) {
#if ZARN_KERNELS_AVX2
    case VectorPath::Avx2:
        inverseLumaAvx2(coefficients, anyInColumn, lowerInColumn, work, samples);
        return;
#endif
#if ZARN_KERNELS_SSE2
    case VectorPath::Sse2:
        inverseLumaSse2(coefficients, anyInColumn, lowerInColumn, work, samples);
        return;
#endif
    default:
        inverseLumaScalar(coefficients, anyInColumn, lowerInColumn, work, samples);
        return;
    }
}

void convertColours(VectorPath path, const std::uint8_t* luma, const std::int16_t* cb,
                    const std::int16_t* cr, double shutterFactor, std::uint32_t* output, int width,
                    int columns) {
    switch (path) {
#if ZARN_KERNELS_AVX2
    case VectorPath::Avx2:
        convertAvx2(luma, cb, cr, shutterFactor, output, width, columns);
        return;
#endif
#if ZARN_KERNELS_SSE2
    case VectorPath::Sse2:
        convertSse2(luma, cb, cr, shutterFactor, output, width, columns);
        return;
#endif
    default:
        convertScalar(luma, ChromaTerms(cb, cr), shutterFactor, output, width, columns, 0);
        return;
    }
}

} // namespace zarn::kernels
