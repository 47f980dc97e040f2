// The names of exported pictures, which are the only place where a picture's depths are kept:
// the base (the first data file's name without its extension, every "." made "_"), the
// deviation tag ("X_" none, "N_" magnetic north, "H_" high side), the start depth, "-", the end
// depth and the extension. Depths are in metres (feet in feet mode) with 2, 3 or 4 decimals
// ("%07.2f", "%08.3f", "%09.4f"); a negative depth is "m" and its absolute value ("m%06.2f",
// "m%07.3f", "m%08.4f"). WELL1.lox, no deviation, 2 decimals, 12.5 m to 25 m, JPEG:
// "WELL1_X_0012.50-0025.00.jpg".
//
// The core image viewer groups pictures by the part of the name before its last "_" and reads
// the two depths from the rest, with parsePictureFileName.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// 2, 3, or 4 for any other value.
int pictureNameDecimals(int decimals);

// "X_", "N_" or "H_" for deviation references 0, 1, 2 (others: "X_").
std::string_view deviationTag(int deviation);

// A depth as a picture name writes it.
std::string pictureNameDepth(double depth, int decimals);

// The name base of a data file name: "WELL1.lox" gives "WELL1_".
std::string pictureNameBase(std::string_view dataFileName);

// base + tag + start + "-" + end + extension (".jpg", ".tif", ".bmp").
std::string pictureFileName(std::string_view base, int deviation, double start, double end,
                            int decimals, std::string_view extension);

struct PictureNameParts {
    std::string group; // the name before its last "_" ("WELL1_X")
    double start = 0;
    double end = 0;
    std::string extension; // with its dot, as written
};

// The parts of a picture file name (a name or a path); nothing when it is not one.
[[nodiscard]] std::optional<PictureNameParts>
parsePictureFileName(const std::filesystem::path& name);

} // namespace zarn
