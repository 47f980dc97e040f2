#include "platform/Format.h"

#include <clocale>
#include <gtest/gtest.h>

namespace zarn {
namespace {

TEST(Format, NumbersUseADecimalPointWhateverTheProcessLocale) {
    // A windowing toolkit sets the process locale from the environment; emulate a decimal-comma
    // locale when the machine has one.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string saved = previous ? previous : "C";
    const bool haveComma = std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "fr_FR.UTF-8");
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
    const Case cases[] = {{"42", 42},          {"  -7x", -7},        {"+3", 3},
                          {"", 0},             {"abc", 0},           {"1.9", 1},
                          {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"2147483647", INT_MAX}};
    for (const auto& c : cases)
        EXPECT_EQ(parseInt(c.text), c.value) << c.text;
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

} // namespace
} // namespace zarn
