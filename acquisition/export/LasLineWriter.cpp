#include "acquisition/export/LasLineWriter.h"

#include "acquisition/export/LasGridFile.h"
#include "platform/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zarn {

namespace {

// The two digits of 0 to 99.
constexpr char DigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233"
                              "34353637383940414243444546474849505152535455565758596061626364656667"
                              "6869707172737475767778798081828384858687888990919293949596979899";

// The digits of v before end (at least one); returns where they begin. Two digits a step, in
// 32-bit arithmetic once the rest fits in it.
[[gnu::always_inline]] inline char* digitsBefore(char* end, unsigned long long v) {
    char* p = end;
    for (; v > 0xFFFFFFFFULL; v /= 100) {
        p -= 2;
        std::memcpy(p, DigitPairs + (v % 100) * 2, 2);
    }
    auto w = static_cast<std::uint32_t>(v);
    for (; w >= 100; w /= 100) {
        p -= 2;
        std::memcpy(p, DigitPairs + (w % 100) * 2, 2);
    }
    if (w >= 10) {
        p -= 2;
        std::memcpy(p, DigitPairs + w * 2, 2);
    } else {
        *--p = static_cast<char>('0' + w);
    }
    return p;
}

// The Places digits of f (below 10^Places) before end, with leading zeros.
template <int Places> [[gnu::always_inline]] inline char* placesBefore(char* end, std::uint32_t f) {
    char* p = end;
    for (int k = Places; k >= 2; k -= 2, f /= 100) {
        p -= 2;
        std::memcpy(p, DigitPairs + (f % 100) * 2, 2);
    }
    if constexpr (Places % 2 == 1)
        *--p = static_cast<char>('0' + f % 10);
    return p;
}

constexpr std::size_t BlankRun = 16;
constexpr char Blanks[BlankRun + 1] = "                ";

// Copies n characters (1 to 16) with moves of fixed size.
[[gnu::always_inline]] inline void copyShort(char* to, const char* from, std::size_t n) {
    if (n >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

// A field of width characters at out holding the n characters of text right-aligned. Returns the
// field's size, or 0 when it does not fit in room.
[[gnu::always_inline]] inline std::size_t field(char* out, std::size_t room, const char* text,
                                                std::size_t n, int width) {
    const std::size_t size = std::max(n, static_cast<std::size_t>(std::max(width, 0)));
    if (size > room || n == 0)
        return 0;
    if (size <= BlankRun && room >= BlankRun) {
        // One store of blanks under the text (past the field too: room that is not used yet).
        std::memcpy(out, Blanks, BlankRun);
        copyShort(out + size - n, text, n);
        return size;
    }
    std::memset(out, ' ', size - n);
    std::memcpy(out + size - n, text, n);
    return size;
}

constexpr unsigned long long powerOfTen(int n) {
    return n == 0 ? 1 : 10 * powerOfTen(n - 1);
}

// The value with Places decimals as printf("%.*f") writes it, in a field of width at out, when
// the value scaled to whole last digits lies clearly away from a half (then rounding the scaled
// value is the rounding of the exact value); 0 when it does not, when it is too large, or when the
// field does not fit.
template <int Places> std::size_t quickFixed(char* out, std::size_t room, double value, int width) {
    constexpr unsigned long long Scale = powerOfTen(Places);
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e12))
        return 0;
    const double scaled = magnitude * static_cast<double>(Scale);
    if (scaled >= 1e15) // whole numbers no longer exact
        return 0;
    const auto below = static_cast<long long>(scaled);
    const double fraction = scaled - static_cast<double>(below);
    if (std::fabs(fraction - 0.5) < 1e-6)
        return 0;
    const auto whole = static_cast<unsigned long long>(below + (fraction > 0.5 ? 1 : 0));
    char text[32];
    char* const end = text + sizeof text;
    char* p = end;
    if constexpr (Places > 0) {
        p = placesBefore<Places>(p, static_cast<std::uint32_t>(whole % Scale));
        *--p = '.';
    }
    p = digitsBefore(p, whole / Scale);
    if (std::signbit(value))
        *--p = '-';
    return field(out, room, p, static_cast<std::size_t>(end - p), width);
}

std::size_t quickFixed(char* out, std::size_t room, double value, int width, int decimals) {
    switch (decimals) {
    case 0:
        return quickFixed<0>(out, room, value, width);
    case 1:
        return quickFixed<1>(out, room, value, width);
    case 2:
        return quickFixed<2>(out, room, value, width);
    case 3:
        return quickFixed<3>(out, room, value, width);
    case 4:
        return quickFixed<4>(out, room, value, width);
    case 5:
        return quickFixed<5>(out, room, value, width);
    case 6:
        return quickFixed<6>(out, room, value, width);
    default:
        return 0;
    }
}

} // namespace

std::size_t LasLineWriter::fixed(char* out, std::size_t room, double value, int width,
                                 int decimals) {
    if (!std::isfinite(value) || std::fabs(value) > 1e15)
        value = LasNull;
    if (const std::size_t n = quickFixed(out, room, value, width, decimals))
        return n;
    char text[64];
    const std::to_chars_result done =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return field(out, room, text, static_cast<std::size_t>(done.ptr - text), width);
}

void LasLineWriter::put(double value, int width, int decimals) {
    length_ += fixed(buffer_ + length_, sizeof buffer_ - length_, value, width, decimals);
}

void LasLineWriter::putInteger(long long value, int width) {
    const bool negative = value < 0;
    char text[32];
    char* const end = text + sizeof text;
    char* p = digitsBefore(end, negative ? 0ULL - static_cast<unsigned long long>(value)
                                         : static_cast<unsigned long long>(value));
    if (negative)
        *--p = '-';
    length_ += field(buffer_ + length_, sizeof buffer_ - length_, p,
                     static_cast<std::size_t>(end - p), width);
}

void LasLineWriter::begin(double depth, int decimals) {
    length_ = 0;
    buffer_[length_++] = '\n';
    put(depth, decimals > 2 ? FieldWidth + 4 : FieldWidth, decimals);
}

void LasLineWriter::value(double value, int decimals) {
    buffer_[length_++] = ' ';
    // The null reads the same in every column.
    if (decimals == 2 || value == LasNull) {
        // The common case straight away; what it does not write goes the general way.
        if (const std::size_t n =
                quickFixed<2>(buffer_ + length_, sizeof buffer_ - length_, value, FieldWidth)) {
            length_ += n;
            return;
        }
        decimals = 2;
    }
    put(value, FieldWidth, decimals);
}

void LasLineWriter::angle(double value) {
    if (!(std::fabs(value) < 1e12)) { // not finite, or too large to round in whole hundredths
        double rounded = std::round(value * 100.0) / 100.0;
        if (rounded > 359.99)
            rounded = 0.0;
        this->value(rounded);
        return;
    }
    // The value rounded to whole hundredths (half away from zero), written from that whole number:
    // the same text as the rounded value written with 2 decimals, "-0.00" for a negative value
    // that rounds to 0, and 0.00 for 360.00.
    long long hundredths = std::llround(value * 100.0);
    bool negative = hundredths < 0 || (hundredths == 0 && std::signbit(value));
    if (hundredths > 35999)
        hundredths = 0, negative = false;
    const unsigned long long magnitude = negative
                                             ? 0ULL - static_cast<unsigned long long>(hundredths)
                                             : static_cast<unsigned long long>(hundredths);
    char text[32];
    char* const end = text + sizeof text;
    char* p = placesBefore<2>(end, static_cast<std::uint32_t>(magnitude % 100));
    *--p = '.';
    p = digitsBefore(p, magnitude / 100);
    if (negative)
        *--p = '-';
    buffer_[length_++] = ' ';
    length_ += field(buffer_ + length_, sizeof buffer_ - length_, p,
                     static_cast<std::size_t>(end - p), FieldWidth);
}

void LasLineWriter::counts(double value, double scale) {
    if (value == LasNull) {
        this->value(LasNull);
        return;
    }
    buffer_[length_++] = ' ';
    putInteger(saturatedTrunc<long long>(value * scale), FieldWidth);
}

} // namespace zarn
