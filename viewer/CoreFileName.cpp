#include "viewer/CoreFileName.h"

#include "platform/Format.h"
#include "platform/imaging/PictureFileName.h"
#include "viewer/DepthCount.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>
#include <vector>

namespace lvviewer {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string baseNameOf(const std::filesystem::path& path) {
    const std::string file = path.filename().string();
    const std::size_t dot = file.rfind('.');
    return dot == std::string::npos ? file : file.substr(0, dot);
}

void underscoresToSpaces(std::string& text) {
    std::replace(text.begin(), text.end(), '_', ' ');
}

// A depth text of the third form: "m" in front for a minus, the whole units up to the first
// ",", ".", "M" or "m", then at most three digits of decimals (padded with "0").
int depthCountOf(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == 'm') {
        negative = true;
        text.remove_prefix(1);
    }
    const std::size_t separator = text.find_first_of(",.Mm");
    const std::string_view whole = text.substr(0, separator);
    std::int64_t count = std::int64_t{zarn::parseInt(whole)} * 1000;
    if (separator != std::string_view::npos) {
        int digits = 0;
        int fraction = 0;
        for (std::size_t i = separator + 1; i < text.size() && isDigit(text[i]) && digits < 3;
             ++i, ++digits)
            fraction = fraction * 10 + (text[i] - '0');
        for (; digits < 3; ++digits)
            fraction *= 10;
        count += whole.starts_with('-') ? -fraction : fraction;
    }
    if (negative)
        count = -count;
    return static_cast<int>(std::clamp<std::int64_t>(count, INT32_MIN, INT32_MAX));
}

// A depth of the export's form in counts, held in the 32-bit range.
int countOf(double depth) {
    return roundCount32(depth * 1000.0);
}

std::vector<std::string> fieldsOf(const std::string& text) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ')
            ++at;
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at)
            fields.push_back(text.substr(at, end - at));
        at = end;
    }
    return fields;
}

// A field read as "%d": an optional sign and digits at its start, or nothing.
std::optional<int> integerField(const std::string& field) {
    std::size_t i = field.starts_with('+') || field.starts_with('-') ? 1 : 0;
    if (i >= field.size() || !isDigit(field[i]))
        return std::nullopt;
    return zarn::parseInt(field);
}

std::optional<CoreFileName> fieldForm(const std::string& base) {
    std::string text = base;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char& c = text[i];
        if (c == ' ')
            c = '_';
        else if (i > 0 && (c == '+' || c == '-' || c == '_'))
            c = ' ';
    }
    const std::vector<std::string> fields = fieldsOf(text);
    CoreFileName name;
    if (fields.empty() || fields[0].empty())
        return std::nullopt;
    std::string* texts[] = {&name.boreholeName, &name.latitude, &name.longitude, &name.azimuth,
                            &name.inclination};
    std::size_t field = 0;
    for (; field < 5 && field < fields.size(); ++field)
        *texts[field] = fields[field];
    // The numbers as the fields go: reading stops at the first that is none.
    std::optional<int> from = field < fields.size() ? integerField(fields[field]) : std::nullopt;
    std::optional<int> to =
        from && field + 1 < fields.size() ? integerField(fields[field + 1]) : std::nullopt;
    name.depthFrom = std::min(from.value_or(0), to.value_or(0));
    name.depthTo = std::max(from.value_or(0), to.value_or(0));
    if (from && !to)
        name.depthFrom = name.depthTo = *from;
    return name;
}

std::optional<CoreFileName> rangeForm(const std::string& base) {
    const std::size_t underscore = base.rfind('_');
    CoreFileName name;
    name.boreholeName = base.substr(0, underscore);
    if (name.boreholeName.empty())
        return std::nullopt;
    const std::size_t dash = base.find('-', underscore + 1);
    if (dash == std::string::npos)
        return std::nullopt;
    const std::string_view fromText =
        std::string_view(base).substr(underscore + 1, dash - underscore - 1);
    std::string_view toText = std::string_view(base).substr(dash + 1);
    for (std::size_t i = 0; i < toText.size(); ++i)
        if (std::isalpha(static_cast<unsigned char>(toText[i])) && toText[i] != 'M' &&
            toText[i] != 'm') {
            toText = toText.substr(0, i);
            break;
        }
    if (fromText.empty() || toText.empty())
        return std::nullopt;
    const int a = depthCountOf(fromText);
    const int b = depthCountOf(toText);
    name.depthFrom = std::min(a, b);
    name.depthTo = std::max(a, b);
    return name;
}

} // namespace

std::optional<CoreFileName> parseCoreFileName(const std::filesystem::path& path) {
    const std::string base = baseNameOf(path);
    std::optional<CoreFileName> name;
    if (const std::optional<zarn::PictureNameParts> exported =
            zarn::parsePictureFileName(std::filesystem::path(base + ".x"))) {
        name.emplace();
        name->boreholeName = exported->group;
        const int a = countOf(exported->start);
        const int b = countOf(exported->end);
        name->depthFrom = std::min(a, b);
        name->depthTo = std::max(a, b);
        if (name->boreholeName.empty())
            return std::nullopt;
    } else {
        const bool has = [&] {
            return base.find('_') != std::string::npos && base.find('-') != std::string::npos;
        }();
        const auto spaces = std::count(base.begin(), base.end(), ' ');
        if ((has && base.find('+') != std::string::npos) || spaces > 3)
            name = fieldForm(base);
        else if (has)
            name = rangeForm(base);
        else
            return CoreFileName{};
        if (!name)
            return std::nullopt;
    }
    if (base.find('_') != std::string::npos)
        for (std::string* text : {&name->boreholeName, &name->latitude, &name->longitude,
                                  &name->azimuth, &name->inclination})
            underscoresToSpaces(*text);
    return name;
}

} // namespace lvviewer
