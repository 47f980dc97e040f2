#include "viewer/ui/MainFrame.h"

#include "viewer/ui/AboutDlg.h"
#include "viewer/ui/LVViewerView.h"
#include "viewer/ui/PreferenceDlg.h"
#include "viewer/ui/ViewerMessages.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

namespace lvviewer::ui {
namespace {

constexpr std::string_view RecentKey = "Software\\Lumivane\\LVViewer\\Recent File List";
constexpr int RecentCount = 4;

const char* const ZoomTexts[5] = {"100%", " 75%", " 50%", " 33%", " 25%"};

// The wait cursor for the life of the object.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

CMainFrame::CMainFrame(zarn::SettingsStore& store, QWidget* parent)
    : QMainWindow(parent), store_(store), prefs_(readPreferences(store)) {
    setWindowTitle("LVViewer");
    view_ = new CLVViewerView(doc_, this);
    setCentralWidget(view_);
    pane_ = new QLabel(this);
    pane_->setMinimumWidth(200);
    statusBar()->addWidget(pane_, 1);
    connect(view_, &CLVViewerView::statusChanged, pane_, &QLabel::setText);
    connect(view_, &CLVViewerView::zoomRequested, this, [this](int level) { setZoomLevel(level); });
    for (int i = 1; i <= RecentCount; ++i)
        if (const auto file = store_.readString(RecentKey, "File" + std::to_string(i));
            file && !file->empty())
            recent_ << QString::fromStdString(*file);
    buildMenus();
    doc_.setCacheBudget(prefs_.cacheBytes());
    doc_.setUseLoader(prefs_.useBkgLoader);
    doc_.setStyle(styleFor(0));
    view_->setLineScrollInc(prefs_.lineScrollInc);
    view_->setImperial(prefs_.imperial());
    view_->setColorPreview(prefs_.colorPreview);
    resize(600, 500);
}

CMainFrame::~CMainFrame() {
    doc_.OnCloseDocument();
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* open = file->addAction("&Open...", this, &CMainFrame::openDialog);
    open->setShortcut(QKeySequence("Ctrl+O"));
    open->setStatusTip("Open an existing document");
    file->addAction("P&rint Setup...", view_, &CLVViewerView::OnFilePrintSetup)
        ->setStatusTip("Change the printer and printing options");
    file->addAction("Print Pre&view", view_, &CLVViewerView::OnFilePrintPreview)
        ->setStatusTip("Display full pages");
    QAction* print = file->addAction("&Print...", view_, &CLVViewerView::OnFilePrint);
    print->setShortcut(QKeySequence("Ctrl+P"));
    print->setStatusTip("Print the active document");
    file->addSeparator();
    file->addAction("Pre&ferences", this, &CMainFrame::preferencesDialog);
    file->addSeparator();
    recentMenu_ = file->addMenu("Recent Files");
    fillRecentMenu();
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);

    QMenu* tools = menuBar()->addMenu("&Tools");
    tools->addAction("Filling Color", this, &CMainFrame::chooseFillingColour)
        ->setStatusTip("Select the filling color for the missing core parts");

    QMenu* viewMenu = menuBar()->addMenu("&View");
    QToolBar* toolbar = addToolBar("Toolbar");
    toolbar->setObjectName("Toolbar");
    QAction* showToolbar = toolbar->toggleViewAction();
    showToolbar->setText("&Toolbar");
    viewMenu->addAction(showToolbar);
    QAction* showStatus = viewMenu->addAction("&Status Bar");
    showStatus->setCheckable(true);
    showStatus->setChecked(true);
    connect(showStatus, &QAction::toggled, statusBar(), &QWidget::setVisible);
    zoomMenu_ = viewMenu->addMenu("&Image Shrink");
    auto* group = new QActionGroup(this);
    for (int level = 0; level < 5; ++level) {
        QAction* action = zoomMenu_->addAction(ZoomTexts[level]);
        action->setCheckable(true);
        action->setChecked(level == 0);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, level] { setZoomLevel(level); });
        zoomActions_[static_cast<std::size_t>(level)] = action;
    }

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("&About LVViewer...", this, &CMainFrame::about);

    auto* openButton = new QToolButton(toolbar);
    openButton->setDefaultAction(open);
    openButton->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    openButton->setMenu(recentMenu_);
    openButton->setPopupMode(QToolButton::MenuButtonPopup);
    toolbar->addWidget(openButton);
    shrinkButton_ = new QToolButton(toolbar);
    shrinkButton_->setText("Shrink");
    shrinkButton_->setToolTip("Shrink the Image View 100% to 25%");
    shrinkButton_->setStatusTip("Shrink the Image View 100% to 25%");
    shrinkButton_->setMenu(zoomMenu_);
    shrinkButton_->setPopupMode(prefs_.shrinkButArrow ? QToolButton::MenuButtonPopup
                                                      : QToolButton::InstantPopup);
    toolbar->addWidget(shrinkButton_);
    toolbar->addAction(print);
}

RenderStyle CMainFrame::styleFor(int zoomLevel) const {
    RenderStyle style;
    style.filling = pixelOfColorRef(prefs_.fillingColor);
    style.background = palette().color(QPalette::Window).rgb() | 0xFF000000u;
    style.tickStep = prefs_.depthScale;
    style.fontSize = prefs_.fontSize;
    style.zoom = ZoomFactors[zoomLevel];
    style.imperial = prefs_.imperial();
    return style;
}

bool CMainFrame::openFile(const QString& path) {
    AssemblyFailure failure;
    bool opened = false;
    {
        const WaitCursor wait;
        // A new borehole is shown at 100 %.
        view_->setZoomLevel(0);
        zoomActions_[0]->setChecked(true);
        doc_.setStyle(styleFor(0));
        opened = doc_.OnOpenDocument(std::filesystem::path(path.toStdString()), zarn::noProgress(),
                                     &failure);
    }
    view_->documentChanged();
    if (!opened) {
        showViewerMessage(this, failure.text, failure.title);
        return false;
    }
    updateRecent(QFileInfo(path).absoluteFilePath());
    setWindowTitle(QFileInfo(path).fileName() + " - LVViewer");
    // As wide as the strip, as high as the screen.
    const int edge = doc_.geometry().scaleEdge();
    const int width = (edge < 100 ? 128 : edge + 28);
    if (const QScreen* screen = this->screen())
        setGeometry(QRect(screen->availableGeometry().topLeft(),
                          QSize(width, screen->availableGeometry().height() - 30)));
    return true;
}

void CMainFrame::fitWidth(int zoomLevel) {
    if (!doc_.loaded())
        return;
    const int edge = doc_.geometry().scaleEdge();
    int width = edge + 28;
    if (zoomLevel > 0) {
        const int reduced = view_->state().stripWidthOnScreen(edge) + 28;
        width = reduced >= 496 ? reduced : 524;
    }
    resize(width, this->height());
}

void CMainFrame::setZoomLevel(int level, bool resizeWindow) {
    level = std::clamp(level, 0, 4);
    zoomActions_[static_cast<std::size_t>(level)]->setChecked(true);
    pane_->setText("We must redraw the main image. Wait...");
    {
        const WaitCursor wait;
        doc_.setStyle(styleFor(level));
        // The rows keep their place across the header's new height.
        view_->state().setStrip(doc_.totalHeight(), view_->state().top());
        view_->setZoomLevel(level);
    }
    if (resizeWindow)
        fitWidth(level);
    view_->update();
}

void CMainFrame::applyPreferences(const ViewerPreferences& chosen) {
    const bool loaderChanged = chosen.useBkgLoader != prefs_.useBkgLoader;
    prefs_ = chosen;
    {
        const WaitCursor wait;
        view_->setLineScrollInc(prefs_.lineScrollInc);
        view_->setImperial(prefs_.imperial());
        view_->setColorPreview(prefs_.colorPreview);
        doc_.setCacheBudget(prefs_.cacheBytes());
        doc_.setStyle(styleFor(view_->zoomLevel()));
        view_->state().setStrip(doc_.totalHeight(), view_->state().top());
        // The header's height may have changed: the pages are made anew when next printed.
        view_->printing().reset();
    }
    if (loaderChanged) {
        const bool on = prefs_.useBkgLoader;
        const bool yes = askViewerQuestion(this,
                                           on ? "Do you want to activate the Multi-threading?"
                                              : "Do you want to stop the Multi-threading?",
                                           "QUESTION");
        doc_.setUseLoader(on ? yes : !yes);
    }
    fitWidth(view_->zoomLevel());
    (void)writePreferences(store_, prefs_);
    view_->update();
}

void CMainFrame::rereadUnit() {
    const ViewerPreferences stored = readPreferences(store_);
    if (stored.setDepthUnit != prefs_.setDepthUnit) {
        prefs_.setDepthUnit = stored.setDepthUnit;
        view_->setImperial(prefs_.imperial());
        doc_.setStyle(styleFor(view_->zoomLevel()));
        view_->update();
    }
}

QString CMainFrame::statusText() const {
    return pane_->text();
}

void CMainFrame::openDialog() {
    const QString path = QFileDialog::getOpenFileName(this, "Open", QString(),
                                                      "Core Image Files (*.jpg *.jpeg *.bmp)");
    if (!path.isEmpty())
        openFile(path);
}

void CMainFrame::chooseFillingColour() {
    const QColor current = QColor::fromRgb(pixelOfColorRef(prefs_.fillingColor));
    const QColor chosen = QColorDialog::getColor(current, this, "Filling Color");
    if (!chosen.isValid() || chosen == current)
        return;
    prefs_.fillingColor = colorRefOfPixel(chosen.rgb());
    (void)writePreferences(store_, prefs_);
    const WaitCursor wait;
    doc_.setStyle(styleFor(view_->zoomLevel()));
    view_->update();
}

void CMainFrame::preferencesDialog() {
    CPreferenceDlg dialog(prefs_, this);
    if (dialog.exec() == QDialog::Accepted)
        applyPreferences(dialog.chosen());
}

void CMainFrame::about() {
    CAboutDlg(this).exec();
}

void CMainFrame::updateRecent(const QString& path) {
    recent_.removeAll(path);
    recent_.prepend(path);
    while (recent_.size() > RecentCount)
        recent_.removeLast();
    for (int i = 0; i < RecentCount; ++i)
        (void)store_.writeString(RecentKey, "File" + std::to_string(i + 1),
                                 i < recent_.size() ? recent_[i].toStdString() : "");
    fillRecentMenu();
}

void CMainFrame::fillRecentMenu() {
    recentMenu_->clear();
    for (int i = 0; i < recent_.size(); ++i) {
        const QString path = recent_[i];
        recentMenu_->addAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()), this,
                               [this, path] { openFile(path); });
    }
    recentMenu_->setEnabled(!recent_.isEmpty());
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    doc_.OnCloseDocument();
    event->accept();
}

} // namespace lvviewer::ui
