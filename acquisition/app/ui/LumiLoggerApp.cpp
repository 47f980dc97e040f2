#include "acquisition/app/ui/LumiLoggerApp.h"

#include "acquisition/app/MainWindowLogic.h"
#include "acquisition/app/Preferences.h"
#include "acquisition/app/ui/InstanceChecker.h"
#include "acquisition/app/ui/LumiLoggerDlg.h"
#include "acquisition/app/ui/PowerDlg.h"
#include "acquisition/app/ui/QtBeeper.h"
#include "acquisition/app/ui/QtUserMessages.h"
#include "acquisition/app/ui/SplashDlg.h"
#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/engine/SimulatorSetup.h"
#include "platform/Home.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace zarn::ui {

CLumiLoggerApp::CLumiLoggerApp(const AppOptions& options) : options_(options) {}

CLumiLoggerApp::~CLumiLoggerApp() {
    // Every worker ends before anything it reaches is freed: the replay and the link threads
    // (which write to the window's status bar) are stopped and joined first, then the window
    // goes, then the engine and what the threads used.
    if (engine_) {
        engine_->stop();
        static_cast<void>(engine_->stopLink()); // a late thread is joined just below
        engine_->link().joinThreads();
    }
    window_.reset();
    engine_.reset();
    preferences_.reset();
    UserMessages::install(nullptr);
}

bool CLumiLoggerApp::InitInstance() {
    messages_ = std::make_unique<QtUserMessages>(nullptr, QtUserMessages::attendanceOfPlatform());
    UserMessages::install(options_.messages != nullptr ? options_.messages : messages_.get());
    const QString home = QString::fromStdString(Home::configDir().string());
    instance_ = std::make_unique<CInstanceChecker>(home);
    if (instance_->PreviousInstanceRunning()) {
        const bool activated = instance_->ActivatePreviousInstance();
        showMessage(std::string(MainWindowText::SecondInstance), MessageIcon::Information);
        std::fprintf(stderr, "zarn: another copy runs for %s%s\n", home.toLocal8Bit().constData(),
                     activated ? "; it was brought to the front" : "");
        return false;
    }
    beeper_ = std::make_unique<QtBeeper>();

    if (options_.simulate) {
        std::string problem;
        if (!bindSimulator(Home::configDir(), problem)) {
            showMessage(problem, MessageIcon::Error);
            return false;
        }
    }
    preferences_ = std::make_unique<CPreferences>(store_, placements_);
    static_cast<void>(preferences_->Init()); // false only for a second call
    EngineSetup setup;
    setup.store = &store_;
    setup.configuration = store_.snapshot();
    setup.sondes = preferences_->Sondes();
    if (options_.simulate)
        ensureSonde(setup.sondes);
    // The image memory holds three screens of rows.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setup.visibleHeight = std::max(256, screen->size().height());
    engine_ = std::make_unique<AcquisitionEngine>(setup);
    window_ = std::make_unique<CLumiLoggerDlg>(*engine_, *preferences_, placements_);
    messages_->setParent(window_.get());
    instance_->TrackFirstInstance([this] {
        if (!window_)
            return;
        if (window_->isMinimized())
            window_->showNormal();
        window_->raise();
        window_->activateWindow();
        std::fprintf(stderr, "zarn: a second start brought the window to the front\n");
    });
    window_->resize(window_->sizeHint().width(), 900);
    window_->show();
    if (store_.snapshot().program.splash)
        if (CSplashDlg* splash = CSplashDlg::create(Home::configDir(), window_.get()))
            splash->show();
    // Without the bridge library the link says so and the program runs in replay mode.
    static_cast<void>(engine_->startLink());
    if (options_.open) {
        const std::filesystem::path log = *options_.open;
        QTimer::singleShot(0, window_.get(), [this, log] {
            if (window_->openLog(log))
                window_->panel().OnPlay();
        });
    }
    return true;
}

int CLumiLoggerApp::run() {
    return QApplication::exec();
}

} // namespace zarn::ui
