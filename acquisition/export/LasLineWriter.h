// The data lines of a LAS file, built in a buffer of the writer and written with one call each:
// a line end, the depth, then one field per curve, each right-aligned in 9 characters after a
// blank. The writer makes the digits itself, two at a time, from the value scaled to whole last
// digits (std::to_chars where that value lies next to a half), so the locale never changes them,
// the text is printf's, and no value costs an allocation.
//
//   depth            "\n%#9.2f" (feet: 13 characters, 6 decimals)
//   plain value      " %#9.2f"; total gravity " %#9.3f"
//   angle            rounded to 0.01 (half away from zero), 360.00 written as 0.00
//   counts           " %9d" of the value truncated (raw values; total magnetic field x 100000)
//   missing value    " -9999.25" in every format
#pragma once

#include <cstddef>
#include <string_view>

namespace zarn {

class LasLineWriter {
public:
    static constexpr int FieldWidth = 9;

    // Starts a line: the line end and the depth.
    void begin(double depth, int decimals);
    void value(double value, int decimals = 2);
    void angle(double value);
    void counts(double value, double scale = 1.0);

    std::string_view line() const { return {buffer_, length_}; }

    // The fixed-point text of value in a field of width characters (right-aligned), appended at
    // out; returns the characters written. For the header and the tests.
    static std::size_t fixed(char* out, std::size_t room, double value, int width, int decimals);

private:
    void put(double value, int width, int decimals);
    void putInteger(long long value, int width);

    char buffer_[1024];
    std::size_t length_ = 0;
};

} // namespace zarn
