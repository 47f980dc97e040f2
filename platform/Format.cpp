#include "platform/Format.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <vector>

namespace zarn {
namespace {

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Switches the calling thread to the "C" locale for the lifetime of the guard.
class CLocaleScope {
public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string vformat(const char* fmt, va_list args) {
    CLocaleScope scope;
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, fmt, args);
    std::string out;
    if (needed >= 0 && static_cast<size_t>(needed) < sizeof small) {
        out.assign(small, static_cast<size_t>(needed));
    } else if (needed >= 0) {
        std::vector<char> big(static_cast<size_t>(needed) + 1);
        std::vsnprintf(big.data(), big.size(), fmt, copy);
        out.assign(big.data(), static_cast<size_t>(needed));
    }
    va_end(copy);
    return out;
}

std::string format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    std::string out = vformat(fmt, args);
    va_end(args);
    return out;
}

int parseInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

namespace {

// strtod in the "C" locale over the text; read: how many characters the number took.
double readDouble(std::string_view text, size_t& read) {
    // strtod needs a terminated string; the copy is short-lived and settings texts are small.
    std::string copy(text);
    char* end = nullptr;
    const double value = strtod_l(copy.c_str(), &end, cLocale());
    read = static_cast<size_t>(end - copy.c_str());
    return value;
}

} // namespace

double parseDouble(std::string_view text) {
    size_t read = 0;
    return readDouble(text, read);
}

std::optional<double> parseWholeDouble(std::string_view text) {
    const std::string_view number = trim(text);
    if (number.empty())
        return std::nullopt;
    size_t read = 0;
    const double value = readDouble(number, read);
    if (read != number.size())
        return std::nullopt;
    return value;
}

std::string timeStamp19(const std::tm& t) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int wday = (t.tm_wday >= 0 && t.tm_wday < 7) ? t.tm_wday : 0;
    const int mon = (t.tm_mon >= 0 && t.tm_mon < 12) ? t.tm_mon : 0;
    return format("%.3s %.3s %02d %02d:%02d:%02d", days[wday], months[mon], t.tm_mday % 100,
                  t.tm_hour % 100, t.tm_min % 100, t.tm_sec % 100);
}

std::string timeStamp19Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return timeStamp19(local);
}

bool isDecimalEntry(std::string_view text) {
    return text.find_first_not_of("-0123456789,.") == std::string_view::npos;
}

bool isIntegerEntry(std::string_view text) {
    return text.find_first_not_of("-0123456789") == std::string_view::npos;
}

std::string_view trim(std::string_view text) {
    size_t b = 0;
    size_t e = text.size();
    while (b < e && isBlank(text[b]))
        ++b;
    while (e > b && isBlank(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace zarn
