#include "platform/Format.h"

#include <clocale>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace zarn {
namespace {

TEST(Format, NumbersUseADecimalPointWhateverTheProcessLocale) {
    // A windowing toolkit sets the process locale from the environment; emulate a decimal-comma
    // locale when the machine has one.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool haveComma =
        std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8");
    EXPECT_EQ(format("%6f", 1.5), "1.500000");
    EXPECT_EQ(format("%#.2f", 1.0), "1.00");
    EXPECT_EQ(format("%6G", 0.15), "  0.15");
    EXPECT_DOUBLE_EQ(parseDouble("1.5"), 1.5);
    std::setlocale(LC_ALL, saved.c_str());
    if (!haveComma)
        GTEST_SKIP() << "no decimal-comma locale installed; checked under the C locale only";
}

TEST(Format, ParseIntBehavesLikeAtoiWithoutOverflow) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {{"42", 42},
                          {"  -7x", -7},
                          {"+3", 3},
                          {"", 0},
                          {"abc", 0},
                          {"1.9", 1},
                          {"99999999999", INT_MAX},
                          {"-99999999999", INT_MIN},
                          {"2147483647", INT_MAX}};
    for (const auto& c : cases)
        EXPECT_EQ(parseInt(c.text), c.value) << c.text;
}

TEST(Format, ParseWholeDoubleTakesOnlyATextThatIsOneNumber) {
    struct Case {
        const char* text;
        std::optional<double> value;
        double prefix; // what parseDouble reads from the same text
    };
    const Case cases[] = {{"10.00", 10.0, 10.0},
                          {" 10 ", 10.0, 10.0},
                          {"\t-2.5\r\n", -2.5, -2.5},
                          {"+3", 3.0, 3.0},
                          {".5", 0.5, 0.5},
                          {"7.", 7.0, 7.0},
                          {"10,25", std::nullopt, 10.0},
                          {"1-2", std::nullopt, 1.0},
                          {"1 0", std::nullopt, 1.0},
                          {"12abc", std::nullopt, 12.0},
                          {"", std::nullopt, 0.0},
                          {"   ", std::nullopt, 0.0},
                          {"-", std::nullopt, 0.0},
                          {".", std::nullopt, 0.0},
                          {"abc", std::nullopt, 0.0}};
    for (const auto& c : cases) {
        EXPECT_EQ(parseWholeDouble(c.text), c.value) << '"' << c.text << '"';
        EXPECT_DOUBLE_EQ(parseDouble(c.text), c.prefix) << '"' << c.text << '"';
    }
}

TEST(Format, TimeStampIsTheFirst19CharactersOfAsctimeInEnglish) {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_wday = 2;
    t.tm_hour = 21;
    t.tm_min = 14;
    t.tm_sec = 58;
    EXPECT_EQ(timeStamp19(t), "Tue Dec 08 21:14:58");
    EXPECT_EQ(timeStamp19Now().size(), 19u);
}

TEST(Format, SaturatedTruncGoesTowardZeroAndHoldsTheEndsOfTheRange) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double value;
        std::int64_t asInt;   // int, the default
        std::int64_t asInt16; // the speed field of a data log record
        std::int64_t asInt64;
        std::int64_t asUint8;
    };
    const Case cases[] = {
        {2.9, 2, 2, 2, 2},
        {-2.9, -2, -2, -2, 0},
        {-0.5, 0, 0, 0, 0},
        {40000.7, 40000, 32767, 40000, 255},
        {-40000.7, -40000, -32768, -40000, 0},
        {2147483647.9, 2147483647, 32767, 2147483647, 255},
        {2147483648.0, 2147483647, 32767, 2147483648, 255},
        {-2147483648.9, -2147483648LL, -32768, -2147483648LL, 0},
        {-2147483649.0, -2147483648LL, -32768, -2147483649LL, 0},
        {1e300, 2147483647, 32767, std::numeric_limits<std::int64_t>::max(), 255},
        {-1e300, -2147483648LL, -32768, std::numeric_limits<std::int64_t>::min(), 0},
        {inf, 2147483647, 32767, std::numeric_limits<std::int64_t>::max(), 255},
        {-inf, -2147483648LL, -32768, std::numeric_limits<std::int64_t>::min(), 0},
        {nan, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(saturatedTrunc(c.value), c.asInt) << c.value;
        EXPECT_EQ(saturatedTrunc<std::int16_t>(c.value), c.asInt16) << c.value;
        EXPECT_EQ(saturatedTrunc<std::int64_t>(c.value), c.asInt64) << c.value;
        EXPECT_EQ(saturatedTrunc<std::uint8_t>(c.value), c.asUint8) << c.value;
    }
    // Just below 2^63, the largest double an int64 holds.
    EXPECT_EQ(saturatedTrunc<std::int64_t>(9223372036854774784.0), 9223372036854774784LL);
}

TEST(Format, FiniteOrKeepsNumbersAndReplacesTheRest) {
    EXPECT_EQ(finiteOr(-3.25, 7.0), -3.25);
    EXPECT_EQ(finiteOr(0.0, 7.0), 0.0);
    EXPECT_EQ(finiteOr(std::numeric_limits<double>::quiet_NaN(), 7.0), 7.0);
    EXPECT_EQ(finiteOr(std::numeric_limits<double>::infinity(), 7.0), 7.0);
    EXPECT_EQ(finiteOr(-std::numeric_limits<double>::infinity(), 7.0), 7.0);
}

} // namespace
} // namespace zarn
