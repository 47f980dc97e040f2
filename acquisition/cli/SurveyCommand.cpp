// survey: the deviation survey of a recorded log, as a table and a plot.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/survey/Survey.h"
#include "acquisition/survey/SurveyReport.h"
#include "platform/FileIo.h"
#include "platform/Format.h"

#include <ostream>

namespace zarn::cli {

namespace {

constexpr double FeetPerMetre = 3.28083;

} // namespace

int runSurvey(const SurveyOptions& options, std::ostream& out, std::ostream& err,
              Progress& progress) {
    if (options.format != "csv" && options.format != "json" && options.format != "las") {
        errorLine(err, "--format must be csv, json or las");
        return ExitCode::BadArguments;
    }
    const ExportSourceResult read = readExportSource(options.header);
    if (!read.source) {
        std::string problem = read.problem;
        for (char& c : problem)
            if (c == '\n')
                c = ' ';
        errorLine(err, problem);
        return read.problem.rfind(ExportSourceText::NoDataFile, 0) == 0 ? ExitCode::MissingFile
                                                                        : ExitCode::CorruptInput;
    }
    const bool feet = options.feet.value_or(loadSettings().configuration.program.depthUnit != 0);
    const double unit = feet ? 1 / FeetPerMetre : 1.0; // the options' unit in metres
    zarn::SurveyOptions survey;
    survey.step = options.step * unit;
    if (options.from)
        survey.from = *options.from * unit;
    if (options.to)
        survey.to = *options.to * unit;
    progress.stage("Reading the sensors ...");
    const SurveyResult stations = surveyStations(*read.source, survey, progress);
    progress.stage("");
    if (stations.cancelled) {
        errorLine(err, "survey cancelled; nothing written");
        return ExitCode::Interrupted;
    }
    if (!stations.problem.empty()) {
        errorLine(err, options.header.string() + ": " + stations.problem);
        return ExitCode::CorruptInput;
    }
    const std::vector<SurveyDirection> directions = validDirections(stations);
    if (directions.size() < 2) {
        errorLine(err, options.header.string() +
                           ": fewer than two stations with enough valid records in the range");
        return ExitCode::CorruptInput;
    }

    SurveyReport report;
    report.logName = options.header.filename().string();
    report.declination = stations.declination;
    report.feet = feet;
    report.step = survey.step;
    const double severity = feet ? 100 / FeetPerMetre : 30;
    // The section along the closure azimuth unless given.
    const std::vector<SurveyPoint> closure = minimumCurvature(directions, 0, severity);
    report.sectionAzimuth = options.sectionAzimuth.value_or(closure.back().closureAzimuth);
    report.points = minimumCurvature(directions, report.sectionAzimuth, severity);
    for (const SurveyStation& s : stations.stations)
        if (!s.valid)
            report.missing.push_back(s);

    const std::string table = options.format == "json"  ? surveyJson(report)
                              : options.format == "las" ? surveyLas(report, read.source->info)
                                                        : surveyCsv(report);
    if (options.output) {
        if (!writeFileAtomically(*options.output, table)) {
            errorLine(err, options.output->string() + ": cannot write");
            return ExitCode::Failure;
        }
    }
    if (options.plot && !writeFileAtomically(*options.plot, surveySvg(report))) {
        errorLine(err, options.plot->string() + ": cannot write");
        return ExitCode::Failure;
    }
    if (!options.output) {
        out << table;
        return ExitCode::Ok;
    }
    const SurveyPoint& end = report.points.back();
    const double shown = feet ? FeetPerMetre : 1.0;
    const char* u = feet ? "ft" : "m";
    out << format("Survey: %s (%zu stations", options.output->string().c_str(),
                  report.points.size())
        << (report.missing.empty() ? std::string()
                                   : format(", %zu without enough records", report.missing.size()))
        << ")\n"
        << format("  to %.2f %s: TVD %.2f %s, closure %.2f %s at %.1f degrees\n", end.at.md * shown,
                  u, end.tvd * shown, u, end.closureDistance * shown, u, end.closureAzimuth);
    if (options.plot)
        out << "Plot: " << options.plot->string() << "\n";
    return ExitCode::Ok;
}

} // namespace zarn::cli
