// The text of an INI ("profile") file held as its lines, with the lookup and edit rules of the
// profile-string functions the settings files were always written with:
// - sections and keys are found ignoring case; the first of duplicates wins;
// - values are trimmed, and one pair of matching surrounding quotes is removed;
// - a key is rewritten in place on its own line with its spelling kept, a new key is appended
//   after the last entry of its section, a new section is appended at the end of the file;
// - every other line (comments, blank lines, keys the program does not know) is kept as it is.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarn {

class ProfileDocument {
public:
    ProfileDocument() = default;
    // Splits text into lines; accepts CR LF, LF and lone CR line ends. The line end of the
    // first line is used for lines added later (CR LF for an empty document).
    static ProfileDocument parse(std::string_view text);

    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    bool hasSection(std::string_view section) const;
    std::vector<std::string> sectionNames() const;
    std::vector<std::string> keyNames(std::string_view section) const;

    // Every section with its keys and values as get() finds them, in file order, in one pass
    // over the lines: a section or key repeated (in any letter case) appears once, where it
    // first stands, with its first value; keys of a repeated section's later lines, which get()
    // never reaches, are left out, as are lines before the first section.
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries; // key, value
    };
    std::vector<Section> sections() const;

    void set(std::string_view section, std::string_view key, std::string_view value);
    void removeKey(std::string_view section, std::string_view key);
    void removeSection(std::string_view section);

    std::string serialize() const;

private:
    struct Range {
        size_t header; // index of the section's header line
        size_t end;    // one past the section's last line
    };
    std::optional<Range> findSection(std::string_view section) const;
    std::optional<size_t> findKey(const Range& range, std::string_view key) const;

    std::vector<std::string> lines_;
    std::string eol_ = "\r\n";
};

} // namespace zarn
