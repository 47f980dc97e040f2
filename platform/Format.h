// Locale-independent number formatting and parsing.
//
// Every number that goes into or comes out of a settings file, a header, a log or an export is
// written and read with a decimal point, whatever locale the user runs under. The windowing
// toolkit sets the process locale from the environment at start-up, so the plain C library
// calls cannot be trusted; these helpers pin the "C" locale for the calling thread only.
#pragma once

#include <cmath>
#include <concepts>
#include <cstdarg>
#include <cstdint>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// printf-style formatting in the "C" locale. Output of any length.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

// Like atoi: skips leading blanks, optional sign, digits up to the first other character; 0 when
// there are none. Values beyond the 32-bit range saturate instead of being undefined.
int parseInt(std::string_view text);

// Like atof in the "C" locale: the longest prefix that reads as a number; 0.0 when there is none.
double parseDouble(std::string_view text);

// The same reading, but only of a text that is one number as a whole: blanks around it are
// allowed, anything else left over after the number ("10,25", "1-2") or no number at all gives
// nothing. What counts as a number is what parseDouble reads (so also "1e3", "inf", "0x1p4").
std::optional<double> parseWholeDouble(std::string_view text);

// The first 19 characters of the C runtime's asctime text for the given local time, in English
// whatever the locale, day of month zero-padded: "Tue Dec 08 21:14:58".
std::string timeStamp19(const std::tm& localTime);
std::string timeStamp19Now();

// True when an entry typed into a number field holds only the characters of a decimal number
// ("-0123456789,."): the windows refuse any other with "Please enter a number.".
bool isDecimalEntry(std::string_view text);
// The same for a whole number ("-0123456789").
bool isIntegerEntry(std::string_view text);

// Trims blanks, tabs and line ends from both sides.
std::string_view trim(std::string_view text);

// ASCII case-insensitive comparison.
bool equalsNoCase(std::string_view a, std::string_view b);

// A real truncated toward zero and held in the range of Int (the integer fields of the files and
// frames): beyond the range it gives the nearest end, not-a-number gives 0, never undefined.
template <std::integral Int = int> Int saturatedTrunc(double value) {
    if (std::isnan(value))
        return 0;
    // The lowest value of a signed type is a power of two, exact as a double; the highest may
    // round up to the next power of two, which is then already out of range.
    constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double high = static_cast<double>(std::numeric_limits<Int>::max());
    if (value <= low)
        return std::numeric_limits<Int>::min();
    if (value >= high)
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(value);
}

// The value when it is a finite number, otherwise the fallback: a decimal read from a file as
// "nan" or "1e999" takes its key's default, so no later computation ever sees it.
inline double finiteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

} // namespace zarn
