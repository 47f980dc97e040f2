#include "acquisition/engine/AcquisitionEngine.h"

#include "acquisition/stream/DecoderSettings.h"
#include "platform/StatusBar.h"
#include "platform/UserMessages.h"

#include <cmath>

namespace zarn {

AcquisitionEngine::AcquisitionEngine(const EngineSetup& setup, MessageBus& bus)
    : bus_(bus),
      ownStore_(setup.store ? nullptr : std::make_unique<ConfigurationStore>(setup.configuration)),
      configuration_(setup.store ? *setup.store : *ownStore_), sondes_(setup.sondes),
      bmp_(this, bus), writer_(header_, state_, this), rule_(state_, &writer_),
      usb_(configurationAccess(), DiagnosticLogs::instance(), bus), stream_(this, &usb_, bus),
      decoder_(stream_), recovery_(usb_, configurationAccess()),
      player_(header_, state_, this, this, bus),
      panel_(*this, state_, usb_.flags().sondePowered, operatorPowerOff_) {
    // The header record as the main window resets it when it opens: a log recorded next is
    // dated today.
    header_.ResetHeaderInfo();
    usb_.setTimings(setup.timings);
    usb_.setDecoder(&decoder_);
    usb_.setSequencer(&recovery_);
    // The winch settings frame stores the depth scale the decoder converts counts with.
    usb_.setSettingsChanged([this] { publishSettings(); });
    // Without its memory the row builder has said why and draws nothing; everything else runs.
    static_cast<void>(bmp_.DrawImageBuffer(DisplayRowWidth, ScaleStripWidth, setup.visibleHeight));
    publishSettings();
    configuration_.listen(this, [this] { publishSettings(); });
    // The link asks the panel to switch a powered sonde off when the logger is lost. That
    // request only ever switches off.
    bus_.attach(Role::ProbePanel, [this](const Message& message) {
        if (message.kind == MessageKind::Command && message.id == Cmd::PowerButton)
            panel_.switchOff(PowerPanelLogic::Clock::now());
        else if (message.kind == MessageKind::Command && message.id == Cmd::StopButton)
            stop();
    });
}

AcquisitionEngine::~AcquisitionEngine() {
    configuration_.stopListening(this);
    bus_.detach(Role::ProbePanel);
    player_.CloseLog();
    // Each link thread gets the shutdown's wait; one that is late is still waited for here,
    // before the decoder, the recovery, the stream and the sinks it calls into are destroyed.
    static_cast<void>(usb_.stopLink()); // a late thread is joined just below
    usb_.joinThreads();
    if (state_.recording)
        static_cast<void>(writer_.StopRecording()); // false only when none ran
}

SondeTable AcquisitionEngine::sondes() const {
    std::lock_guard lock(sondesMutex_);
    return sondes_;
}

void AcquisitionEngine::setSondes(const SondeTable& sondes) {
    {
        std::lock_guard lock(sondesMutex_);
        sondes_ = sondes;
    }
    publishSettings();
}

ConfigurationAccess AcquisitionEngine::configurationAccess() {
    return [this](const std::function<void(Configuration&)>& edit) { configuration_.modify(edit); };
}

bool AcquisitionEngine::editConfiguration(const std::function<void(Configuration&)>& edit) {
    return configuration_.edit(edit);
}

void AcquisitionEngine::publishSettings() {
    const Configuration c = configuration_.snapshot();
    const SelectedSonde sonde = sondes().working;
    stream_.setSettings(DecoderSettings::from(c, sonde, state_.replayActive.load()));
    ImageRowSettings rows = bmp_.settings();
    rows.feet = c.program.depthUnit != 0;
    bmp_.setSettings(rows);
}

bool AcquisitionEngine::startLink() {
    return usb_.Start();
}

bool AcquisitionEngine::stopLink() {
    return usb_.stopLink();
}

bool AcquisitionEngine::startRecording(const RecordingSetup& setup) {
    rule_.SetLoggingDirection(setup.loggingDown);
    rule_.SetLastDepth(stream_.snapshot().ImageDepth);
    if (!writer_.StartRecording(setup, configuration_.snapshot(), sondes()))
        return false;
    resetStatistics(false);
    return true;
}

std::optional<std::string> AcquisitionEngine::takeReverseMotionText() {
    if (!rule_.ReverseMotion())
        return std::nullopt;
    rule_.ClearReverseMotion();
    constexpr double MovingSpeed = 0.1; // m/min
    const double speed = stream_.snapshot().Speed;
    const bool withTheLog = rule_.LoggingDown() ? speed > MovingSpeed : speed < MovingSpeed;
    return std::string(withTheLog ? "Wait last valid depth..." : "Bad Winch Direction !!!");
}

void AcquisitionEngine::showStatusText(std::string_view text) {
    StatusBar::current().setPaneText(0, text);
}

bool AcquisitionEngine::endRecording() {
    return writer_.StopRecording();
}

// ---- Probe control panel ----

void AcquisitionEngine::tick(PowerPanelLogic::TimePoint now) {
    panel_.tick(now);
    if (!nextRefresh_ || now >= *nextRefresh_) {
        panel_.refreshButton();
        nextRefresh_ = now + std::chrono::milliseconds(300);
    }
}

void AcquisitionEngine::resetStatistics(bool keepGoodFrames) {
    if (!keepGoodFrames)
        stream_.resetGoodFrameCount();
    TransmissionStatistics& s = usb_.statistics();
    s.receivedFrames = 0;
    s.videoRequests = 0;
    s.recoveries = 0;
    s.panelRequests = 0;
    s.panelRecoveries = 0;
    s.resetLossCounters();
}

void AcquisitionEngine::stop() {
    state_.playing = false;
    if (state_.replayActive || state_.logLoaded)
        closeReplay();
    static_cast<void>(writer_.StopRecording()); // false only when no recording ran
    state_.suspended = false;
    state_.paused = false;
    state_.logLoaded = false;
}

PowerLoggerStatus AcquisitionEngine::loggerStatus() const {
    const LoggerStatusBytes s = stream_.snapshot().LoggerStatus;
    PowerLoggerStatus p;
    p.statusReceived = s.StatusReceived != 0;
    p.flags = s.Flags;
    p.upholeGainEcho = s.Byte1;
    p.downholeEnergyEcho = s.Byte2;
    p.echoWord2 = s.EchoWord2;
    p.echoWord4 = s.EchoWord4;
    p.echoByte6 = s.EchoByte6;
    return p;
}

std::optional<WinchSettingsBytes> AcquisitionEngine::sentWinchSettings() const {
    const std::optional<CommandFrame> f = usb_.lastWinchSettingsFrame();
    if (!f || f->length < 7)
        return std::nullopt;
    return WinchSettingsBytes{f->bytes[2], f->bytes[3], f->bytes[4], f->bytes[5], f->bytes[6]};
}

std::optional<DownholeSettingsBytes> AcquisitionEngine::sentDownholeSettings() const {
    const std::optional<CommandFrame> f = usb_.lastDownholeSettingsFrame();
    if (!f || f->length < 3)
        return std::nullopt;
    return DownholeSettingsBytes{f->bytes[1], f->bytes[2]};
}

bool AcquisitionEngine::stopEnabled() const {
    return state_.logLoaded || state_.recording;
}

void AcquisitionEngine::stopRecording() {
    static_cast<void>(writer_.StopRecording()); // false only when no recording ran
}

void AcquisitionEngine::restartDisplay() {
    bmp_.RestartDisplay();
    for (Role role :
         {Role::CameraPanel, Role::ProbePage, Role::DeviationWindow, Role::CommunicationPage})
        bus_.post(role, command(Cmd::ClearReadBack));
}

bool AcquisitionEngine::sondeSelected() const {
    return sondes().selectedSlot().occupied();
}

void AcquisitionEngine::showMessage(std::string_view text) {
    UserMessages::current().notify(
        UserMessage{std::string(text), "ZARN", MessageIcon::Error, MessageButtons::Ok});
}

NewLogResult AcquisitionEngine::prepareNewLog(const std::filesystem::path& folder,
                                              const std::string& title, bool loggingDown,
                                              std::optional<int> splitLength) {
    const MeasurementRecord now = stream_.snapshot();
    NewLogRequest request;
    request.folder = std::filesystem::absolute(folder);
    request.title = title;
    request.loggingDown = loggingDown;
    request.splitLength = splitLength;
    request.loggerDepth = now.LoggerDepth;
    request.imageDepth = now.ImageDepth;
    // The question may be asked: no lock is held while it waits.
    Configuration configuration = configuration_.snapshot();
    NewLogCreation creation(configuration);
    NewLogResult made = creation.Create(request);
    if (made.outcome == NewLogOutcome::Ready && !editConfiguration([&](Configuration& c) {
            c.paths = configuration.paths;
            c.program.recordSplit = configuration.program.recordSplit;
        }))
        showMessage("The new log's paths could not be saved in the configuration file.");
    return made;
}

bool AcquisitionEngine::openReplay(const std::filesystem::path& headerPath, std::string& error,
                                   Progress& progress) {
    bool started = false;
    switch (openReplayLog(headerPath, progress)) {
    case CReplayPlayer::OpenResult::Failed:
        error = "cannot open the log " + headerPath.string();
        return false;
    case CReplayPlayer::OpenResult::Cancelled:
        error = "the opening of " + headerPath.string() + " was cancelled";
        return false;
    case CReplayPlayer::OpenResult::ChooseDepth:
        started = startReplayAtDepth(std::nullopt);
        break;
    case CReplayPlayer::OpenResult::ChooseFile:
        started = startReplayAtFile(std::nullopt);
        break;
    }
    if (!started)
        error = "no record could be read from " + player_.DataFilePath().string();
    return started;
}

CReplayPlayer::OpenResult AcquisitionEngine::openReplayLog(const std::filesystem::path& headerPath,
                                                           Progress& progress) {
    state_.replayActive = true;
    resetDepthPerLine(); // the log's own rows give it again
    publishSettings();
    progress.stage("Load loging file, wait ..");
    const CReplayPlayer::OpenResult result = player_.OpenLog(headerPath, nullptr, progress);
    if (result == CReplayPlayer::OpenResult::Failed ||
        result == CReplayPlayer::OpenResult::Cancelled)
        leaveReplayMode();
    return result;
}

bool AcquisitionEngine::startReplayAtDepth(std::optional<double> depthMetres, Progress& progress) {
    const bool started = player_.StartAtDepth(depthMetres, progress);
    if (!started)
        leaveReplayMode();
    return started;
}

bool AcquisitionEngine::startReplayAtFile(std::optional<int> fileIndex) {
    const bool started = player_.StartAtFile(fileIndex);
    if (!started)
        leaveReplayMode();
    return started;
}

void AcquisitionEngine::leaveReplayMode() {
    state_.replayActive = false;
    publishSettings();
}

bool AcquisitionEngine::playToEnd(int speedSlider, Progress& progress) {
    player_.SetSpeedSlider(speedSlider);
    state_.playing = true;
    progress.stage("Replaying ...");
    player_.StartPlayback();
    return player_.WaitForPlaybackEnd(progress);
}

void AcquisitionEngine::closeReplay() {
    player_.CloseLog();
    state_.replayActive = false;
    publishSettings();
}

void AcquisitionEngine::setRowObserver(RowObserver observer) {
    std::lock_guard lock(observerMutex_);
    observer_ = std::move(observer);
}

void AcquisitionEngine::setGammaObserver(GammaObserver observer) {
    std::lock_guard lock(observerMutex_);
    gammaObserver_ = std::move(observer);
}

// ---- StreamSink ----

RecordingDecision AcquisitionEngine::recordingRule(MeasurementRecord& record) {
    return rule_.Apply(record);
}

void AcquisitionEngine::writeLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                                     MeasurementRecord& record) {
    writer_.WriteLogFile(frame, payloadLength, record);
}

void AcquisitionEngine::decodeMode8(std::span<const std::uint8_t> payload, int pixelsPerRow,
                                    int direction, int parameter, const MeasurementRecord& record) {
    bmp_.DrawDpcmPayload(payload, pixelsPerRow, direction, parameter, record);
}

void AcquisitionEngine::decodeMode16(std::span<const std::uint8_t> payload, int pixelsPerRow,
                                     int direction, int parameter,
                                     const MeasurementRecord& record) {
    bmp_.DrawDctPayload(payload, pixelsPerRow, direction, parameter, record);
}

void AcquisitionEngine::decodeUncompressed(std::span<const std::uint8_t> /*payload*/,
                                           int pixelsPerRow, int direction,
                                           const MeasurementRecord& record) {
    bmp_.DrawBlankPayload(pixelsPerRow, direction, record);
}

void AcquisitionEngine::showAlarm(int code, std::string_view title, std::string_view message) {
    alarm_.publish(EngineAlarm{code, std::string(title), std::string(message)});
    ++alarms_;
}

// ---- ReplaySink ----

void AcquisitionEngine::publishRecord(const MeasurementRecord& record, int /*recordLength*/) {
    replayed_.publish(record);
}

void AcquisitionEngine::enterReplayState() {
    bmp_.RestartDisplay();
}

// ---- ImageRowHost ----

void AcquisitionEngine::showGamma(double gamma) {
    std::lock_guard lock(observerMutex_);
    if (gammaObserver_)
        gammaObserver_(gamma);
}

void AcquisitionEngine::rowDrawn(const DrawnRow& row) {
    // The distance a line covers, whichever way the sonde moves.
    depthPerLine_ = std::fabs(row.depthStep);
    std::lock_guard lock(observerMutex_);
    if (observer_)
        observer_(row, row.depth);
}

} // namespace zarn
