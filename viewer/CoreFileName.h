// The names of core image files, which carry the borehole a picture belongs to and the depths it
// covers (in thousandths of the unit the names were written in).
//
// Three forms are read, the first that applies:
//  - the export's own form, a name ending in "_<depth>-<depth>" (platform/imaging's
//    parsePictureFileName), whatever the rest of the name holds ("BH+12", spaces): the group
//    before the last "_" is the borehole, its "_" read as spaces, "m" in front of a depth is a
//    minus sign;
//  - names with "_", "+" and "-" all in them, or more than three spaces: the fields borehole,
//    latitude, longitude, azimuth, inclination, depth from, depth to, separated by those signs
//    (spaces inside a field written as "_");
//  - names with "-" and "_": the borehole before the last "_", then "<from>-<to>", each depth
//    with ",", ".", "M" or "m" before its decimals (at most three kept), "m" in front a minus.
// A name that fits none of them (a plain photo's name) is kept with an empty borehole and depth 0,
// which no borehole search accepts.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace lvviewer {

struct CoreFileName {
    std::string boreholeName;
    std::string latitude;
    std::string longitude;
    std::string azimuth;
    std::string inclination;
    int depthFrom = 0; // the smaller of the two depths
    int depthTo = 0;
};

// The parts of a file's name (a path or a name; the extension after the last "." is ignored).
// Nothing when the name is refused: an empty borehole in the second or third form, no depth
// after its last "_" or an empty depth text.
[[nodiscard]] std::optional<CoreFileName> parseCoreFileName(const std::filesystem::path& path);

} // namespace lvviewer
