#include "platform/imaging/PictureFileName.h"

#include "platform/Format.h"

#include <cmath>
#include <cstdlib>

namespace zarn {

namespace {

// A depth of a name: digits with one dot, "m" in front for a negative depth.
std::optional<double> nameDepth(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == 'm') {
        negative = true;
        text.remove_prefix(1);
    }
    int dots = 0;
    int digits = 0;
    for (const char c : text) {
        if (c == '.')
            ++dots;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return std::nullopt;
    }
    if (dots != 1 || digits < 2)
        return std::nullopt;
    const double value = parseDouble(text);
    return negative ? -value : value;
}

} // namespace

int pictureNameDecimals(int decimals) {
    return decimals == 2 || decimals == 3 ? decimals : 4;
}

std::string_view deviationTag(int deviation) {
    switch (deviation) {
    case 1:
        return "N_";
    case 2:
        return "H_";
    default:
        return "X_";
    }
}

std::string pictureNameDepth(double depth, int decimals) {
    const int d = pictureNameDecimals(decimals);
    // Rounded first, so that a depth that rounds to zero is never written as a negative one.
    const double scale = std::pow(10.0, d);
    double rounded = std::round(depth * scale) / scale;
    if (rounded == 0)
        rounded = 0; // never "-0"
    if (rounded < 0)
        return "m" + format("%0*.*f", d + 4, d, -rounded);
    return format("%0*.*f", d + 5, d, rounded);
}

std::string pictureNameBase(std::string_view dataFileName) {
    std::string base(
        dataFileName.substr(0, dataFileName.size() >= 3 ? dataFileName.size() - 3 : 0));
    for (char& c : base)
        if (c == '.')
            c = '_';
    return base;
}

std::string pictureFileName(std::string_view base, int deviation, double start, double end,
                            int decimals, std::string_view extension) {
    return std::string(base) + std::string(deviationTag(deviation)) +
           pictureNameDepth(start, decimals) + "-" + pictureNameDepth(end, decimals) +
           std::string(extension);
}

std::optional<PictureNameParts> parsePictureFileName(const std::filesystem::path& name) {
    const std::string file = name.filename().string();
    const std::size_t dot = file.rfind('.');
    const std::size_t underscore = file.rfind('_');
    if (dot == std::string::npos || underscore == std::string::npos || underscore > dot)
        return std::nullopt;
    const std::string_view depths =
        std::string_view(file).substr(underscore + 1, dot - underscore - 1);
    // The depths themselves hold a dot each: the extension is after the last dot of the name,
    // the depths end before it.
    const std::size_t dash = depths.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    const std::optional<double> start = nameDepth(depths.substr(0, dash));
    const std::optional<double> end = nameDepth(depths.substr(dash + 1));
    if (!start || !end)
        return std::nullopt;
    return PictureNameParts{file.substr(0, underscore), *start, *end, file.substr(dot)};
}

} // namespace zarn
