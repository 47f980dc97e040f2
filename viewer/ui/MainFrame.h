// The main window: the menus ("&File", "&Tools", "&View", "&Help"), the toolbar with the Open
// button (its arrow lists the recent files) and the shrink button (the reductions), the status
// bar whose first pane shows the depths on screen, and the view. It owns the document and
// applies the preferences to it.
#pragma once

#include "platform/SettingsStore.h"
#include "viewer/LVViewerDoc.h"
#include "viewer/ViewerPreferences.h"

#include <QMainWindow>

#include <array>
#include <filesystem>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class QToolButton;

namespace lvviewer::ui {

class CLVViewerView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(zarn::SettingsStore& store, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Opens the borehole of a picture; a file that cannot be shown says why in a message box.
    bool openFile(const QString& path);
    // Reads the unit preference again (a second start hands its file over after the acquisition
    // program may have changed it).
    void rereadUnit();
    void setZoomLevel(int level, bool resize = true);
    void applyPreferences(const ViewerPreferences& chosen);

    CLVViewerDoc& document() { return doc_; }
    CLVViewerView& view() { return *view_; }
    const ViewerPreferences& preferences() const { return prefs_; }
    QString statusText() const;
    QAction* zoomAction(int level) const { return zoomActions_[static_cast<std::size_t>(level)]; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void openDialog();
    void chooseFillingColour();
    void preferencesDialog();
    void about();
    void updateRecent(const QString& path);
    void fillRecentMenu();
    RenderStyle styleFor(int zoomLevel) const;
    void fitWidth(int zoomLevel);

    zarn::SettingsStore& store_;
    ViewerPreferences prefs_;
    CLVViewerDoc doc_;
    CLVViewerView* view_;
    QLabel* pane_;
    QMenu* recentMenu_;
    QMenu* zoomMenu_;
    QToolButton* shrinkButton_;
    std::array<QAction*, 5> zoomActions_{};
    QStringList recent_;
};

} // namespace lvviewer::ui
