#include "acquisition/export/PictureHandOff.h"

#include "acquisition/export/HtmlPage.h"

#include <unistd.h>

namespace zarn {

namespace fs = std::filesystem;

namespace {

bool isProgram(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

PictureHandOff::PictureHandOff(SettingsStore& store, HandOffLauncher& launcher)
    : store_(store), launcher_(launcher) {}

PictureHandOff::Plan PictureHandOff::plan(const ExportSource& source, const PictureExportJob& job,
                                          const PictureExportResult& result,
                                          const Choices& choices) {
    Plan plan;
    if (result.outcome != ExportOutcome::Done || job.output != PictureExportJob::Output::Pictures ||
        result.pictures.empty())
        return plan;
    const bool viewerType =
        job.type == CBmpCreator::PictureType::Bmp || job.type == CBmpCreator::PictureType::Jpeg;
    if (choices.useViewer && viewerType) {
        plan.writeDepthUnit = true;
        plan.depthUnit = choices.depthUnit;
        if (choices.viewerProgram.empty()) {
            plan.viewerMissing = true;
        } else {
            plan.viewerProgram = choices.viewerProgram;
            std::error_code ec;
            const fs::path& first = result.pictures.front().path;
            if (fs::exists(first, ec))
                plan.viewerArguments.push_back(first.string());
        }
    }
    if (choices.useBrowser && job.type == CBmpCreator::PictureType::Jpeg && !source.files.empty()) {
        const std::string name = source.files.front().path.filename().string();
        plan.page = HtmlPage::pathFor(job.outputFolder, name);
        plan.title = HtmlPage::titleFor(job.outputFolder, name);
        plan.from = job.from;
        plan.to = job.to;
        plan.feet = job.feet;
    }
    return plan;
}

PictureHandOff::Report PictureHandOff::run(const Plan& plan, const PictureExportResult& result) {
    Report report;
    if (plan.writeDepthUnit &&
        !store_.writeString(ViewerPreferencesKey, DepthUnitName, std::to_string(plan.depthUnit)))
        report.warnings.push_back("The viewer's depth unit could not be saved in " +
                                  store_.file().string() + ".");
    if (plan.viewerMissing)
        report.warnings.emplace_back(ViewerMissingText);
    if (plan.viewerProgram) {
        report.viewerStarted = launcher_.startViewer(*plan.viewerProgram, plan.viewerArguments);
        if (!report.viewerStarted)
            report.warnings.push_back(plan.viewerProgram->string() + " could not be started.");
    }
    if (plan.page) {
        std::string problem;
        report.pageWritten = HtmlPage::write(*plan.page, result, plan.title, plan.from, plan.to,
                                             plan.feet, &problem);
        if (!report.pageWritten)
            report.warnings.push_back(problem);
        else if (!(report.pageOpened = launcher_.openPage(*plan.page)))
            report.warnings.push_back(plan.page->string() + " could not be opened.");
    }
    return report;
}

fs::path PictureHandOff::findViewerProgram(const fs::path& programFolder,
                                           std::string_view searchPath) {
    if (!programFolder.empty() && isProgram(programFolder / ViewerProgramName))
        return programFolder / ViewerProgramName;
    while (!searchPath.empty()) {
        const std::size_t colon = searchPath.find(':');
        const std::string_view folder = searchPath.substr(0, colon);
        // An empty entry is the working folder, which is never searched for a program.
        if (!folder.empty() && fs::path(folder).is_absolute() &&
            isProgram(fs::path(folder) / ViewerProgramName))
            return fs::path(folder) / ViewerProgramName;
        if (colon == std::string_view::npos)
            break;
        searchPath.remove_prefix(colon + 1);
    }
    return {};
}

} // namespace zarn
