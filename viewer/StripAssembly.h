// The strip of one borehole from the folder of the picture opened: every picture of that
// folder whose name gives the same borehole (compared without case), ordered by depth, the
// depth gaps between them covered by missing-part pieces, a header piece on top and a trailer
// at the bottom. Only names and header probes are read; no picture is decoded.
#pragma once

#include "platform/Progress.h"
#include "viewer/StripEntry.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lvviewer {

struct Assembly {
    std::vector<StripEntry> entries;
    std::string boreholeName;
    std::filesystem::path folder;
    int widest = 0;
    // The mean rows per depth unit of the pictures (those covering at least one count) and its
    // rounded value, the resolution of the pictures; 11811 (300 dots an inch) without any.
    double averagePixelsPerMetre = 11811;
    int resolution = 11811;
    std::int64_t depthSpan = 0;
    int startIndex = 0; // the piece shown first: the one opened (the header for the first)
    std::int64_t totalHeight = 0;
};

// A message box the assembly asks for: its text and title.
struct AssemblyFailure {
    std::string text;
    std::string title;
};

inline constexpr int MaxDirectoryEntries = 60000;
inline constexpr double DefaultPixelsPerMetre = 11811;

// Rows per depth unit of a piece of height rows over from .. to: 2147483647 for a span below one
// count or a quotient beyond it.
double pixelsPerMetreOf(int height, int depthFrom, int depthTo);

// The missing-part pieces of the gap from .. to: at most maxCounts counts each, their height
// the counts at the mean resolution.
std::vector<StripEntry> missingParts(int from, int to, double pixelsPerMetre, int widest,
                                     const StripEntry& first);

// Numbers the entries and stacks them: each top is the sum of the heights above; the total.
std::int64_t stackEntries(std::vector<StripEntry>& entries);

// Gives the header (first entry) the height of headerHeight + 5 and its depth from as that height
// reads at the first picture's resolution, then stacks the entries again.
std::int64_t placeHeader(std::vector<StripEntry>& entries, int headerHeight);

// The strip of the borehole of the file opened, or nothing with the message to show.
[[nodiscard]] std::optional<Assembly> assembleStrip(const std::filesystem::path& opened,
                                                    int headerHeight, zarn::Progress& progress,
                                                    AssemblyFailure* failure);

// The index of the piece holding strip row y (the last for rows beyond the end).
int entryAtRow(const std::vector<StripEntry>& entries, std::int64_t y);

} // namespace lvviewer
