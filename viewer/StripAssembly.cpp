#include "viewer/StripAssembly.h"

#include "platform/Format.h"
#include "viewer/CoreFileName.h"
#include "viewer/DepthCount.h"
#include "viewer/ImageProbe.h"

#include <algorithm>
#include <climits>
#include <system_error>

namespace lvviewer {
namespace {

namespace fs = std::filesystem;

void failWith(AssemblyFailure* failure, const char* text, const char* title) {
    if (failure)
        *failure = {text, title};
}

// A picture file as an entry: its name parsed and its header probed.
std::optional<StripEntry> pictureEntry(const fs::path& path) {
    const std::optional<CoreFileName> name = parseCoreFileName(path);
    if (!name)
        return std::nullopt;
    const std::optional<ImageSize> size = probeImage(path);
    if (!size)
        return std::nullopt;
    StripEntry entry;
    entry.kind = PieceKind::Picture;
    entry.boreholeName = name->boreholeName;
    entry.latitude = name->latitude;
    entry.longitude = name->longitude;
    entry.azimuth = name->azimuth;
    entry.inclination = name->inclination;
    entry.depthFrom = name->depthFrom;
    entry.depthTo = name->depthTo;
    entry.width = size->width;
    entry.height = size->height;
    entry.pixelsPerMetre = pixelsPerMetreOf(size->height, name->depthFrom, name->depthTo);
    entry.path = path;
    return entry;
}

void copyTexts(StripEntry& to, const StripEntry& from) {
    to.boreholeName = from.boreholeName;
    to.latitude = from.latitude;
    to.longitude = from.longitude;
    to.azimuth = from.azimuth;
    to.inclination = from.inclination;
}

bool sameBorehole(const std::string& a, const std::string& b) {
    return zarn::equalsNoCase(a, b);
}

} // namespace

double pixelsPerMetreOf(int height, int depthFrom, int depthTo) {
    const std::int64_t span = std::int64_t{depthTo} - depthFrom;
    if (span < 1)
        return INT_MAX;
    return std::min(static_cast<double>(height) * 1000.0 / static_cast<double>(span),
                    static_cast<double>(INT_MAX));
}

std::vector<StripEntry> missingParts(int from, int to, double pixelsPerMetre, int widest,
                                     const StripEntry& first) {
    std::vector<StripEntry> parts;
    // Each piece of at most 2 GiB of strip rows, as the table's 32-bit heights allow.
    const double maxCounts =
        std::trunc(static_cast<double>(2147483654u / static_cast<unsigned>(std::max(1, widest))) /
                   (pixelsPerMetre / 1000.0));
    const std::int64_t step =
        std::max<std::int64_t>(1, zarn::saturatedTrunc<std::int64_t>(maxCounts));
    for (std::int64_t at = from; at < to; at += step) {
        const std::int64_t end = std::min<std::int64_t>(to, at + step);
        StripEntry part;
        part.kind = PieceKind::Missing;
        part.depthFrom = static_cast<int>(at);
        part.depthTo = static_cast<int>(end);
        part.width = 0;
        part.height = roundCount32(static_cast<double>(end - at) * pixelsPerMetre / 1000.0);
        part.pixelsPerMetre = pixelsPerMetre;
        copyTexts(part, first);
        part.label = zarn::format("Missing Part from Depth %d to %d", part.depthFrom, part.depthTo);
        parts.push_back(std::move(part));
    }
    return parts;
}

std::int64_t stackEntries(std::vector<StripEntry>& entries) {
    std::int64_t top = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].index = static_cast<int>(i);
        entries[i].top = top;
        top += entries[i].height;
    }
    return top;
}

std::int64_t placeHeader(std::vector<StripEntry>& entries, int headerHeight) {
    if (entries.size() >= 2 && entries.front().kind == PieceKind::Header) {
        StripEntry& header = entries.front();
        const StripEntry& first = entries[1];
        header.height = headerHeight + 5;
        header.depthTo = first.depthFrom;
        header.depthFrom = roundCount32(
            static_cast<double>(first.depthFrom) -
            static_cast<double>(roundCount(header.height * 1000.0 / first.pixelsPerMetre)));
    }
    return stackEntries(entries);
}

std::optional<Assembly> assembleStrip(const fs::path& opened, int headerHeight,
                                      zarn::Progress& progress, AssemblyFailure* failure) {
    const std::optional<StripEntry> openedEntry = pictureEntry(opened);
    if (!openedEntry) {
        failWith(failure, "This file is not a valid Core File", "SORRY");
        return std::nullopt;
    }
    Assembly strip;
    strip.boreholeName = openedEntry->boreholeName;
    strip.folder = opened.parent_path();
    std::vector<StripEntry> pictures;
    if (!strip.boreholeName.empty()) {
        progress.stage("Looking for the pictures of the bore hole");
        std::error_code error;
        fs::directory_iterator it(strip.folder.empty() ? fs::path(".") : strip.folder, error);
        for (int examined = 0;
             !error && it != fs::directory_iterator() && examined < MaxDirectoryEntries;
             it.increment(error), ++examined) {
            if (progress.cancelled())
                return std::nullopt;
            std::error_code statError;
            if (!it->is_regular_file(statError) || !imageTypeOf(it->path()))
                continue;
            if (std::optional<StripEntry> entry = pictureEntry(it->path());
                entry && sameBorehole(entry->boreholeName, strip.boreholeName))
                pictures.push_back(std::move(*entry));
        }
    }
    if (pictures.empty()) {
        failWith(failure, "This file is not a valid Bore Hole", "SORRY");
        return std::nullopt;
    }
    // The directory's order is no order: by depth, then by name for pictures of equal depth.
    std::sort(pictures.begin(), pictures.end(), [](const StripEntry& a, const StripEntry& b) {
        return a.path.filename() < b.path.filename();
    });
    std::stable_sort(
        pictures.begin(), pictures.end(),
        [](const StripEntry& a, const StripEntry& b) { return a.depthFrom < b.depthFrom; });

    double sum = 0;
    int counted = 0;
    for (const StripEntry& p : pictures) {
        strip.widest = std::max(strip.widest, p.width);
        // A picture without a depth span has no resolution to count.
        if (p.depthTo - std::int64_t{p.depthFrom} >= 1) {
            sum += p.pixelsPerMetre;
            ++counted;
        }
    }
    if (counted > 0)
        strip.averagePixelsPerMetre = sum / counted;
    strip.resolution = roundCount32(strip.averagePixelsPerMetre);
    strip.depthSpan = std::int64_t{pictures.back().depthTo} - pictures.front().depthFrom;

    std::vector<StripEntry>& entries = strip.entries;
    StripEntry header;
    header.kind = PieceKind::Header;
    header.width = strip.widest;
    header.pixelsPerMetre = pictures.front().pixelsPerMetre;
    header.label = "Header";
    copyTexts(header, pictures.front());
    entries.push_back(std::move(header));
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (i > 0 && pictures[i].depthFrom > pictures[i - 1].depthTo)
            for (StripEntry& part :
                 missingParts(pictures[i - 1].depthTo, pictures[i].depthFrom,
                              strip.averagePixelsPerMetre, strip.widest, pictures.front()))
                entries.push_back(std::move(part));
        entries.push_back(pictures[i]);
    }
    StripEntry trailer;
    trailer.kind = PieceKind::Trailer;
    trailer.width = strip.widest;
    trailer.height = StripGeometry::TrailerHeight;
    trailer.depthFrom = pictures.back().depthTo;
    trailer.depthTo =
        roundCount32(static_cast<double>(trailer.depthFrom) +
                     static_cast<double>(roundCount(25000.0 / pictures.back().pixelsPerMetre)));
    trailer.pixelsPerMetre = -1;
    trailer.label = "Trailer";
    copyTexts(trailer, pictures.front());
    entries.push_back(std::move(trailer));
    strip.totalHeight = placeHeader(entries, headerHeight);

    // The piece shown first: the last that holds the opened file's top depth, else the file.
    strip.startIndex = -1;
    for (int i = static_cast<int>(entries.size()) - 1; i >= 0 && strip.startIndex < 0; --i)
        if (entries[i].kind == PieceKind::Picture &&
            entries[i].depthFrom <= openedEntry->depthFrom &&
            openedEntry->depthFrom < entries[i].depthTo)
            strip.startIndex = i;
    for (int i = 0; i < static_cast<int>(entries.size()) && strip.startIndex < 0; ++i)
        if (entries[i].path == opened)
            strip.startIndex = i;
    if (strip.startIndex <= 1)
        strip.startIndex = 0; // the first picture: the header shows above it
    return strip;
}

int entryAtRow(const std::vector<StripEntry>& entries, std::int64_t y) {
    const auto it =
        std::upper_bound(entries.begin(), entries.end(), y,
                         [](std::int64_t row, const StripEntry& e) { return row < e.top; });
    if (it == entries.begin())
        return 0;
    return static_cast<int>(it - entries.begin()) - 1;
}

} // namespace lvviewer
