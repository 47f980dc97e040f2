#include "acquisition/app/ui/LumiLoggerDlg.h"

#include "acquisition/app/MainWindowLogic.h"
#include "acquisition/app/Preferences.h"
#include "acquisition/app/ui/AboutDlg.h"
#include "acquisition/app/ui/AlertDlg.h"
#include "acquisition/app/ui/EndProcessDlg.h"
#include "acquisition/app/ui/GuiThread.h"
#include "acquisition/app/ui/ImageStripView.h"
#include "acquisition/app/ui/PowerDlg.h"
#include "acquisition/app/ui/QtProgress.h"
#include "acquisition/app/ui/ReplayStartDialogs.h"
#include "acquisition/app/ui/StatusPanes.h"
#include "acquisition/app/ui/TechnicalToolsDlg.h"
#include "acquisition/app/ui/ToolWindows.h"
#include "acquisition/displays/ui/DepthDlg.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/export/ui/ExportDialogs.h"
#include "acquisition/export/ui/HeaderDlg.h"
#include "acquisition/link/LinkState.h"
#include "acquisition/settings/SondeDatabase.h"
#include "acquisition/settings/ui/FileDialogs.h"
#include "acquisition/settings/ui/PRecordingMode.h"
#include "acquisition/settings/ui/PSetDepthDlg.h"
#include "acquisition/settings/ui/PropertyLoggerDlg.h"
#include "platform/SettingsStore.h"
#include "platform/UserMessages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace zarn::ui {
namespace {

constexpr int ServeMs = 10;
constexpr int MenuRefreshMs = 250;
constexpr int DelayedCopyMs = 500;
constexpr int FirstCopyMs = 100;
// The shortest time between two copies the link's frames ask for.
constexpr int ForcedCopyPacingMs = 40;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

// Lets the window's events through while waiting, so the window never stops drawing.
void waitResponsive(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// The log's title chosen in the save dialog: the name without ".hed" in either case.
std::string titleOf(const std::filesystem::path& header) {
    std::string ext = header.extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".hed" ? header.stem().string() : header.filename().string();
}

} // namespace

CLumiLoggerDlg::CLumiLoggerDlg(AcquisitionEngine& engine, CPreferences& preferences,
                               WindowPlacementRecord& placements, QWidget* parent)
    : QMainWindow(parent), engine_(engine), preferences_(preferences), placements_(placements) {
    setWindowTitle(qs(MainWindowText::ProductName) + QStringLiteral(" version") + QChar(0x00A0) +
                   qs(MainWindowText::Version));
    panes_ = new StatusPanes(statusBar());
    alert_ = new CAlertDlg(this);
    toolWindows_ = new ToolWindows(engine_, this);
    endProcess_ = new CEndProcessDlg(this);
    buildCentre();
    buildMenu();
    installDefaultChoices();

    // Workers reach the window through the bus only; what they send synchronously is queued
    // for this thread.
    MessageBus::instance().attach(Role::MainWindow, [this](const Message& m) {
        const int kind = static_cast<int>(m.kind);
        const int id = m.id;
        const long long param = m.param;
        if (onGuiThread())
            handleMessage(kind, id, param);
        else // sent by a worker: queued for this thread's next serve
            MessageBus::instance().post(Role::MainWindow, m);
    });
    // The drawing thread only marks that rows were drawn; the window copies at its pace.
    engine_.setRowObserver([this](const DrawnRow& row, double) {
        rowsDrawn_ = true;
        if (CPropertyLoggerDlg* sheet = loggerSetupSheet_.load())
            sheet->rowDrawn(row);
    });

    serve_ = new QTimer(this);
    connect(serve_, &QTimer::timeout, this, &CLumiLoggerDlg::serve);
    serve_->start(ServeMs);
    menuTimer_ = new QTimer(this);
    connect(menuTimer_, &QTimer::timeout, this, &CLumiLoggerDlg::refreshMenuAndIcons);
    menuTimer_->start(MenuRefreshMs);
    delayedCopy_ = new QTimer(this);
    delayedCopy_->setSingleShot(true);
    connect(delayedCopy_, &QTimer::timeout, this, [this] { refreshImage(true); });

    // The hidden chord of the technical tools, over every key of the program.
    QCoreApplication::instance()->installEventFilter(new TechnicalToolsChord(this));
    connect(panel_, &CPowerDlg::newLogRequested, this, &CLumiLoggerDlg::OnNewLog);
    connect(panel_, &CPowerDlg::displayRestarted, this, &CLumiLoggerDlg::restartDisplay);
    connect(panel_, &CPowerDlg::forcedCopyRequested, this, [this] { refreshImage(true); });
    connect(panel_, &CPowerDlg::orientationModeShown, this, &CLumiLoggerDlg::showOrientationMode);
    connect(panel_, &CPowerDlg::commandRequested, this, [this](int id) {
        if (id == CPowerDlg::DeviationDataCommand)
            toolWindows_->showDeviation();
        else if (id == CPowerDlg::ProductToolsCommand)
            toolWindows_->showDiagnose();
        else if (id == CPowerDlg::LoggerSetupCommand)
            OnLoggerSetup();
    });

    showOrientationMode(engine_.configuration().logger.orientationMode);
    showUnit();
    panes_->setPaneIcon(4, StatusPanes::Icon::NoFrameSent);
    panes_->setPaneIcon(5, StatusPanes::Icon::NoFrameReceived);
    panes_->setPaneIcon(6, StatusPanes::Icon::SondeIdle);
    engine_.image().ClearImage();
    sinceCopy_.start();
}

CLumiLoggerDlg::~CLumiLoggerDlg() {
    engine_.setRowObserver({});
    delete loggerSetup_;
    MessageBus::instance().detach(Role::MainWindow);
}

void CLumiLoggerDlg::buildCentre() {
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    compassRow_ = new QWidget(centre);
    compassRow_->setFixedSize(AcquisitionEngine::DisplayRowWidth, 18);
    QFont small = compassRow_->font();
    small.setPointSize(8);
    for (std::size_t i = 0; i < compass_.size(); ++i) {
        auto* label = new QLabel(compassRow_);
        label->setFont(small);
        label->setStyleSheet(QStringLiteral("color: #004080;"));
        // The image columns start after the border column.
        label->move(1 + 720 * CompassLabelPercent[i] / 100, 1);
        label->resize(720 * 12 / 100, 16);
        compass_[i] = label;
    }
    unit_ = new QLabel(compassRow_);
    unit_->setFont(small);
    unit_->move(1 + 720 + 2, 1);
    unit_->resize(AcquisitionEngine::ScaleStripWidth - 4, 16);
    layout->addWidget(compassRow_);

    strip_ = new ImageStripView(centre);
    layout->addWidget(strip_, 1);
    depth_ = new CDepthDlg(engine_, placements_, centre);
    layout->addWidget(depth_);
    connect(depth_, &CDepthDlg::setDepthRequested, this, &CLumiLoggerDlg::OnSetDepth);
    panel_ = new CPowerDlg(engine_, centre);
    layout->addWidget(panel_);
    setCentralWidget(centre);
}

void CLumiLoggerDlg::buildMenu() {
    const auto add = [](QMenu* menu, std::string_view text, const char* name) {
        QAction* a = menu->addAction(qs(text));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(add(file, MenuText::OpenAndPlay, "openAndPlay"), &QAction::triggered, this,
            &CLumiLoggerDlg::OnOpenAndPlay);
    connect(add(file, MenuText::NewLog, "newLog"), &QAction::triggered, this,
            &CLumiLoggerDlg::OnNewLog);
    file->addSeparator();
    // The settings windows are not part of this program yet: their commands are there,
    // disabled.
    connect(add(file, MenuText::Picture, "picture"), &QAction::triggered, this,
            &CLumiLoggerDlg::OnPicture);
    connect(add(file, MenuText::LasFile, "lasFile"), &QAction::triggered, this,
            &CLumiLoggerDlg::OnLasFile);
    file->addSeparator();
    connect(add(file, MenuText::Exit, "exit"), &QAction::triggered, this, &QWidget::close);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    add(tools, MenuText::CameraControl, "cameraControl")->setEnabled(false);
    connect(add(tools, MenuText::LoggerSetup, "loggerSetup"), &QAction::triggered, this,
            &CLumiLoggerDlg::OnLoggerSetup);
    connect(add(tools, MenuText::DeviationData, "deviationData"), &QAction::triggered, this,
            [this] { toolWindows_->showDeviation(); });
    tools->addSeparator();
    QAction* imperial = add(tools, MenuText::ImperialDepth, "imperialDepth");
    imperial->setCheckable(true);
    imperial->setChecked(engine_.configuration().program.depthUnit == 1);
    connect(imperial, &QAction::triggered, this, &CLumiLoggerDlg::OnImperialDepth);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(add(help, MenuText::About, "about"), &QAction::triggered, this,
            &CLumiLoggerDlg::OnAbout);
    action("newLog")->setEnabled(false);
}

QAction* CLumiLoggerDlg::action(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name));
}

QString CLumiLoggerDlg::compassText(int label) const {
    return label >= 0 && label < 8 ? compass_[static_cast<std::size_t>(label)]->text() : QString();
}

QString CLumiLoggerDlg::unitText() const {
    return unit_->text();
}

void CLumiLoggerDlg::installDefaultChoices() {
    choices_.headerToOpen =
        [this](const std::filesystem::path& folder) -> std::optional<std::filesystem::path> {
        // Headers are matched in either case: "*.hed" and "*.HED" and any mix.
        QFileDialog dialog(this, qs(MenuText::OpenAndPlay).remove('&'),
                           QString::fromStdString(folder.string()));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setNameFilter(anyCaseFilter(QStringLiteral("ZARN File"), QStringLiteral("hed")));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return std::filesystem::path(dialog.selectedFiles().front().toStdString());
    };
    choices_.headerToSave =
        [this](const std::filesystem::path& folder,
               const std::string& last) -> std::optional<std::filesystem::path> {
        QFileDialog dialog(this, qs(MenuText::NewLog).remove('&'),
                           QString::fromStdString((folder / last).string()));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("HED"));
        dialog.setNameFilter(anyCaseFilter(QStringLiteral("ZARN File"), QStringLiteral("hed")));
        // The replacement question is the program's own, asked after the dialog.
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return std::filesystem::path(dialog.selectedFiles().front().toStdString());
    };
    choices_.recordingMode = [this](double speed, bool feet,
                                    int orientationMode) -> std::optional<RecordingModeChoice> {
        CPRecordingMode dialog({speed, feet, orientationMode, lastLogDirection_}, this);
        dialog.exec();
        if (!dialog.choice())
            return std::nullopt; // Escape or the close button: no new log
        lastLogDirection_ = dialog.choice()->logDirection;
        return RecordingModeChoice{dialog.choice()->logDirection == logdirection::Downhole,
                                   dialog.choice()->splitLength};
    };
    choices_.depthToSet = [this](bool feet, int sondeLengthCm,
                                 double depthScale) -> std::optional<double> {
        CPSetDepthDlg dialog({feet, sondeLengthCm, depthScale}, this);
        dialog.exec();
        return dialog.depthToSet();
    };
    choices_.pictureExport = [](QWidget* parent, Configuration& configuration) {
        return runPictureExport(parent, configuration);
    };
    choices_.lasExport = [](QWidget* parent, Configuration& configuration) {
        return runLasExport(parent, configuration);
    };
    choices_.depthStart = [this](const SetDepthPlayerLogic& logic) -> std::optional<double> {
        CPSetDepthPlayer dialog(logic, this);
        dialog.exec();
        return dialog.startDepth();
    };
    choices_.startFile = [this](MultiFileSelectorLogic& logic) {
        CPMultiFileSelector dialog(logic, this);
        dialog.exec();
        return dialog.fileIndex();
    };
    choices_.headerEditor = [this](CHeader& header) {
        CHeaderDlg dialog(header, engine_.configuration().paths.filePath, {}, this);
        return dialog.exec() == QDialog::Accepted;
    };
}

bool CLumiLoggerDlg::sondeMarkedPowered() const {
    return engine_.link().flags().sondePowered.load();
}

void CLumiLoggerDlg::serve() {
    MessageBus::instance().deliverPosted();
    engine_.tick(PowerPanelLogic::Clock::now());
    if (forcedCopyWanted_ && sinceCopy_.elapsed() >= ForcedCopyPacingMs) {
        forcedCopyWanted_ = false;
        refreshImage(true);
    }
    if (rowsDrawn_.exchange(false) && !isMinimized()) {
        if (strip_->copyFrom(engine_.image(), false))
            delayedCopy_->stop();
        else if (!delayedCopy_->isActive())
            delayedCopy_->start(DelayedCopyMs); // a picture never waits longer to appear
    }
    showAlarms();
}

void CLumiLoggerDlg::showAlarms() {
    const std::uint64_t raised = engine_.alarmsRaised();
    if (raised == alarmsShown_)
        return;
    alarmsShown_ = raised;
    const EngineAlarm alarm = engine_.lastAlarm();
    if (alarm.code >= 0)
        alert_->ShowAlarm(QString::fromStdString(alarm.title),
                          QString::fromStdString(alarm.message));
}

void CLumiLoggerDlg::refreshImage(bool forced) {
    if (isMinimized())
        return;
    if (strip_->copyFrom(engine_.image(), forced)) {
        delayedCopy_->stop();
        sinceCopy_.restart();
    }
}

void CLumiLoggerDlg::restartDisplay() {
    engine_.image().RestartDisplay();
    refreshImage(true);
}

void CLumiLoggerDlg::refreshMenuAndIcons() {
    const RecorderState& state = engine_.recorderState();
    const MainMenuState menu = mainMenuStateOf(state.sondeOn, state.recording);
    action("openAndPlay")->setEnabled(menu.openAndPlay);
    action("imperialDepth")->setEnabled(menu.imperialDepth);
    action("picture")->setEnabled(menu.picture);
    action("lasFile")->setEnabled(menu.lasFile);
    action("newLog")->setEnabled(menu.newLog);

    const bool busy =
        (engine_.stream().snapshot().LoggerStatus.Flags & PowerPanelLogic::BusyBits) != 0;
    StatusPanes::Icon sonde = StatusPanes::Icon::SondeIdle;
    if (sondeMarkedPowered()) {
        if (busy)
            sonde = engine_.recovery().recoverySwitchedOff()
                        ? StatusPanes::Icon::SondeAcquiringWithoutRecovery
                        : StatusPanes::Icon::SondeAcquiring;
        else
            sonde = blink_ ? StatusPanes::Icon::SondeAcquiring : StatusPanes::Icon::SondeIdle;
        blink_ = !blink_;
    }
    panes_->setPaneIcon(6, sonde);
    panes_->setPaneIcon(4, engine_.link().flags().frameSent.exchange(false)
                               ? StatusPanes::Icon::FrameSent
                               : StatusPanes::Icon::NoFrameSent);
    // Frames dispatched since the last tick, by the link's own count (its arrival flag belongs
    // to the senders of commands).
    const std::uint32_t frames = engine_.link().frameCounter();
    panes_->setPaneIcon(5, frames != framesSeen_ ? StatusPanes::Icon::FrameReceived
                                                 : StatusPanes::Icon::NoFrameReceived);
    framesSeen_ = frames;
    if (++menuTicks_ % 6 == 0) {
        panes_->setPaneText(2, "");
        panes_->setPaneText(3, "");
    }
}

void CLumiLoggerDlg::showOrientationMode(int mode) {
    const CompassLabels labels = compassLabelsOf(mode);
    for (std::size_t i = 0; i < compass_.size(); ++i)
        compass_[i]->setText(qs(labels[i]));
}

void CLumiLoggerDlg::showUnit() {
    unit_->setText(engine_.configuration().program.depthUnit == 1 ? QStringLiteral("Feet")
                                                                  : QStringLiteral("Meters"));
}

void CLumiLoggerDlg::handleMessage(int kind, int id, long long param) {
    if (kind == static_cast<int>(MessageKind::Command) && id == Cmd::FrameShown) {
        // The link asks for every frame: the requests are gathered and served at the window's
        // pace, so a burst of frames costs a bounded number of copies.
        forcedCopyWanted_ = true;
        return;
    }
    if (kind == static_cast<int>(MessageKind::Private) && id == Cmd::MainWindowPrivate &&
        param == Cmd::DepthUnitChanged) {
        showUnit();
        for (Role role :
             {Role::WinchPage, Role::DepthDisplay, Role::CameraPanel, Role::PictureExport})
            MessageBus::instance().post(role, command(Cmd::DepthUnitChanged));
        restartDisplay();
    }
    if (kind == static_cast<int>(MessageKind::Private) && id == Cmd::MainWindowPrivate &&
        param == Cmd::OpenTechnicalTools)
        OnTechnicalTools();
}

void CLumiLoggerDlg::OnTechnicalTools() {
    if (technicalToolsOpen_)
        return;
    technicalToolsOpen_ = true;
    CTechnicalToolsDlg dialog(engine_.configuration().switches, this);
    if (choices_.technicalTools ? choices_.technicalTools(dialog)
                                : dialog.exec() == QDialog::Accepted) {
        SettingsStore store;
        TechnicalSwitches switches = engine_.configuration().switches;
        const bool stored = dialog.logic().accept(switches, store);
        static_cast<void>(
            engine_.editConfiguration([&](Configuration& c) { c.switches = switches; }));
        if (!stored)
            showMessage("The technical tools could not be stored in " + store.file().string(),
                        MessageIcon::Warning);
        panel_->Refresh();
    }
    technicalToolsOpen_ = false;
}

void CLumiLoggerDlg::OnLoggerSetup() {
    if (!loggerSetup_) {
        // The sheet edits the program's sonde table; a run on the simulator that brought its own
        // sonde offers that one.
        SondeTable& table = preferences_.Sondes();
        if (!table.selectedSlot().occupied() && engine_.sondes().selectedSlot().occupied())
            table = engine_.sondes();
        sondeDatabase_ =
            std::make_unique<SondeDatabase>(table, [this] { return preferences_.Save(); });
        loggerSetup_ = new CPropertyLoggerDlg(engine_, *sondeDatabase_, this,
                                              &placements_[PlacedWindow::LoggerSetup]);
        loggerSetupSheet_ = loggerSetup_;
        connect(loggerSetup_, &QDialog::finished, this,
                [this] { engine_.recorderState().loggerSetupOpen = false; });
    }
    engine_.recorderState().loggerSetupOpen = true;
    loggerSetup_->show();
    loggerSetup_->raise();
}

void CLumiLoggerDlg::OnImperialDepth() {
    int unit = 0;
    const bool saved = engine_.editConfiguration([&](Configuration& c) {
        c.program.depthUnit = c.program.depthUnit == 1 ? 0 : 1;
        unit = c.program.depthUnit;
    });
    action("imperialDepth")->setChecked(unit == 1);
    if (!saved)
        showMessage("The depth unit could not be saved.", MessageIcon::Warning);
    MessageBus::instance().post(Role::MainWindow,
                                privateMessage(Cmd::MainWindowPrivate, Cmd::DepthUnitChanged));
}

void CLumiLoggerDlg::OnSetDepth() {
    const Configuration configuration = engine_.configuration();
    const std::optional<double> depth =
        choices_.depthToSet(configuration.program.depthUnit == 1,
                            engine_.sondes().working.sondeLength, configuration.logger.depthScale);
    if (!depth)
        return;
    // The depth-set frame carries the logger's new depth counter.
    if (!engine_.editConfiguration([&](Configuration& c) { c.logger.presetDepthMetres = *depth; }))
        showMessage("The depth could not be saved.", MessageIcon::Warning);
    if (!engine_.link().sendF2())
        showMessage("The depth could not be sent to the logger.", MessageIcon::Error);
}

bool CLumiLoggerDlg::runExport(const std::function<bool(QWidget*, Configuration&)>& dialog) {
    if (sondeMarkedPowered()) {
        showMessage(std::string(MainWindowText::ExportRefused), MessageIcon::Error);
        return false;
    }
    if (engine_.recorderState().logLoaded || engine_.recorderState().replayActive)
        panel_->OnStop();
    Configuration configuration = engine_.configuration();
    if (!dialog(this, configuration))
        return true;
    const bool kept = engine_.editConfiguration([&](Configuration& c) {
        c.program.picture = configuration.program.picture;
        c.program.las = configuration.program.las;
        c.paths.exportFolder = configuration.paths.exportFolder;
        c.paths.exportDataFile = configuration.paths.exportDataFile;
    });
    if (!kept || !preferences_.SaveExportChoices())
        showMessage("The export choices could not be saved.", MessageIcon::Warning);
    return true;
}

void CLumiLoggerDlg::OnPicture() {
    if (!runExport(choices_.pictureExport))
        return;
    // The strip starts empty after a picture export: its memory is made anew.
    CToolsBmp& image = engine_.image();
    const int visibleHeight = image.visibleHeight();
    image.FreeImageBuffer();
    static_cast<void>(image.DrawImageBuffer(AcquisitionEngine::DisplayRowWidth,
                                            AcquisitionEngine::ScaleStripWidth, visibleHeight));
    refreshImage(true);
}

void CLumiLoggerDlg::OnLasFile() {
    static_cast<void>(runExport(choices_.lasExport));
}

void CLumiLoggerDlg::OnAbout() {
    CAboutDlg about(QString::fromStdString(engine_.link().aboutIdentity().serialNumber), this);
    about.exec();
}

void CLumiLoggerDlg::OnOpenAndPlay() {
    if (sondeMarkedPowered()) {
        showMessage(std::string(MainWindowText::ReplayRefused), MessageIcon::Error);
        return;
    }
    const std::optional<std::filesystem::path> header =
        choices_.headerToOpen(engine_.configuration().paths.filePath);
    if (header)
        static_cast<void>(openLog(*header));
}

bool CLumiLoggerDlg::openLog(const std::filesystem::path& header) {
    if (sondeMarkedPowered()) {
        showMessage(std::string(MainWindowText::ReplayRefused), MessageIcon::Error);
        return false;
    }
    const Configuration configuration = engine_.configuration();
    // A log being replayed is left first.
    if (engine_.recorderState().logLoaded || engine_.recorderState().replayActive)
        panel_->OnStop();
    const bool feet = configuration.program.depthUnit == 1;
    QtProgress progress(this);
    bool started = false;
    switch (engine_.openReplayLog(header, progress)) {
    case CReplayPlayer::OpenResult::Failed:
    case CReplayPlayer::OpenResult::Cancelled:
        return false;
    case CReplayPlayer::OpenResult::ChooseDepth: {
        const SetDepthPlayerLogic logic = engine_.player().DepthStartChoice(feet);
        started = engine_.startReplayAtDepth(choices_.depthStart(logic), progress);
        break;
    }
    case CReplayPlayer::OpenResult::ChooseFile: {
        MultiFileSelectorLogic logic = engine_.player().StartFileChoice(feet);
        started = engine_.startReplayAtFile(choices_.startFile(logic));
        break;
    }
    }
    if (!started)
        return false;
    // The log opened is the current one of the path record.
    const std::filesystem::path opened = engine_.player().HeaderPath();
    if (!engine_.editConfiguration([&](Configuration& c) {
            c.paths.lastHeader = opened.string();
            c.paths.filePath = opened.parent_path().string() + "/";
            c.paths.dataFile = engine_.player().DataFilePath().string();
        }) ||
        !preferences_.SaveFiles())
        showMessage("The paths of the opened log could not be saved.", MessageIcon::Warning);
    engine_.resetStatistics(false);
    engine_.image().ClearImage();
    panel_->EnterReplayState();
    depth_->PutDataOnScreen(true);
    refreshImage(true);
    return true;
}

void CLumiLoggerDlg::OnNewLog() {
    RecorderState& state = engine_.recorderState();
    if (state.recording || !choices_.recordingMode)
        return;
    const MeasurementRecord now = engine_.stream().snapshot();
    const Configuration configuration = engine_.configuration();
    const bool feet = configuration.program.depthUnit == 1;
    const std::optional<RecordingModeChoice> mode =
        choices_.recordingMode(now.Speed, feet, configuration.logger.orientationMode);
    if (!mode)
        return; // the recording mode dismissed: no new log
    const std::filesystem::path last(configuration.paths.lastHeader);
    const std::optional<std::filesystem::path> header =
        choices_.headerToSave(configuration.paths.filePath, last.stem().string());
    if (!header)
        return;
    OnHeaderEditor();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const NewLogResult made = engine_.prepareNewLog(header->parent_path(), titleOf(*header),
                                                    mode->loggingDown, mode->splitLength);
    bool recording = false;
    if (made.outcome == NewLogOutcome::Ready)
        recording = engine_.startRecording(made.setup);
    QApplication::restoreOverrideCursor();
    if (made.outcome == NewLogOutcome::InvalidName) {
        showMessage("Bad entry format", MessageIcon::Error);
        return;
    }
    if (!recording)
        return;
    if (!preferences_.SaveFiles())
        showMessage("The paths of the new log could not be saved.", MessageIcon::Warning);
}

void CLumiLoggerDlg::OnHeaderEditor() {
    if (choices_.headerEditor)
        static_cast<void>(choices_.headerEditor(engine_.header()));
}

bool CLumiLoggerDlg::closeRequest() {
    if (inCloseRequest_)
        return false; // the close request never runs twice at once
    inCloseRequest_ = true;
    struct Leave {
        bool& flag;
        ~Leave() { flag = false; }
    } leave{inCloseRequest_};

    if (engine_.link().linkState() > LinkState::LoggerOnly) {
        if (sondeMarkedPowered()) {
            showMessage(std::string(MainWindowText::CloseRefused), MessageIcon::Error);
            return false;
        }
        const MessageAnswer answer = UserMessages::current().ask(
            UserMessage{std::string(MainWindowText::CloseQuestion), "ZARN", MessageIcon::Question,
                        MessageButtons::YesNo, MessageAnswer::No});
        if (answer != MessageAnswer::Yes)
            return false;
        waitResponsive(1000);
    }
    // Closing goes ahead: the recording's header is finished before anything stops.
    if (engine_.recorderState().recording)
        static_cast<void>(engine_.endRecording());
    if (engine_.recorderState().logLoaded || engine_.recorderState().replayActive)
        panel_->OnStop();
    closing_ = true;
    endProcess_->show();
    endProcess_->setText(QStringLiteral("Shutdown ... wait"));
    storePlacement();
    if (!preferences_.SaveFiles())
        showMessage("The settings could not be saved.", MessageIcon::Warning);
    endProcess_->setText(QStringLiteral("Ending USB Process ... wait"));
    static_cast<void>(engine_.stopLink()); // a late thread is joined with the engine
    serve_->stop();
    menuTimer_->stop();
    delayedCopy_->stop();
    endProcess_->setText(QStringLiteral("Shutdown Process ... please wait"));
    endProcess_->hide();
    return true;
}

void CLumiLoggerDlg::closeEvent(QCloseEvent* event) {
    if (!mayClose_)
        mayClose_ = closeRequest();
    if (mayClose_)
        event->accept();
    else
        event->ignore();
}

void CLumiLoggerDlg::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    panes_->layoutFor(width());
}

void CLumiLoggerDlg::applyPlacement() {
    // The placement a close stored; the first start's default (show command 0, a window of
    // the old dialog's size) keeps the window's own size.
    const WindowPlacement& main = placements_[PlacedWindow::Main];
    if (!main.usable() || main.showCommand == 0)
        return;
    const PlacementRect& r = main.normalPosition;
    // The width is the image strip's; the stored height is taken when it leaves room for it.
    move(r.left, r.top);
    const int height = r.bottom - r.top;
    if (height >= minimumSizeHint().height())
        resize(width(), height);
}

void CLumiLoggerDlg::storePlacement() {
    WindowPlacement& main = placements_[PlacedWindow::Main];
    const QRect frame = geometry();
    main.length = static_cast<std::int32_t>(WindowPlacement::Size);
    main.showCommand = isMinimized() ? 2 : 1;
    main.normalPosition = {frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1};
}

void CLumiLoggerDlg::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!firstPaint_)
        return;
    firstPaint_ = false;
    // The window keeps its width; a resize changes only its height.
    setFixedWidth(width());
    applyPlacement();
    QTimer::singleShot(FirstCopyMs, this, [this] { refreshImage(true); });
}

} // namespace zarn::ui
