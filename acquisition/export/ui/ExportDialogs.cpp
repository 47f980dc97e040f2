#include "acquisition/export/ui/ExportDialogs.h"

#include "acquisition/export/ui/BmpExportation.h"
#include "acquisition/export/ui/LasExport.h"
#include "acquisition/settings/ui/FileDialogs.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include <cstdlib>

namespace zarn::ui {

namespace {

QString qpath(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

std::optional<std::filesystem::path> firstSelected(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().front().toStdString());
}

// The desktop's programs: the viewer started on its own (it outlives this program), the page
// opened with the desktop's browser.
class DesktopLauncher final : public HandOffLauncher {
public:
    bool startViewer(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments) override {
        QStringList list;
        for (const std::string& argument : arguments)
            list << QString::fromStdString(argument);
        return QProcess::startDetached(qpath(program), list);
    }
    bool openPage(const std::filesystem::path& page) override {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(qpath(page)));
    }
};

// The settings and the log the dialog leaves in the configuration; true when any changed.
template <typename Settings>
bool takeBack(Configuration& configuration, Settings& kept, const Settings& edited,
              const std::optional<std::filesystem::path>& header) {
    bool changed = !(kept == edited);
    kept = edited;
    if (header) {
        std::filesystem::path data = *header;
        const std::string folder = header->parent_path().string();
        const std::string dataFile = data.replace_extension("lox").string();
        changed = changed || configuration.paths.exportFolder != folder ||
                  configuration.paths.exportDataFile != dataFile;
        configuration.paths.exportFolder = folder;
        configuration.paths.exportDataFile = dataFile;
    }
    return changed;
}

} // namespace

ExportFileChoices withDefaultDialogs(ExportFileChoices choices, QWidget* parent) {
    if (!choices.headerToOpen)
        choices.headerToOpen = [parent](const std::filesystem::path& folder) {
            QFileDialog dialog(parent, QStringLiteral("Open"), qpath(folder));
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setDefaultSuffix(QStringLiteral("hed"));
            dialog.setNameFilter(
                anyCaseFilter(QStringLiteral("ZARN header File"), QStringLiteral("hed")));
            return firstSelected(dialog);
        };
    if (!choices.exportFolder)
        choices.exportFolder =
            [parent](const std::filesystem::path& current) -> std::optional<std::filesystem::path> {
            const QString folder =
                QFileDialog::getExistingDirectory(parent, QStringLiteral("Set export path file."),
                                                  qpath(current), QFileDialog::ShowDirsOnly);
            if (folder.isEmpty())
                return std::nullopt;
            return std::filesystem::path(folder.toStdString());
        };
    if (!choices.lasToSave)
        choices.lasToSave = [parent](const std::filesystem::path& proposed) {
            QFileDialog dialog(parent, QStringLiteral("Save"), qpath(proposed));
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setDefaultSuffix(QStringLiteral("las"));
            dialog.setNameFilter(
                anyCaseFilter(QStringLiteral("Log ASCII Standard"), QStringLiteral("las")));
            // The replacement question is the program's own, asked before the export.
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
            return firstSelected(dialog);
        };
    if (!choices.launcher)
        choices.launcher = std::make_shared<DesktopLauncher>();
    if (!choices.viewerSettings)
        choices.viewerSettings = std::make_shared<SettingsStore>();
    if (!choices.viewerProgram)
        choices.viewerProgram = [] {
            const char* path = std::getenv("PATH");
            return PictureHandOff::findViewerProgram(
                QCoreApplication::applicationDirPath().toStdString(), path ? path : "");
        };
    return choices;
}

std::filesystem::path headerFolderOf(const AppPaths& paths) {
    std::error_code ec;
    if (!paths.exportFolder.empty() && std::filesystem::is_directory(paths.exportFolder, ec))
        return paths.exportFolder;
    const std::filesystem::path data = std::filesystem::path(paths.programDirectory) / "Data";
    std::filesystem::create_directories(data, ec);
    return data;
}

bool runPictureExport(QWidget* parent, Configuration& configuration,
                      const ExportFileChoices& choices) {
    CBmpExportation dialog(configuration, withDefaultDialogs(choices, parent), parent);
    dialog.exec();
    return takeBack(configuration, configuration.program.picture, dialog.logic().settings(),
                    dialog.header());
}

bool runLasExport(QWidget* parent, Configuration& configuration, const ExportFileChoices& choices) {
    CLasExport dialog(configuration, withDefaultDialogs(choices, parent), parent);
    dialog.exec();
    return takeBack(configuration, configuration.program.las, dialog.logic().settings(),
                    dialog.header());
}

} // namespace zarn::ui
