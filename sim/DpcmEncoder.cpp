#include "sim/DpcmEncoder.h"

#include "sim/BitWriter.h"
#include "sim/ColourSpace.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace zarn::sim {

using namespace compression;

namespace {

struct Quantiser {
    int base = 0;
    int shift = 0;
    int maxCode = 0;
};

// Chooses the step 2^shift (0 <= shift <= maxShift) for values in [low, high] that gives the
// smallest largest error. Codes are limited by the literal width and by base + code * step <= 255,
// so that every value the decoder rebuilds is a valid 8-bit value.
Quantiser chooseQuantiser(int low, int high, int literalBits, int maxShift) {
    Quantiser best{low, 0, 0};
    int bestError = INT_MAX;
    for (int shift = 0; shift <= maxShift; ++shift) {
        const int maxCode = std::min((1 << literalBits) - 1, (255 - low) >> shift);
        const int rounding = shift > 0 ? 1 << (shift - 1) : 0;
        const int error = std::max(rounding, high - low - (maxCode << shift));
        if (error < bestError) {
            bestError = error;
            best = {low, shift, maxCode};
        }
    }
    return best;
}

int quantise(int value, const Quantiser& q) {
    const long code = std::lround(static_cast<double>(value - q.base) / (1 << q.shift));
    return static_cast<int>(std::clamp(code, 0L, static_cast<long>(q.maxCode)));
}

int toByte(double v) {
    return static_cast<int>(std::clamp(std::lround(v), 0L, 255L));
}

// Codewords of the two code sets, by index: value and length.
struct Codeword {
    std::uint32_t bits;
    int length;
};
constexpr std::array<Codeword, 4> kShortCodewords{{{0b0, 1}, {0b10, 2}, {0b110, 3}, {0b111, 3}}};
constexpr std::array<Codeword, 6> kLongCodewords{
    {{0b0, 1}, {0b10, 2}, {0b110, 3}, {0b1110, 4}, {0b11110, 5}, {0b11111, 5}}};

// Short code set entries: 0 delta 0, 1 delta +-1 / +-2, 2 delta +-3 / +-4, 3 literal.
constexpr int kShortLiteral = 3;
int shortCategory(int delta) {
    const int magnitude = std::abs(delta);
    if (magnitude == 0)
        return 0;
    if (magnitude <= 2)
        return 1;
    if (magnitude <= 4)
        return 2;
    return kShortLiteral;
}
// The 2-bit field after entry 1 or 2.
std::uint32_t shortDeltaField(int delta) {
    const int magnitude = std::abs(delta);
    if (magnitude <= 2)
        return static_cast<std::uint32_t>(delta < 0 ? delta + 2 : delta + 1);
    return static_cast<std::uint32_t>(delta < 0 ? delta + 4 : delta - 1);
}

// Long code set: entry 0 is a literal, entry e (1..7) the delta e - 3.
constexpr int kLongLowestDelta = -2;
constexpr int kLongDeltas = 7;

// Orders entries by falling frequency: returns the entries for codeword index 0, 1, ...
template <std::size_t N>
std::array<int, N> byFrequency(const std::array<int, N>& entries, const auto& frequencyOf) {
    std::array<int, N> order = entries;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return frequencyOf(a) > frequencyOf(b); });
    return order;
}

struct Counts {
    // Deltas -4..4 at index delta + 4, per channel; "other" = needs a literal in both sets.
    std::array<int, 9> luma{};
    std::array<int, 9> chroma{};
    int lumaOther = 0;
    int chromaOther = 0;
};

struct ShortPlan {
    long bits = 0;
    std::array<int, 4> entries{}; // codeword index -> category
};

ShortPlan planShort(const Counts& n, const DpcmParameters& p) {
    std::array<int, 4> frequency{};
    int lumaLiterals = n.lumaOther, chromaLiterals = n.chromaOther;
    for (int d = -4; d <= 4; ++d)
        frequency[shortCategory(d)] += n.luma[d + 4] + n.chroma[d + 4];
    frequency[kShortLiteral] += lumaLiterals + chromaLiterals;

    ShortPlan plan;
    plan.entries = byFrequency(std::array<int, 4>{0, 1, 2, 3}, [&](int e) { return frequency[e]; });
    plan.bits = 8; // the table
    for (std::size_t i = 0; i < 4; ++i)
        plan.bits += static_cast<long>(frequency[plan.entries[i]]) * kShortCodewords[i].length;
    plan.bits += 2L * (frequency[1] + frequency[2]);
    plan.bits += static_cast<long>(lumaLiterals) * p.lumaLiteralBits +
                 static_cast<long>(chromaLiterals) * p.chromaLiteralBits;
    return plan;
}

struct LongPlan {
    long bits = LONG_MAX;
    std::array<int, 6> entries{}; // codeword index -> entry value (0 literal, e: delta e - 3)
};

// Tries every choice of the five deltas (of -2..4) that get a codeword; the others become
// literals.
LongPlan planLong(const Counts& n, const DpcmParameters& p) {
    LongPlan best;
    for (int skipA = 0; skipA < kLongDeltas; ++skipA)
        for (int skipB = skipA + 1; skipB < kLongDeltas; ++skipB) {
            long lumaLiterals = n.lumaOther, chromaLiterals = n.chromaOther;
            std::array<int, 8> frequency{}; // by entry value
            std::array<int, 6> entries{};
            std::size_t used = 1; // entries[0] = literal
            for (int d = -4; d <= 4; ++d) {
                const int i = d - kLongLowestDelta;
                if (i < 0 || i >= kLongDeltas || i == skipA || i == skipB) {
                    lumaLiterals += n.luma[d + 4];
                    chromaLiterals += n.chroma[d + 4];
                } else {
                    frequency[i + 1] = n.luma[d + 4] + n.chroma[d + 4];
                    entries[used++] = i + 1;
                }
            }
            frequency[0] = static_cast<int>(lumaLiterals + chromaLiterals);
            const auto order = byFrequency(entries, [&](int e) { return frequency[e]; });
            long bits = 6 * 3; // the table
            for (std::size_t k = 0; k < 6; ++k)
                bits += static_cast<long>(frequency[order[k]]) * kLongCodewords[k].length;
            bits += lumaLiterals * p.lumaLiteralBits + chromaLiterals * p.chromaLiteralBits;
            if (bits < best.bits) {
                best.bits = bits;
                best.entries = order;
            }
        }
    return best;
}

} // namespace

bool DpcmEncoder::encode(std::span<const std::uint32_t> pixels, int width, int parameter,
                         std::vector<std::uint8_t>& payload, CodeSet codeSet) {
    payload.clear();
    if (!isValidParameter(parameter) || width < 1 ||
        pixels.size() < static_cast<std::size_t>(width) * 2)
        return false;
    const DpcmParameters& p = kDpcmParameters[parameter - 1];
    const int pairs = (width + 1) / 2;
    const int padded = pairs * 2;

    // Targets: the decoder adds A to red and blue, so the colours are split with A taken off.
    luma_.assign(static_cast<std::size_t>(padded) * 2, 0);
    crSum_.assign(pairs, 0.0);
    cbSum_.assign(pairs, 0.0);
    for (int r = 0; r < 2; ++r)
        for (int x = 0; x < padded; ++x) {
            const std::uint32_t pixel = pixels[static_cast<std::size_t>(r) * width +
                                               static_cast<std::size_t>(std::min(x, width - 1))];
            const YCbCr c = toYCbCr(redOf(pixel) - p.redBlueOffset, greenOf(pixel),
                                    blueOf(pixel) - p.redBlueOffset);
            luma_[static_cast<std::size_t>(r) * padded + x] = toByte(c.y);
            crSum_[x / 2] += c.cr / 4;
            cbSum_[x / 2] += c.cb / 4;
        }
    cr_.resize(pairs);
    cb_.resize(pairs);
    for (int i = 0; i < pairs; ++i) {
        cr_[i] = toByte(crSum_[i] + 128.0);
        cb_[i] = toByte(cbSum_[i] + 128.0);
    }

    const auto [lumaLow, lumaHigh] = std::minmax_element(luma_.begin(), luma_.end());
    const auto [crLow, crHigh] = std::minmax_element(cr_.begin(), cr_.end());
    const auto [cbLow, cbHigh] = std::minmax_element(cb_.begin(), cb_.end());
    const Quantiser lq = chooseQuantiser(*lumaLow, *lumaHigh, p.lumaLiteralBits, 8);
    const Quantiser crq = chooseQuantiser(*crLow, *crHigh, p.chromaLiteralBits, 7);
    const Quantiser cbq = chooseQuantiser(*cbLow, *cbHigh, p.chromaLiteralBits, 7);

    // Symbols in decoding order, each predicted from the value the decoder will hold.
    symbols_.clear();
    Counts counts;
    auto add = [&](bool luma, int code, int prediction) {
        const int delta = code - prediction;
        symbols_.push_back({luma, code, delta});
        const bool inTable = delta >= -4 && delta <= 4;
        if (luma)
            inTable ? ++counts.luma[delta + 4] : ++counts.lumaOther;
        else
            inTable ? ++counts.chroma[delta + 4] : ++counts.chromaOther;
        return code;
    };
    int p1 = 0, p2 = 0, c1 = 0, c2 = 0;
    for (int i = 0; i < pairs; ++i) {
        const std::size_t x = static_cast<std::size_t>(2 * i);
        const int t0 = add(true, quantise(luma_[x], lq), p1);
        p1 = add(true, quantise(luma_[x + 1], lq), t0);
        const int b0 = add(true, quantise(luma_[padded + x], lq), p2);
        p2 = add(true, quantise(luma_[padded + x + 1], lq), b0);
        c1 = add(false, quantise(cr_[i], crq), c1);
        c2 = add(false, quantise(cb_[i], cbq), c2);
    }

    const ShortPlan shortPlan = planShort(counts, p);
    const LongPlan longPlan = planLong(counts, p);
    usedLong_ =
        codeSet == CodeSet::Long || (codeSet == CodeSet::Shorter && longPlan.bits < shortPlan.bits);

    BitWriter out(payload);
    out.put(static_cast<std::uint32_t>(cbq.base), 8);
    out.put(static_cast<std::uint32_t>(crq.base), 8);
    out.put(static_cast<std::uint32_t>(lq.base), 8);
    out.put((usedLong_ ? 0x80u : 0u) | static_cast<std::uint32_t>(cbq.shift << 4) |
                static_cast<std::uint32_t>(crq.shift),
            8);
    out.put(static_cast<std::uint32_t>(lq.shift), 4);

    if (!usedLong_) {
        std::array<int, 4> codewordOf{};
        std::uint32_t table = 0;
        for (int i = 0; i < 4; ++i) {
            codewordOf[shortPlan.entries[i]] = i;
            table = (table << 2) | static_cast<std::uint32_t>(shortPlan.entries[i]);
        }
        out.put(table, 8);
        for (const Symbol& s : symbols_) {
            const int category = shortCategory(s.delta);
            const Codeword& w = kShortCodewords[codewordOf[category]];
            out.put(w.bits, w.length);
            if (category == kShortLiteral)
                out.put(static_cast<std::uint32_t>(s.code),
                        s.luma ? p.lumaLiteralBits : p.chromaLiteralBits);
            else if (category != 0)
                out.put(shortDeltaField(s.delta), 2);
        }
    } else {
        std::array<int, 8> codewordOf;
        codewordOf.fill(-1);
        for (int i = 0; i < 6; ++i) {
            codewordOf[longPlan.entries[i]] = i;
            out.put(static_cast<std::uint32_t>(longPlan.entries[i]), 3);
        }
        for (const Symbol& s : symbols_) {
            const int entry =
                s.delta >= kLongLowestDelta && s.delta < kLongLowestDelta + kLongDeltas
                    ? s.delta + 3
                    : 0;
            const bool literal = entry == 0 || codewordOf[entry] < 0;
            const Codeword& w = kLongCodewords[codewordOf[literal ? 0 : entry]];
            out.put(w.bits, w.length);
            if (literal)
                out.put(static_cast<std::uint32_t>(s.code),
                        s.luma ? p.lumaLiteralBits : p.chromaLiteralBits);
        }
    }
    out.flush();
    return true;
}

} // namespace zarn::sim
