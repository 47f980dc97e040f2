// What follows a picture export: the pictures handed on to the core image viewer and to the
// browser, as the export dialog's "LVViewer (BMP and JPG)" and "HTML generator ( JPG only)"
// boxes ask. Only a picture export that ended well hands anything on (never an LGX export, a
// failed or a cancelled one); the viewer comes first, then the page.
//
// The viewer: its depth unit preference ("SetDepthUnit" under the viewer's preferences key of
// the per-user settings store, which the viewer reads when it starts) is written first, even
// when the viewer program is missing; then the viewer is started on the first picture, or
// without a file when that picture is gone. The page (HtmlPage) is written beside the
// pictures and opened with the desktop's browser; a page that was not written in this run is
// never opened.
//
// The plan is decided here; the window carries it out through a launcher it gives (the desktop's
// programs), and the tests through one that records.
#pragma once

#include "acquisition/export/PictureExportJob.h"
#include "acquisition/export/PictureExportRun.h"
#include "platform/SettingsStore.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarn {

// Starts the programs of the hand-off.
class HandOffLauncher {
public:
    virtual ~HandOffLauncher() = default;
    // Starts the viewer program with these arguments (none, or one picture's path). False when
    // it could not be started.
    [[nodiscard]] virtual bool startViewer(const std::filesystem::path& program,
                                           const std::vector<std::string>& arguments) = 0;
    // Opens a page with the desktop's browser. False when it could not be opened.
    [[nodiscard]] virtual bool openPage(const std::filesystem::path& page) = 0;
};

class PictureHandOff {
public:
    static constexpr std::string_view ViewerPreferencesKey =
        "Software\\Lumivane\\LVViewer\\Preferences";
    static constexpr std::string_view DepthUnitName = "SetDepthUnit";
    static constexpr std::string_view ViewerProgramName = "lvviewer";
    static constexpr const char* ViewerMissingText = "LVViewer.exe not found";

    // The dialog's boxes and the program's state at the end of an export.
    struct Choices {
        bool useViewer = false;
        bool useBrowser = false;
        int depthUnit = 0;                   // the depth unit setting: 0 m, 1 or 2 ft
        std::filesystem::path viewerProgram; // found; empty when there is none
    };

    // What to do, in order.
    struct Plan {
        bool writeDepthUnit = false;
        int depthUnit = 0;
        bool viewerMissing = false; // "LVViewer.exe not found"
        std::optional<std::filesystem::path> viewerProgram;
        std::vector<std::string> viewerArguments; // the first picture, or nothing
        std::optional<std::filesystem::path> page;
        std::string title;
        double from = 0, to = 0; // m
        bool feet = false;

        bool empty() const { return !writeDepthUnit && !viewerProgram && !viewerMissing && !page; }
    };

    struct Report {
        std::vector<std::string> warnings; // for warning boxes, in order
        bool viewerStarted = false;
        bool pageWritten = false;
        bool pageOpened = false;
    };

    PictureHandOff(SettingsStore& store, HandOffLauncher& launcher);

    // The plan after an export of source with job, which gave result.
    static Plan plan(const ExportSource& source, const PictureExportJob& job,
                     const PictureExportResult& result, const Choices& choices);
    // Carries out a plan; result is the export's.
    Report run(const Plan& plan, const PictureExportResult& result);

    // The viewer program: "lvviewer" in the program's own folder, else the first one on the
    // search path (":"-separated folders); empty when there is none.
    static std::filesystem::path findViewerProgram(const std::filesystem::path& programFolder,
                                                   std::string_view searchPath);

private:
    SettingsStore& store_;
    HandOffLauncher& launcher_;
};

} // namespace zarn
