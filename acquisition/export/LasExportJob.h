// What a LAS export is asked to do, its depth grid and the checks the export dialog makes.
//
// The depth grid. Every depth of the export is a whole number of ticks of the depth unit's grid:
// 1 cm in metres, 1 inch in feet (the program's inch, 25.39996 mm). The sample interval is a
// whole number of ticks ("1cm", "5cm"; "1 \"", "2 \"", "4 \""), and so is the grid step of the
// range (5 cm, 4 inches). A tick's depth in 0.1 mm (the unit of the records) is exact in metres
// and the nearest 0.1 mm in feet; every comparison of a grid depth with a record is made in
// 0.1 mm integers. The depth column carries the exact tick depth: 2 decimals in metres, 6 in
// feet (an inch is 1/12 ft).
//
// The direction of the log is decided once, from the header's log mode (12 down, 11 up) or, for
// a log recorded in time mode, from its net depth change, and kept for the whole export.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/LasGridFile.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>

namespace zarn {

// The depth unit's grid.
struct LasDepthGrid {
    // 0.1 mm per tick: 1 cm, and the program's inch.
    static constexpr double UnitsPerInch = 253.9996;
    static constexpr long long UnitsPerCentimetre = 100;

    bool feet = false;

    // The 0.1 mm units of a tick count.
    long long unitsOf(long long ticks) const;
    // The depth of a tick count in the depth column's unit (m or ft).
    double depthOf(long long ticks) const;
    // The first tick count on a multiple of step at or after units (in the order of depths).
    long long ceilTicks(long long units, long long step) const;
    // The last tick count on a multiple of step at or before units.
    long long floorTicks(long long units, long long step) const;
    // A depth of the depth column's unit in 0.1 mm.
    long long unitsOfDepth(double depth) const;
    // Whole steps of step ticks in a distance of 0.1 mm units (0 or more), truncated.
    long long stepsIn(long long units, long long step) const;
    // The same rounded to the nearest whole step.
    long long roundedSteps(long long units, long long step) const;
    // The decimals the depth column is written with.
    int decimals() const { return feet ? 6 : 2; }
    const char* unitName() const { return feet ? "ft" : "M"; }
};

// An entry of the "Select sample interval" list.
struct LasInterval {
    const char* text;
    int ticks;
};
// The list for the depth unit: "1cm", "5cm"; "1 \"", "2 \"", "4 \"".
std::span<const LasInterval> lasIntervals(bool feet);
// The entry the saved "ExportInterval" index selects, the first when it does not exist.
const LasInterval& lasIntervalAt(bool feet, int index);
// The entry of a number of ticks (cm, or inches in feet); nothing when the list has none.
std::optional<LasInterval> lasIntervalOf(bool feet, int ticks);

// The direction of a log: the header's log mode, or its net depth change in time mode.
bool lasLogGoesDown(const ExportSource& source);

// The sensor offsets of the header in 0.1 mm: the deviation sensor above the camera, the gamma
// sensor above the deviation sensor (a negative offset is taken as 0: the sensors sit above the
// camera).
struct LasSensorOffsets {
    long long deviation = 0;
    long long gamma = 0;
};
LasSensorOffsets lasSensorOffsetsOf(const HeaderInfo& info);

// The depth range the dialog proposes (its From and To) on the grid step of the range: a
// downward log from the first step after the start less the sensor shift to the last step
// before the end, an upward log from the last step before the start to the first step after the
// end less the sensor shift. The message when the log is too short for one step.
struct LasRange {
    std::optional<long long> from, to; // ticks
    std::string message;
};
LasRange lasRangeOf(const ExportSource& source, bool feet);

// From and To as entered (in the depth unit, taken to 0.01 of it) checked against the range the
// dialog proposed, in its direction: their 0.1 mm units, or the range message.
struct LasRangeEntry {
    std::optional<long long> fromUnits, toUnits;
    std::string message;
};
[[nodiscard]] LasRangeEntry checkLasRange(const LasRange& range, bool feet, double from, double to);

struct LasExportJob {
    // At least one column; gamma only with a gamma sensor on board.
    static constexpr const char* NoChannelText = "You must at least choose one channel !!!";

    LasColumns columns;
    bool feet = false;
    int intervalTicks = 1;   // the sample interval, positive
    long long fromUnits = 0; // the exported range in 0.1 mm, in the log's direction
    long long toUnits = 0;
    bool reverse = false;             // "Reverse depth": the lines from the end of the log back
    std::filesystem::path output;     // the LAS file
    std::filesystem::path workFolder; // where the grid file is made; the state folder else
    std::size_t gridMemoryBytes = LasGridFile::DefaultMemoryBytes; // the grid held in memory

    bool anyColumn() const;
};

// The output the dialog proposes: the header's folder + "LAS20/" + its name with "las" for its
// last three characters (WELL1.hed gives LAS20/WELL1.las).
std::filesystem::path defaultLasPath(const std::filesystem::path& header);

} // namespace zarn
