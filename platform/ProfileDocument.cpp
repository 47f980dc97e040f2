#include "platform/ProfileDocument.h"

#include "platform/Format.h"

#include <unordered_set>

namespace zarn {
namespace {

// Section name of a header line, or nothing when the line is not a header.
std::optional<std::string_view> sectionOf(std::string_view line) {
    const std::string_view t = trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    const size_t close = t.find(']');
    const std::string_view inner =
        t.substr(1, close == std::string_view::npos ? t.npos : close - 1);
    return trim(inner);
}

bool isComment(std::string_view line) {
    const std::string_view t = trim(line);
    return !t.empty() && t.front() == ';';
}

// Key name and raw value of an entry line, or nothing for other lines.
[[nodiscard]] bool splitEntry(std::string_view line, std::string_view& key,
                              std::string_view& value) {
    if (isComment(line))
        return false;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = trim(line.substr(0, eq));
    value = trim(line.substr(eq + 1));
    return !key.empty();
}

std::string unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

} // namespace

ProfileDocument ProfileDocument::parse(std::string_view text) {
    ProfileDocument doc;
    bool eolSeen = false;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\n' && c != '\r')
            continue;
        doc.lines_.emplace_back(text.substr(start, i - start));
        std::string eol(1, c);
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            eol = "\r\n";
            ++i;
        }
        if (!eolSeen) {
            doc.eol_ = eol;
            eolSeen = true;
        }
        start = i + 1;
    }
    if (start < text.size())
        doc.lines_.emplace_back(text.substr(start));
    return doc;
}

std::optional<ProfileDocument::Range> ProfileDocument::findSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const auto name = sectionOf(lines_[i]);
        if (!name || !equalsNoCase(*name, trim(section)))
            continue;
        size_t end = i + 1;
        while (end < lines_.size() && !sectionOf(lines_[end]))
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> ProfileDocument::findKey(const Range& range, std::string_view key) const {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        std::string_view k;
        std::string_view v;
        if (splitEntry(lines_[i], k, v) && equalsNoCase(k, trim(key)))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileDocument::get(std::string_view section,
                                                std::string_view key) const {
    const auto range = findSection(section);
    if (!range)
        return std::nullopt;
    const auto line = findKey(*range, key);
    if (!line)
        return std::nullopt;
    std::string_view k;
    std::string_view v;
    // findKey found the line as an entry, so it splits.
    static_cast<void>(splitEntry(lines_[*line], k, v));
    return unquote(v);
}

bool ProfileDocument::hasSection(std::string_view section) const {
    return findSection(section).has_value();
}

std::vector<std::string> ProfileDocument::sectionNames() const {
    std::vector<std::string> names;
    for (const auto& line : lines_)
        if (const auto name = sectionOf(line))
            names.emplace_back(*name);
    return names;
}

std::vector<std::string> ProfileDocument::keyNames(std::string_view section) const {
    std::vector<std::string> names;
    const auto range = findSection(section);
    if (!range)
        return names;
    for (size_t i = range->header + 1; i < range->end; ++i) {
        std::string_view k;
        std::string_view v;
        if (splitEntry(lines_[i], k, v))
            names.emplace_back(k);
    }
    return names;
}

std::vector<ProfileDocument::Section> ProfileDocument::sections() const {
    const auto folded = [](std::string_view name) {
        std::string f(name);
        for (char& c : f)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return f;
    };
    std::vector<Section> sections;
    std::unordered_set<std::string> seenSections;
    std::unordered_set<std::string> seenKeys;
    Section* current = nullptr; // null before the first section and in a repeated one
    for (const auto& line : lines_) {
        if (const auto name = sectionOf(line)) {
            current = nullptr;
            if (seenSections.insert(folded(*name)).second) {
                sections.push_back(Section{std::string(*name), {}});
                current = &sections.back();
                seenKeys.clear();
            }
            continue;
        }
        std::string_view k;
        std::string_view v;
        if (current && splitEntry(line, k, v) && seenKeys.insert(folded(k)).second)
            current->entries.emplace_back(std::string(k), unquote(v));
    }
    return sections;
}

void ProfileDocument::set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view name = trim(key);
    const auto range = findSection(section);
    if (!range) {
        lines_.push_back("[" + std::string(trim(section)) + "]");
        lines_.push_back(std::string(name) + "=" + std::string(value));
        return;
    }
    if (const auto line = findKey(*range, name)) {
        std::string_view k;
        std::string_view v;
        // findKey found the line as an entry, so it splits.
        static_cast<void>(splitEntry(lines_[*line], k, v));
        lines_[*line] = std::string(k) + "=" + std::string(value);
        return;
    }
    // After the last non-blank line of the section, so that a blank separator line stays last.
    size_t at = range->end;
    while (at > range->header + 1 && trim(lines_[at - 1]).empty())
        --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  std::string(name) + "=" + std::string(value));
}

void ProfileDocument::removeKey(std::string_view section, std::string_view key) {
    const auto range = findSection(section);
    if (!range)
        return;
    if (const auto line = findKey(*range, key))
        lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*line));
}

void ProfileDocument::removeSection(std::string_view section) {
    const auto range = findSection(section);
    if (!range)
        return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(range->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(range->end));
}

std::string ProfileDocument::serialize() const {
    std::string out;
    for (const auto& line : lines_) {
        out += line;
        out += eol_;
    }
    return out;
}

} // namespace zarn
