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

} // namespace

std::size_t LasLineWriter::fixed(char* out, std::size_t room, double value, int width,
                                 int decimals) {
    char text[64];
    if (!std::isfinite(value) || std::fabs(value) > 1e15)
        value = LasNull;
    const std::to_chars_result done =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    const auto n = static_cast<std::size_t>(done.ptr - text);
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
