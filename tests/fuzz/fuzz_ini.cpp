// INI parsing with arbitrary bytes: parse, look up, edit and write back; the result must parse
// again to the same values.
#include "acquisition/app/Ini.h"
#include "platform/ProfileDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zarn::ProfileDocument doc = zarn::ProfileDocument::parse(text);
    const auto sections = doc.sectionNames();
    for (const auto& section : sections)
        for (const auto& key : doc.keyNames(section)) {
            const auto value = doc.get(section, key);
            if (value)
                (void)zarn::CIni::ParseDouble(*value);
        }
    // Edits are keyed by the first line's text, so they touch whatever the input holds.
    const std::string_view firstLine = text.substr(0, text.find('\n'));
    doc.set("LumiLogger", firstLine.substr(0, 16), "1.5");
    doc.set(firstLine.substr(0, 8), "Key", "value");
    // A section name that an INI line can carry must read back to the value just written.
    const std::string_view section = firstLine.substr(0, 8);
    if (section.find_first_of("[]\r\n") == std::string_view::npos) {
        const auto again = zarn::ProfileDocument::parse(doc.serialize());
        if (again.get(section, "Key") != doc.get(section, "Key"))
            std::abort();
    }
    doc.removeKey("LumiLogger", firstLine.substr(0, 16));
    doc.removeSection(firstLine.substr(0, 8));
    (void)doc.serialize();
    return 0;
}
