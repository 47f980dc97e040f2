#include "acquisition/logfiles/LogRepair.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/LogPaths.h"

#include <algorithm>
#include <cstdint>

namespace zarn {

namespace {

std::filesystem::path dataFileOf(const std::filesystem::path& headerPath,
                                 const std::filesystem::path& firstDataFile, int index) {
    return index == 1 ? firstDataFile
                      : listedDataFile(headerPath, firstDataFile.parent_path(), index);
}

} // namespace

RepairResult RepairInterruptedLog(CHeader& header, const std::filesystem::path& headerPath,
                                  const std::filesystem::path& firstDataFile, Progress& progress) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(firstDataFile, ec);
    if (ec || size < SmallestRepairableDataFile)
        return RepairResult::TooShort;

    HeaderInfo& info = header.Info();
    for (int index = boundedDataFiles(info.DataFiles); index >= 1; --index) {
        progress.stage("Recovery of the end depth, wait ..");
        const std::optional<LastRecord> last =
            ScanLastRecord(dataFileOf(headerPath, firstDataFile, index), progress);
        if (progress.cancelled())
            return RepairResult::Cancelled;
        if (!last)
            continue;
        const FileProgress end{
            index, last->imageDepth,
            static_cast<int>(std::min<std::uint32_t>(last->elapsedMs, INT32_MAX)), last->records};
        const HeaderMode mode = info.ImperialSetting ? HeaderMode::Imperial : HeaderMode::Metric;
        if (!header.WriteRepairedEnd(headerPath, end, mode))
            DiagnosticLogs::instance().traceLog("LogRepair", "repaired end not written");
        info.EndDepth = headerMillimetres(last->imageDepth);
        info.EndTime = end.elapsedMs;
        info.EndDepthCorrupt = false;
        info.Descending = info.Startdepth < info.EndDepth;
        if (index == 1) {
            info.FileEndDepth = info.EndDepth;
            info.FileEndTime = end.elapsedMs;
            info.FileSampleCount = end.sampleCount;
        }
        return RepairResult::Repaired;
    }
    return RepairResult::NoRecord;
}

bool HoldsRecordsPastHeader(const HeaderInfo& info, const std::filesystem::path& headerPath,
                            const std::filesystem::path& firstDataFile) {
    for (int index = boundedDataFiles(info.DataFiles); index >= 1; --index) {
        const std::optional<std::uint32_t> elapsed =
            LastRecordElapsedMs(dataFileOf(headerPath, firstDataFile, index));
        if (elapsed)
            return static_cast<std::int64_t>(*elapsed) > info.EndTime;
    }
    return false;
}

} // namespace zarn
