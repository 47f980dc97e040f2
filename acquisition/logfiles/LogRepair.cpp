#include "acquisition/logfiles/LogRepair.h"

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/logfiles/DataLogScans.h"
#include "acquisition/logfiles/LogPaths.h"

namespace zarn {

RepairResult RepairInterruptedLog(CHeader& header, const std::filesystem::path& headerPath,
                                  const std::filesystem::path& firstDataFile, Progress& progress) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(firstDataFile, ec);
    if (ec || size < SmallestRepairableDataFile)
        return RepairResult::TooShort;

    HeaderInfo& info = header.Info();
    const std::filesystem::path folder = firstDataFile.parent_path();
    for (int index = boundedDataFiles(info.DataFiles); index >= 1; --index) {
        const std::filesystem::path file =
            index == 1 ? firstDataFile : listedDataFile(headerPath, folder, index);
        progress.stage("Recovery of the end depth, wait ..");
        const std::optional<LastRecord> last = ScanLastRecord(file, progress);
        if (progress.cancelled())
            return RepairResult::Cancelled;
        if (!last)
            continue;
        if (!header.WriteRepairedEndDepth(headerPath, index, last->imageDepth))
            DiagnosticLogs::instance().traceLog("LogRepair", "repaired end depth not written");
        info.EndDepth = headerMillimetres(last->imageDepth);
        info.EndDepthCorrupt = false;
        info.Descending = info.Startdepth < info.EndDepth;
        if (index == 1)
            info.FileEndDepth = info.EndDepth;
        return RepairResult::Repaired;
    }
    return RepairResult::NoRecord;
}

} // namespace zarn
