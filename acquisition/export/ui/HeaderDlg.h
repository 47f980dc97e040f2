// The header editor: the well and run information of the header record on five pages under
// their tabs, with "&Load", "&Reset", "&Save" and "&Cancel", over HeaderDlgLogic. It opens on
// reset values; "&Save" copies the pages into the record and closes with OK (a number that is
// not one is refused and its page shown), "&Cancel" closes without copying. It writes no file:
// the main window writes the header from the record. Its buttons and fields carry object names
// ("load", "reset", "save", "cancel", "tabs", and each field its "[WellInfo]" key).
#pragma once

#include "acquisition/export/HeaderDlgLogic.h"

#include <QDialog>

#include <array>
#include <filesystem>
#include <functional>
#include <optional>

class QTabWidget;

namespace zarn::ui {

class HeaderPageForm;

class CHeaderDlg final : public QDialog {
    Q_OBJECT
public:
    using Path = std::filesystem::path;
    // The header to load, from a file dialog starting in a folder; nothing when cancelled.
    using HeaderToLoad = std::function<std::optional<Path>(const Path& folder)>;

    // header: the header object whose record is edited. dataFolder: where "&Load" starts.
    // headerToLoad: the file dialog (the standard one when empty).
    CHeaderDlg(CHeader& header, Path dataFolder, HeaderToLoad headerToLoad = {},
               QWidget* parent = nullptr);

    HeaderDlgLogic& logic() { return logic_; }
    HeaderPageForm& page(int tab) { return *pages_[static_cast<std::size_t>(tab)]; }

    void OnLoad();
    void OnReset();
    void OnSave();

private:
    void fillPages();

    HeaderDlgLogic logic_;
    Path dataFolder_;
    HeaderToLoad headerToLoad_;
    QTabWidget* tabs_;
    std::array<HeaderPageForm*, 5> pages_{};
};

} // namespace zarn::ui
