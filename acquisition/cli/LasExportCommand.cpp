// export las: a recorded log as a LAS 2.0 file, with the LAS export dialog's choices, checks and
// texts.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/LasExport.h"
#include "acquisition/export/LasExportJob.h"
#include "acquisition/export/PictureExportJob.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace zarn::cli {

namespace {

// The curve names of the command line, and the column each chooses.
bool chooseCurve(LasColumns& c, const std::string& name) {
    if (name == "all") {
        c.inclinationGroup = c.speed = c.gamma = c.inclination = c.azimuth = c.tDelta = c.roll =
            c.magneticRoll = c.totalGravity = c.totalMagnetic = c.raw = true;
        return true;
    }
    bool* const columns[] = {&c.inclinationGroup, &c.speed,         &c.gamma, &c.inclination,
                             &c.azimuth,          &c.tDelta,        &c.roll,  &c.magneticRoll,
                             &c.totalGravity,     &c.totalMagnetic, &c.raw};
    const char* const names[] = {"img",  "speed", "gamma", "incl", "az", "hgdelta",
                                 "roll", "mroll", "tgrav", "tmag", "raw"};
    static_assert(std::size(columns) == std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (name == names[i]) {
            *columns[i] = true;
            return true;
        }
    return false;
}

} // namespace

int runExportLas(const ExportLasOptions& options, std::ostream& out, std::ostream& err,
                 Progress& progress) {
    const ExportSourceResult read = readExportSource(options.header);
    if (!read.source) {
        errorLine(err, read.problem);
        return exportSourceExitCode(read.problem);
    }
    const ExportSource& source = *read.source;
    const LoadedSettings settings = loadSettings();
    const LasColumns& saved = settings.configuration.program.las;

    LasExportJob job;
    job.feet = options.feet.value_or(settings.configuration.program.depthUnit != 0);
    const LasDepthGrid grid{job.feet};
    job.columns = saved;
    if (options.curves) {
        job.columns = LasColumns{false, false, false, false, false, false,
                                 false, false, false, false, false, saved.exportInterval};
        for (const std::string& name : *options.curves)
            if (!chooseCurve(job.columns, name)) {
                errorLine(err, "--curves: unknown curve " + name +
                                   " (img, speed, gamma, incl, az, hgdelta, roll, mroll, tgrav, "
                                   "tmag, raw, all)");
                return ExitCode::BadArguments;
            }
    }
    // "Natural Gamma" is offered only when the log has a gamma sensor.
    const bool gammaAsked =
        options.curves &&
        std::find(options.curves->begin(), options.curves->end(), "gamma") != options.curves->end();
    if (!source.info.GammaOnBoard) {
        if (gammaAsked)
            errorLine(err, "warning: the log has no gamma sensor; GAMMA is not written");
        job.columns.gamma = false;
    }
    if (!job.anyColumn()) {
        errorLine(err, LasExportJob::NoChannelText);
        return ExitCode::BadArguments;
    }

    if (options.interval) {
        const std::optional<LasInterval> interval = lasIntervalOf(job.feet, *options.interval);
        if (!interval) {
            errorLine(err, job.feet ? "--interval must be 1, 2 or 4 (inches)"
                                    : "--interval must be 1 or 5 (cm)");
            return ExitCode::BadArguments;
        }
        job.intervalTicks = interval->ticks;
    } else {
        job.intervalTicks = lasIntervalAt(job.feet, saved.exportInterval).ticks;
    }

    const LasRange range = lasRangeOf(source, job.feet);
    if (!range.from) {
        errorLine(err, range.message);
        return ExitCode::CorruptInput;
    }
    job.fromUnits = grid.unitsOf(*range.from);
    job.toUnits = grid.unitsOf(*range.to);
    if (options.from || options.to) {
        // As the dialog takes an entry: to 0.01 of the unit, within the range it proposed.
        const LasRangeEntry entry =
            checkLasRange(range, job.feet, options.from.value_or(grid.depthOf(*range.from)),
                          options.to.value_or(grid.depthOf(*range.to)));
        if (!entry.fromUnits) {
            errorLine(err, entry.message);
            return ExitCode::BadArguments;
        }
        job.fromUnits = *entry.fromUnits;
        job.toUnits = *entry.toUnits;
    }
    job.reverse = options.reverse;
    job.output =
        std::filesystem::absolute(options.output.value_or(defaultLasPath(source.headerPath)));

    std::error_code ec;
    if (std::filesystem::exists(job.output, ec) && !options.replaceExisting) {
        errorLine(err, "Same file name exist, do you want replace this ? " + job.output.string() +
                           ": Migration to LAS file aborted. (--replace overwrites it)");
        return ExitCode::Failure;
    }

    const LasExportResult result = LasExport(source, job).run(progress);
    progress.stage("");
    for (const std::string& note : result.notes)
        errorLine(err, "warning: " + note);
    switch (result.outcome) {
    case LasPassOutcome::Done: {
        std::string curves;
        for (const LasCurveName& curve : result.curves)
            curves += (curves.empty() ? "" : " ") + curve.mnemonic;
        const char* unit = job.feet ? "ft" : "m";
        const int decimals = grid.decimals();
        out << format("LAS file: %s (%lld lines of %.*f %s, %.*f %s to %.*f %s; %s)\n",
                      result.path.string().c_str(), result.lines, decimals, std::fabs(result.step),
                      unit, decimals, result.start, unit, decimals, result.stop, unit,
                      curves.c_str());
        return ExitCode::Ok;
    }
    case LasPassOutcome::Cancelled:
        errorLine(err, "export cancelled; no LAS file is left half-written");
        return ExitCode::Interrupted;
    case LasPassOutcome::Failed:
        break;
    }
    errorLine(err, result.message);
    return result.message == ExportSourceText::NotEnoughData ? ExitCode::CorruptInput
                                                             : ExitCode::Failure;
}

} // namespace zarn::cli
