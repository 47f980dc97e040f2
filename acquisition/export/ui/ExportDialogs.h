// The export commands of the main window: the "Picture export" dialog (CBmpExportation) and the
// "LAS 2.0 exportation for ZARN" dialog (CLasExport), each run modally over the configuration
// the window gives. On close the dialog's settings ([BMPGenerator], [LASGenerator]) and the
// folder and data file the exports used last are written into it; the caller saves it.
//
// The file and folder dialogs are choices the caller may replace (tests answer them without a
// window); an empty choice shows the standard dialog.
#pragma once

#include "acquisition/app/SettingsRecords.h"
#include "acquisition/export/PictureHandOff.h"
#include "platform/SettingsStore.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace zarn::ui {

struct ExportFileChoices {
    using Path = std::filesystem::path;
    // A header file (".hed" in any case) from a folder; nothing when cancelled.
    std::function<std::optional<Path>(const Path& folder)> headerToOpen;
    // The pictures' folder ("Set export path file."), starting at the current one.
    std::function<std::optional<Path>(const Path& current)> exportFolder;
    // The LAS file to write, starting at the proposed one.
    std::function<std::optional<Path>(const Path& proposed)> lasToSave;
    // After a picture export: what starts the viewer and opens the page (the desktop's), the
    // settings store the viewer reads its depth unit from (the user's), and the viewer program
    // (lvviewer beside this program or on the search path; empty when there is none).
    std::shared_ptr<HandOffLauncher> launcher;
    std::shared_ptr<SettingsStore> viewerSettings;
    std::function<Path()> viewerProgram;
};

// The standard dialogs (and the desktop's launcher, the user's settings store, the viewer found
// beside the program or on the search path) for the choices left empty.
ExportFileChoices withDefaultDialogs(ExportFileChoices choices, QWidget* parent);

// The folder the header dialog starts in: the one used last, else the settings folder's "Data"
// (made when missing).
std::filesystem::path headerFolderOf(const AppPaths& paths);

// Runs the dialog; true when the configuration was changed.
bool runPictureExport(QWidget* parent, Configuration& configuration,
                      const ExportFileChoices& choices = {});
bool runLasExport(QWidget* parent, Configuration& configuration,
                  const ExportFileChoices& choices = {});

} // namespace zarn::ui
