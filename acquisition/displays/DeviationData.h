// What the deviation window (CToolsProbeDlg, "Deviation Data") shows: the raw accelerometer and
// magnetometer values of the last record and the orientation computed from them, twelve counter
// fields in the group "Current Orientation Data", yellow during a live acquisition and light
// cyan in replay.
#pragma once

#include "acquisition/stream/Orientation.h"
#include "platform/PixelImage.h"

#include <array>
#include <cstdint>
#include <string>

namespace zarn {

class DeviationData {
public:
    static constexpr std::size_t FieldCount = 12;
    static constexpr const char* GroupTitle = "Current Orientation Data";
    static constexpr std::array<const char*, FieldCount> Labels{
        "HX",   "HY",    "HZ",       "GX",    "GY",       "GZ",
        "Roll", "MRoll", "MHeading", "Incl.", "T. Grav.", "T. Mag."};
    static constexpr std::uint32_t LiveBackground = pixelOf(255, 255, 0);
    static constexpr std::uint32_t ReplayBackground = pixelOf(160, 255, 255);

    using Texts = std::array<std::string, FieldCount>;

    // The raw values (whole numbers, truncated; the no-data value -99999 as it is), then the
    // computed ones, in the order of Labels.
    static Texts textsOf(const OrientationResult& orientation);
    // The clear command: every field "-".
    static Texts cleared();
    static std::uint32_t backgroundOf(bool replay) {
        return replay ? ReplayBackground : LiveBackground;
    }
};

} // namespace zarn
