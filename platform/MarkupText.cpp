#include "platform/MarkupText.h"

namespace zarn {

namespace {

// The length of the UTF-8 sequence that starts text at i when it is a character XML may hold
// (the shortest form, no surrogate, not U+FFFE or U+FFFF), else 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    if (b < 0x80)
        return 1;
    const std::size_t n = (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    char32_t code = b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) >> 6) != 0x2)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool sound = code >= Least[n] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF) &&
                       code != 0xFFFE && code != 0xFFFF;
    return sound ? n : 0;
}

} // namespace

std::string markupEscaped(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const std::size_t n = utf8Length(text, i);
        if (n > 1) {
            out.append(text.substr(i, n));
            i += n;
            continue;
        }
        ++i;
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += n == 1 && (static_cast<unsigned char>(c) >= 0x20 || c == '\t') ? c : '?';
        }
    }
    return out;
}

} // namespace zarn
