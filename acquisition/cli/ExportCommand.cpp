// export pictures: a recorded log as depth-scaled pictures, with the export dialog's checks and
// texts.
#include "acquisition/cli/CliSupport.h"
#include "acquisition/cli/Commands.h"
#include "acquisition/export/BmpExportationLogic.h"
#include "acquisition/export/ExportSource.h"
#include "acquisition/export/HtmlPage.h"
#include "acquisition/export/PictureExportJob.h"
#include "acquisition/export/PictureExportRun.h"
#include "platform/Format.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace zarn::cli {

namespace {

constexpr double FeetPerMetre = 3.28083;

// A message of the program (it may hold line ends) as one error line.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::optional<CBmpCreator::PictureType> typeOf(const std::string& name) {
    if (name == "jpeg" || name == "jpg")
        return CBmpCreator::PictureType::Jpeg;
    if (name == "bmp")
        return CBmpCreator::PictureType::Bmp;
    if (name == "tiff" || name == "tif")
        return CBmpCreator::PictureType::Tiff;
    return std::nullopt;
}

// Both exports: the log read and checked, the job made from the options and the configuration,
// the run, and its report. lgx: the image log instead of pictures.
int runExport(const ExportPicturesOptions& options, bool lgx, std::ostream& out, std::ostream& err,
              Progress& progress) {
    const ExportSourceResult read = readExportSource(options.header);
    if (!read.source) {
        errorLine(err, oneLine(read.problem));
        return exportSourceExitCode(read.problem);
    }
    const ExportSource& source = *read.source;
    const LoadedSettings settings = loadSettings();
    const PictureExportSettings& saved = settings.configuration.program.picture;

    PictureExportJob job;
    job.output = lgx ? PictureExportJob::Output::Lgx : PictureExportJob::Output::Pictures;
    job.bicubic = options.bicubic.value_or(saved.useBicubic);
    job.replaceLgx = options.replace;
    job.feet = options.feet.value_or(settings.configuration.program.depthUnit != 0);
    const ExportSpan span = exportSpanOf(source);
    job.from = roundToCentimetre(options.from.value_or(span.start));
    job.to = roundToCentimetre(options.to.value_or(span.end));
    if (std::optional<std::string> refused = checkDepthRange(source, job.from, job.to)) {
        errorLine(err, oneLine(*refused));
        return ExitCode::BadArguments;
    }
    double interval = 0;
    if (lgx) {
        // One of the image log's intervals, the configured one by default.
        const int item = lgxItemOfSetting(saved.lgxInterpolation);
        double entry = options.interval.value_or(job.feet ? lgxMilOf(item) : item);
        int millimetres = 0;
        for (int i = 1; i <= LgxIntervalCount; ++i)
            if (entry == (job.feet ? lgxMilOf(i) : i))
                millimetres = i;
        if (millimetres == 0) {
            errorLine(err, job.feet ? "--interval must be 39, 78, 118, 157 or 196 mil"
                                    : "--interval must be 1, 2, 3, 4 or 5 mm");
            return ExitCode::BadArguments;
        }
        interval = millimetres / 1000.0;
    } else {
        // The interval as the dialog takes it: millimetres (mil in feet), checked against the
        // log.
        const double proposed = defaultInterval(source);
        const double entry =
            options.interval.value_or(job.feet ? proposed / MetresPerMil : proposed * 1000.0);
        const IntervalCheck checked = checkInterval(source, entry, job.feet);
        if (!checked.interval) {
            errorLine(err, checked.message);
            return ExitCode::BadArguments;
        }
        interval = *checked.interval;
    }
    job.interval = (job.to >= job.from ? 1.0 : -1.0) * interval;
    if (!lgx) {
        job.maxLines = static_cast<int>(
            std::min<long long>(options.maxLines.value_or(PictureExportJob::MaxLimit),
                                PictureExportJob::MaxLimit + 1LL));
        const MaxLinesCheck lines = checkMaxLines(job.totalLines(), job.maxLines);
        if (!lines.message.empty()) {
            errorLine(err, oneLine(lines.message));
            return ExitCode::BadArguments;
        }
        job.maxLines = *lines.accepted;
    }

    if (options.type) {
        const std::optional<CBmpCreator::PictureType> type = typeOf(*options.type);
        if (!type) {
            errorLine(err, "--type must be jpeg, bmp or tiff");
            return ExitCode::BadArguments;
        }
        job.type = *type;
    } else {
        job.type = pictureTypeOfSetting(saved.type);
    }
    if (options.html && job.type != CBmpCreator::PictureType::Jpeg) {
        errorLine(err, BmpExportationLogic::BrowserRefusedText);
        return ExitCode::BadArguments;
    }
    job.colourMode = options.grey.value_or(saved.mode == CBmpCreator::GreyMode)
                         ? CBmpCreator::GreyMode
                         : CBmpCreator::TrueColourMode;
    job.decimals = options.decimals.value_or(saved.decimals);
    job.deviation = options.deviation.value_or(source.info.OrientationMode);
    job.drawScale = !options.noScale;
    job.scaleColour = scaleColourOf(options.scaleColour.value_or(saved.scaleColour));
    job.outputFolder = std::filesystem::absolute(options.output.value_or(source.folder));

    PictureExportRun run(source, job);
    const PictureExportResult result = run.run(progress);
    progress.stage("");
    for (const std::string& note : result.notes)
        errorLine(err, "warning: " + oneLine(note));
    const double unit = job.feet ? FeetPerMetre : 1.0;
    const char* unitName = job.feet ? "ft" : "m";
    for (const GeneratedPicture& picture : result.pictures)
        out << format("Picture: %s (%d x %d pixels, %.4f %s to %.4f %s)\n",
                      picture.path.string().c_str(), picture.width, picture.height,
                      picture.start * unit, unitName, picture.end * unit, unitName);
    const char* method = job.bicubic ? "bicubic" : "bilinear";
    switch (result.outcome) {
    case ExportOutcome::Done:
        if (lgx)
            out << format("LGX: %s\n  data %s (%lld lines of %d mm, %s)\n",
                          result.lgxDescription.string().c_str(), result.lgxData.string().c_str(),
                          result.lines, static_cast<int>(std::lround(interval * 1000)), method);
        else
            out << format("%zu picture(s), %lld lines of %.1f %s (%s, %s)\n",
                          result.pictures.size(), result.lines,
                          std::fabs(job.interval) / (job.feet ? MetresPerMil : 0.001),
                          job.feet ? "mil" : "mm", run.typeAndModeText().c_str(), method);
        if (!lgx && options.html) {
            const std::string first = source.files.front().path.filename().string();
            const std::filesystem::path page = HtmlPage::pathFor(job.outputFolder, first);
            std::string problem;
            if (!HtmlPage::write(page, result, HtmlPage::titleFor(job.outputFolder, first),
                                 job.from, job.to, job.feet, &problem)) {
                errorLine(err, problem);
                return ExitCode::Failure;
            }
            out << "Page: " << page.string() << "\n";
        }
        return ExitCode::Ok;
    case ExportOutcome::Cancelled:
        errorLine(err, lgx ? std::string("export cancelled; no LGX file was written or changed")
                           : format("export cancelled after %zu picture(s); no picture is left "
                                    "half-written",
                                    result.pictures.size()));
        return ExitCode::Interrupted;
    case ExportOutcome::Declined:
        errorLine(err, "an LGX export of this log exists in " +
                           (job.outputFolder / "LGX").string() + "; --replace replaces it");
        return ExitCode::Failure;
    case ExportOutcome::Failed:
        break;
    }
    errorLine(err, oneLine(result.message));
    return ExitCode::Failure;
}

} // namespace

int runExportPictures(const ExportPicturesOptions& options, std::ostream& out, std::ostream& err,
                      Progress& progress) {
    return runExport(options, false, out, err, progress);
}

int runExportLgx(const ExportPicturesOptions& options, std::ostream& out, std::ostream& err,
                 Progress& progress) {
    return runExport(options, true, out, err, progress);
}

} // namespace zarn::cli
