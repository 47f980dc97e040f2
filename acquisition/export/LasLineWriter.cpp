#include "acquisition/export/LasLineWriter.h"

#include "acquisition/export/LasGridFile.h"
#include "platform/Format.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace zarn {

namespace {

// Right-aligns text of length n in width characters at out; returns the characters written.
std::size_t alignRight(char* out, const char* text, std::size_t n, int width) {
    const std::size_t pad = static_cast<std::size_t>(width) > n ? width - n : 0;
    std::memset(out, ' ', pad);
    std::memcpy(out + pad, text, n);
    return pad + n;
}

// The digits of value with decimals decimals, as printf("%.*f") writes them, when the value
// scaled to whole last digits lies clearly away from a half (then rounding the scaled value is
// the rounding of the exact value); 0 when it does not, or when it is too large.
std::size_t quickFixed(char* text, double value, int decimals) {
    static constexpr double Scale[] = {1, 10, 100, 1000, 10000, 100000, 1000000};
    if (decimals < 0 || decimals > 6 || !(std::fabs(value) < 1e12))
        return 0;
    const double scaled = std::fabs(value) * Scale[decimals];
    if (scaled >= 1e15) // whole numbers no longer exact
        return 0;
    const double fraction = scaled - std::floor(scaled);
    if (std::fabs(fraction - 0.5) < 1e-6)
        return 0;
    const auto whole = static_cast<long long>(std::llround(scaled));
    char digits[32];
    const std::to_chars_result done = std::to_chars(digits, digits + sizeof digits, whole);
    auto n = static_cast<std::size_t>(done.ptr - digits);
    std::size_t at = 0;
    if (std::signbit(value))
        text[at++] = '-';
    const auto places = static_cast<std::size_t>(decimals);
    if (n <= places) { // "0.0ddd"
        text[at++] = '0';
        if (places > 0)
            text[at++] = '.';
        for (std::size_t i = n; i < places; ++i)
            text[at++] = '0';
        std::memcpy(text + at, digits, n);
        return at + n;
    }
    std::memcpy(text + at, digits, n - places);
    at += n - places;
    if (places > 0) {
        text[at++] = '.';
        std::memcpy(text + at, digits + n - places, places);
        at += places;
    }
    return at;
}

} // namespace

std::size_t LasLineWriter::fixed(char* out, std::size_t room, double value, int width,
                                 int decimals) {
    char text[64];
    if (!std::isfinite(value) || std::fabs(value) > 1e15)
        value = LasNull;
    std::size_t n = quickFixed(text, value, decimals);
    if (n == 0) {
        const std::to_chars_result done =
            std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
        n = static_cast<std::size_t>(done.ptr - text);
    }
    if (static_cast<std::size_t>(width) + n > room)
        return 0;
    return alignRight(out, text, n, width);
}

void LasLineWriter::put(double value, int width, int decimals) {
    length_ += fixed(buffer_ + length_, sizeof buffer_ - length_, value, width, decimals);
}

void LasLineWriter::putInteger(long long value, int width) {
    char text[32];
    const std::to_chars_result done = std::to_chars(text, text + sizeof text, value);
    const auto n = static_cast<std::size_t>(done.ptr - text);
    if (length_ + static_cast<std::size_t>(width) + n <= sizeof buffer_)
        length_ += alignRight(buffer_ + length_, text, n, width);
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
