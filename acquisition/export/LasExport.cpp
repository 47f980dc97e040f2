#include "acquisition/export/LasExport.h"

#include "acquisition/export/LasLineWriter.h"
#include "platform/Format.h"
#include "platform/Home.h"
#include "platform/PendingFile.h"

#include <algorithm>

namespace zarn {

namespace {

constexpr double FeetPerMetre = 3.28083;
// Lines between two progress reports.
constexpr long long ProgressLines = 200;
// The bytes of lines gathered before a write.
constexpr std::size_t ChunkBytes = 256 * 1024;

} // namespace

LasExport::LasExport(const ExportSource& source, const LasExportJob& job)
    : source_(source), job_(job) {}

LasExportResult LasExport::run(Progress& progress) {
    LasExportResult result;
    result.path = job_.output;
    const auto fail = [&](std::string message) {
        result.outcome = LasPassOutcome::Failed;
        result.message = std::move(message);
        return result;
    };

    // Natural gamma only with a gamma sensor on board.
    job_.columns.gamma = job_.columns.gamma && source_.info.GammaOnBoard;
    if (!job_.anyColumn())
        return fail(LasExportJob::NoChannelText);
    const LasDepthGrid grid{job_.feet};
    const long long step = job_.intervalTicks;
    if (step < 1)
        return fail("the sample interval must be at least one tick of the depth grid");
    const bool down = lasLogGoesDown(source_);
    const LasSensorOffsets offsets = lasSensorOffsetsOf(source_.info);
    // Each sensor's distance from the camera in whole steps, rounded: neither sensor is more than
    // half a step off its depth, so two sensors never disagree by more than one step.
    const long long m = grid.roundedSteps(offsets.deviation, step);
    const long long l = grid.roundedSteps(offsets.deviation + offsets.gamma, step) - m;

    // 1. The grid file.
    LasGridFile gridFile(job_.gridMemoryBytes);
    const std::filesystem::path work = job_.workFolder.empty() ? Home::stateDir() : job_.workFolder;
    if (!gridFile.create(work))
        return fail(LasGridFile::CreateErrorText);
    const LasGridPass pass{source_, grid, down, step, m, l};
    const LasGridResult gridded = pass.run(gridFile, progress, 0.5);
    result.notes = gridded.notes;
    if (gridded.outcome != LasPassOutcome::Done) {
        result.outcome = gridded.outcome;
        result.message =
            gridded.outcome == LasPassOutcome::Cancelled ? "cancelled" : gridded.message;
        return result;
    }

    // 2. The lines: positions 0 to count + m + l - 1; the depth of a position in ticks.
    const long long positions = gridded.count + m + l;
    const long long g0 = gridded.firstTick;
    const auto depthTicks = [&](long long i) {
        return down ? g0 + (i - m - l) * step : g0 - i * step;
    };
    const long long tolerance = grid.unitsOf(step) / (job_.feet ? 6 : 3);
    const long long low = std::min(job_.fromUnits, job_.toUnits) - tolerance;
    const long long high = std::max(job_.fromUnits, job_.toUnits) + tolerance;
    long long first = -1, last = -1; // the positions in the range, in position order
    for (long long i = 0; i < positions; ++i) {
        const long long units = grid.unitsOf(depthTicks(i));
        if (units >= low && units <= high) {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0)
        return fail(format("no depth of the log's grid lies between %.2f and %.2f %s",
                           grid.depthOf(grid.floorTicks(job_.fromUnits, 1)),
                           grid.depthOf(grid.floorTicks(job_.toUnits, 1)), job_.feet ? "ft" : "m"));
    const long long begin = job_.reverse ? last : first;
    const long long end = job_.reverse ? first : last;
    const long long order = job_.reverse ? -1 : 1;
    result.lines = last - first + 1;
    result.start = grid.depthOf(depthTicks(begin));
    result.stop = grid.depthOf(depthTicks(end));
    result.step = grid.depthOf(depthTicks(begin + order) - depthTicks(begin));
    result.curves = lasCurvesOf(job_.columns, job_.feet);

    // 3. The LAS file, under a temporary name until it is whole.
    progress.stage(StageText);
    std::error_code ec;
    if (!job_.output.parent_path().empty())
        std::filesystem::create_directories(job_.output.parent_path(), ec);
    PendingFile pending(job_.output);
    std::ofstream& out = pending.stream();
    if (!out.is_open())
        return fail(OpenErrorText + job_.output.string());
    const auto written = [&] { return static_cast<bool>(out); };
    const std::string header = lasExportHeaderText(LasHeaderValues{
        &source_.info, job_.columns, job_.feet, result.start, result.stop, result.step,
        source_.info.LogMode == 11 || source_.info.LogMode == 12 ? source_.info.LogMode
        : down                                                   ? 12
                                                                 : 11});
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    if (!written())
        return fail(job_.output.string() + ": cannot write");

    const LasColumns& c = job_.columns;
    const double speedScale = job_.feet ? FeetPerMetre : 1.0;
    const LasGridRecord none;
    const auto recordAt = [&](long long index, LasGridRecord& into) -> bool {
        if (index < 0 || index >= gridded.count) {
            into = none;
            return true;
        }
        const LasGridRecord* record = gridFile.at(index);
        if (!record)
            return false;
        into = *record;
        return true;
    };
    LasLineWriter line;
    LasGridRecord image, deviation, gamma;
    long long made = 0;
    gridFile.walk(order < 0, m + l);
    // The lines go out in large writes.
    std::string chunk;
    chunk.reserve(ChunkBytes + 1024);
    const auto writeChunk = [&] {
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        chunk.clear();
        return written();
    };
    for (long long i = begin;; i += order) {
        if (progress.cancelled()) {
            progress.stage("User cancel wait ... End.");
            result.outcome = LasPassOutcome::Cancelled;
            result.message = "cancelled";
            return result;
        }
        const long long imageIndex = down ? i - (m + l) : i;
        const long long deviationIndex = down ? i - l : i - m;
        const long long gammaIndex = down ? i : i - (m + l);
        if (!recordAt(imageIndex, image) || !recordAt(deviationIndex, deviation) ||
            !recordAt(gammaIndex, gamma))
            return fail(LasGridFile::OpenErrorText);

        line.begin(grid.depthOf(depthTicks(i)), grid.decimals());
        if (c.inclinationGroup) {
            line.angle(image.inclination);
            line.angle(image.azimuth);
        }
        if (c.speed)
            line.value(deviation.speed == LasNull ? LasNull : deviation.speed * speedScale);
        if (c.gamma)
            line.value(gamma.gamma);
        if (c.inclination)
            line.angle(deviation.inclination);
        if (c.azimuth)
            line.angle(deviation.azimuth);
        if (c.tDelta)
            line.value(deviation.hgDelta);
        if (c.roll)
            line.angle(deviation.roll);
        if (c.magneticRoll)
            line.angle(deviation.magneticRoll);
        if (c.totalGravity)
            line.value(deviation.totalGravity, 3);
        if (c.totalMagnetic)
            line.counts(deviation.totalMagnetic, 100000.0);
        if (c.raw)
            for (const double value : {deviation.GX, deviation.GY, deviation.GZ, deviation.HX,
                                       deviation.HY, deviation.HZ})
                line.counts(value);
        chunk += line.line();
        if (chunk.size() >= ChunkBytes && !writeChunk())
            return fail(job_.output.string() + ": cannot write");
        ++made;
        if (made % ProgressLines == 0)
            progress.fraction(0.5 +
                              0.5 * static_cast<double>(made) / static_cast<double>(result.lines));
        if (i == end)
            break;
    }
    if (!writeChunk())
        return fail(job_.output.string() + ": cannot write");
    gridFile.remove();
    std::string problem;
    if (!pending.commit(&problem))
        return fail(job_.output.string() + ": " + problem);
    progress.fraction(1.0);
    progress.stage(DoneText);
    result.outcome = LasPassOutcome::Done;
    return result;
}

} // namespace zarn
