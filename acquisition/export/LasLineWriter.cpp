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

int digitCount(unsigned long long v) {
    int n = 1;
    for (; v >= 100; v /= 100)
        n += 2;
    return v >= 10 ? n + 1 : n;
}

// Writes the digits of v backwards ending before end, `count` of them (with leading zeros when v
// has fewer); returns where they begin. 32-bit arithmetic once the rest fits in it.
char* digitsBefore(char* end, unsigned long long v, int count) {
    char* p = end;
    for (; count >= 2 && v > 0xFFFFFFFFULL; count -= 2) {
        const auto pair = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        *--p = DigitPairs[pair + 1];
        *--p = DigitPairs[pair];
    }
    auto w = static_cast<std::uint32_t>(v);
    for (; count >= 2; count -= 2) {
        const std::size_t pair = (w % 100) * 2;
        w /= 100;
        *--p = DigitPairs[pair + 1];
        *--p = DigitPairs[pair];
    }
    if (count > 0)
        *--p = static_cast<char>('0' + w % 10);
    return p;
}

constexpr std::size_t BlankRun = 16;
constexpr char Blanks[BlankRun + 1] = "                ";

// A field of width characters at out holding text right-aligned: `length` characters written
// backwards from the field's end by write(end). Returns the field's size, or 0 when it does not
// fit in room.
template <class Write>
std::size_t field(char* out, std::size_t room, std::size_t length, int width, Write&& write) {
    const std::size_t size = std::max(length, static_cast<std::size_t>(std::max(width, 0)));
    if (size > room)
        return 0;
    if (size <= BlankRun && room >= BlankRun) {
        // One store of blanks under the text (past the field too: room that is not used yet).
        std::memcpy(out, Blanks, BlankRun);
        write(out + size);
        return size;
    }
    char* begin = write(out + size);
    while (begin > out)
        *--begin = ' ';
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
    const auto below = static_cast<unsigned long long>(scaled);
    const double fraction = scaled - static_cast<double>(below);
    if (std::fabs(fraction - 0.5) < 1e-6)
        return 0;
    const unsigned long long whole = below + (fraction > 0.5 ? 1 : 0);
    const unsigned long long wholePart = whole / Scale;
    const bool negative = std::signbit(value);
    const int wholeDigits = digitCount(wholePart);
    const std::size_t length =
        static_cast<std::size_t>(wholeDigits + (Places > 0 ? 1 + Places : 0) + (negative ? 1 : 0));
    return field(out, room, length, width, [&](char* end) {
        char* p = end;
        if constexpr (Places > 0) {
            p = digitsBefore(p, whole % Scale, Places);
            *--p = '.';
        }
        p = digitsBefore(p, wholePart, wholeDigits);
        if (negative)
            *--p = '-';
        return p;
    });
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
    const auto n = static_cast<std::size_t>(done.ptr - text);
    return field(out, room, n, width, [&](char* end) {
        std::memcpy(end - n, text, n);
        return end - n;
    });
}

void LasLineWriter::put(double value, int width, int decimals) {
    length_ += fixed(buffer_ + length_, sizeof buffer_ - length_, value, width, decimals);
}

void LasLineWriter::putInteger(long long value, int width) {
    const bool negative = value < 0;
    const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                  : static_cast<unsigned long long>(value);
    const int digits = digitCount(magnitude);
    const auto length = static_cast<std::size_t>(digits + (negative ? 1 : 0));
    length_ += field(buffer_ + length_, sizeof buffer_ - length_, length, width, [&](char* end) {
        char* p = digitsBefore(end, magnitude, digits);
        if (negative)
            *--p = '-';
        return p;
    });
}

void LasLineWriter::begin(double depth, int decimals) {
    length_ = 0;
    buffer_[length_++] = '\n';
    put(depth, decimals > 2 ? FieldWidth + 4 : FieldWidth, decimals);
}

void LasLineWriter::value(double value, int decimals) {
    buffer_[length_++] = ' ';
    // The null reads the same in every column.
    put(value, FieldWidth, value == LasNull ? 2 : decimals);
}

void LasLineWriter::angle(double value) {
    double rounded = std::round(value * 100.0) / 100.0;
    if (rounded > 359.99)
        rounded = 0.0;
    this->value(rounded);
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
