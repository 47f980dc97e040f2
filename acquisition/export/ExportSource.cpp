#include "acquisition/export/ExportSource.h"

#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogPaths.h"
#include "acquisition/logfiles/LogRecord.h"
#include "acquisition/logfiles/LogRepair.h"
#include "acquisition/logfiles/RecordFile.h"
#include "acquisition/wire/ImageRows.h"
#include "platform/FileIo.h"
#include "platform/Format.h"
#include "platform/ProfileDocument.h"

#include <cmath>
#include <unordered_map>

namespace zarn {

namespace fs = std::filesystem;

namespace {

// A header is a small text file; a larger one is not a header.
constexpr std::uintmax_t LargestHeader = 1024 * 1024;

ExportSourceResult problem(std::string text, const fs::path& file = {}) {
    ExportSourceResult result;
    result.problem = file.empty() ? std::move(text) : std::move(text) + "\n" + file.string();
    return result;
}

bool hasHeaderExtension(const fs::path& path) {
    return equalsNoCase(path.extension().string(), ".hed");
}

// The pixels per line of the first record of a data file; nothing when it holds none.
std::optional<int> firstLineWidth(const fs::path& dataFile) {
    RecordFile file;
    if (!file.open(dataFile))
        return std::nullopt;
    const auto head = file.bytesAt(0, logrecord::HeadSize);
    if (head.empty() || !logrecord::plausibleHead(head))
        return std::nullopt;
    return pixelsPerRowOf(head[logrecord::ImageMode] >> 5);
}

} // namespace

std::optional<fs::path> findDataFile(const fs::path& folder, const std::string& listedName) {
    const fs::path name = fs::path(listedName).filename();
    const std::string text = name.string();
    if (text.empty() || text == "." || text == ".." || trim(text).empty())
        return std::nullopt;
    std::error_code ec;
    if (fs::is_regular_file(folder / name, ec))
        return folder / name;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (equalsNoCase(it->path().filename().string(), text) &&
            fs::is_regular_file(it->path(), ec))
            return it->path();
    return std::nullopt;
}

ExportSourceResult readExportSource(const fs::path& headerPath) {
    std::error_code ec;
    const fs::path dataFile = dataFileOfHeader(headerPath);
    const bool dataPresent = fs::is_regular_file(dataFile, ec);
    if (!hasHeaderExtension(headerPath) || !fs::is_regular_file(headerPath, ec))
        return problem(dataPresent ? ExportSourceText::BadHeader : ExportSourceText::NoDataFile,
                       headerPath);
    if (!dataPresent)
        return problem(ExportSourceText::NoDataFile, dataFile);
    const std::uintmax_t size = fs::file_size(headerPath, ec);
    if (ec || size > LargestHeader)
        return problem(ExportSourceText::BadHeader, headerPath);

    CHeader header;
    if (header.ReadHeader(headerPath))
        return problem(ExportSourceText::BadHeader, headerPath);
    // A recording that was cut: its end is rebuilt from the records, as the player does.
    if (header.Info().EndDepthCorrupt ||
        HoldsRecordsPastHeader(header.Info(), headerPath, dataFile)) {
        if (RepairInterruptedLog(header, headerPath, dataFile) != RepairResult::Repaired)
            return problem("the log's recording was cut and its header cannot be repaired",
                           headerPath);
        if (header.ReadHeader(headerPath))
            return problem(ExportSourceText::BadHeader, headerPath);
    }
    const std::optional<std::string> text = readWholeFile(headerPath);
    if (!text)
        return problem(ExportSourceText::BadHeader, headerPath);
    const ProfileDocument document = ProfileDocument::parse(*text);

    ExportSource source;
    source.headerPath = headerPath;
    source.folder = headerPath.parent_path();
    source.info = header.Info();
    source.down = source.info.LogMode != 11;
    const int count = source.info.DataFiles;
    if (count < 1 || count > ExportSource::MaxDataFiles)
        return problem(format("the header lists %d data files; an export reads 1 to %d", count,
                              ExportSource::MaxDataFiles),
                       headerPath);

    // The keys of every "[File%d]" section, by index (one pass over the header).
    std::unordered_map<int, std::unordered_map<std::string, std::string>> sections;
    for (const ProfileDocument::Section& section : document.sections())
        if (const std::optional<int> index = fileSectionIndex(section.name))
            for (const auto& [key, value] : section.entries) {
                std::string lower = key;
                for (char& c : lower)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                sections[*index].emplace(lower, value);
            }
    const auto value = [&](int index, const char* key) -> std::string {
        const auto section = sections.find(index);
        if (section == sections.end())
            return {};
        const auto found = section->second.find(key);
        return found == section->second.end() ? std::string() : found->second;
    };

    for (int i = 1; i <= count; ++i) {
        ExportDataFile file;
        file.name = std::string(trim(value(i, "filename")));
        // The first file is the header's own data file, whatever its section says.
        const std::optional<fs::path> path =
            i == 1 ? std::optional<fs::path>(dataFile) : findDataFile(source.folder, file.name);
        if (!path)
            return problem(ExportSourceText::NoDataFile,
                           source.folder / fs::path(file.name).filename());
        file.path = *path;
        if (file.name.empty())
            file.name = file.path.filename().string();
        file.startDepth = parseInt(value(i, "startdepth")) / 1000.0;
        file.endDepth = parseInt(value(i, "enddepth")) / 1000.0;
        file.sampleCount = std::max(0, parseInt(value(i, "samplecount")));
        source.totalSamples += file.sampleCount;
        source.files.push_back(std::move(file));
    }
    if (source.totalSamples < 10)
        return problem(ExportSourceText::NotEnoughData, headerPath);
    source.startDepth = source.files.front().startDepth;
    source.endDepth = source.files.back().endDepth;
    if (std::fabs(source.endDepth - source.startDepth) < 0.01)
        return problem(ExportSourceText::SpanTooSmall, headerPath);
    source.averageStep =
        (source.endDepth - source.startDepth) / static_cast<double>(source.sourceLines());
    const std::optional<int> width = firstLineWidth(source.files.front().path);
    if (!width)
        return problem(ExportSourceText::NotEnoughData, source.files.front().path);
    source.lineWidth = *width;
    return ExportSourceResult{std::move(source), {}};
}

} // namespace zarn
