// The acquisition engine: the link, the stream decoder, the video packet recovery, the image row
// builder, the recording and the replay, composed as the application runs them, without
// windows. The main window and zarn-cli each own one and add what they show.
//
// Data path. Live: the link's reader thread hands frames to the stream decoder (through the
// video packet recovery); the decoder asks the recording rule, draws the payload through the
// row builder and appends the frame to the data log. Replay: the player's thread reads the
// records and hands them to the same row builder. Observers of drawn rows (a picture being
// made) see each row on the drawing thread right after it was drawn.
//
// Threads: the operations below are called from the owner's thread; the callbacks run on the
// reader or the playback thread. The configuration lives in the application's configuration
// store (or the engine's own when the setup brings none); every edit republishes the decoder's
// settings.
#pragma once

#include "acquisition/app/ConfigurationStore.h"
#include "acquisition/app/PowerPanelHost.h"
#include "acquisition/app/PowerPanelLogic.h"
#include "acquisition/app/RecorderState.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/app/SondeTable.h"
#include "acquisition/link/ToolsStreamDecoder.h"
#include "acquisition/link/USB.h"
#include "acquisition/link/VideoRecovery.h"
#include "acquisition/logfiles/DataLogWriter.h"
#include "acquisition/logfiles/Header.h"
#include "acquisition/logfiles/LogFilesDisplay.h"
#include "acquisition/logfiles/NewLog.h"
#include "acquisition/logfiles/RecordingRule.h"
#include "acquisition/logfiles/ReplayPlayer.h"
#include "acquisition/logfiles/ReplaySink.h"
#include "acquisition/stream/StreamSink.h"
#include "acquisition/stream/ToolsBmp.h"
#include "acquisition/stream/ToolsStream.h"
#include "platform/MessageBus.h"
#include "platform/Progress.h"
#include "platform/Shared.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>

namespace zarn {

struct EngineSetup {
    // The application's configuration, which the engine reads and edits; it must outlive the
    // engine. When null the engine keeps its own store, made from `configuration`.
    ConfigurationStore* store = nullptr;
    Configuration configuration;
    SondeTable sondes;
    // The image memory: display rows of the main window's width, three of these heights.
    int visibleHeight = 1024;
    LinkTimings timings{};
};

// An alarm raised by a frame (code 0 encoder error, 1 low battery).
struct EngineAlarm {
    int code = -1;
    std::string title;
    std::string message;
};

class AcquisitionEngine final : private StreamSink,
                                private ReplaySink,
                                private ImageRowHost,
                                private LogFilesDisplay,
                                private PowerPanelHost {
public:
    // Display row width and depth scale strip of the main window's image memory.
    static constexpr int DisplayRowWidth = 773;
    static constexpr int ScaleStripWidth = 53;

    using RowObserver = std::function<void(const DrawnRow& row, double depth)>;
    // The gamma of each image payload (counts per second), for the depth display.
    using GammaObserver = std::function<void(double gamma)>;
    // The depth per image line while it is not known.
    static constexpr double NoDepthPerLine = -9999.0;

    explicit AcquisitionEngine(const EngineSetup& setup, MessageBus& bus = MessageBus::instance());
    // Stops the playback and the link first, and joins every link thread (a late one too), so
    // no thread calls into a part being destroyed.
    ~AcquisitionEngine() override;
    AcquisitionEngine(const AcquisitionEngine&) = delete;
    AcquisitionEngine& operator=(const AcquisitionEngine&) = delete;

    // ---- Parts ----
    CUSB& link() { return usb_; }
    CToolsStream& stream() { return stream_; }
    CToolsBmp& image() { return bmp_; }
    VideoRecovery& recovery() { return recovery_; }
    CHeader& header() { return header_; }
    CDataLogWriter& writer() { return writer_; }
    CRecordingRule& recordingRule() { return rule_; }
    CReplayPlayer& player() { return player_; }
    RecorderState& recorderState() { return state_; }
    PowerPanelLogic& panel() { return panel_; }

    Configuration configuration() const { return configuration_.snapshot(); }
    SondeTable sondes() const;
    // The sonde table after the probe page changed it (selection, import, removal, edits).
    void setSondes(const SondeTable& sondes);
    // Edits the configuration through its store (saved when the store has a saver) and
    // republishes the decoder's and the row builder's settings. False when it was not saved.
    [[nodiscard]] bool editConfiguration(const std::function<void(Configuration&)>& edit);

    // ---- Link ----
    // Binds the bridge library and starts the link check (CUSB::Start). False when the library
    // does not bind.
    [[nodiscard]] bool startLink();
    // The shutdown of the link threads; true when they all ended in the shutdown's wait. A late
    // thread is joined by the destructor.
    [[nodiscard]] bool stopLink();

    // ---- Probe control panel ----
    // Serves the panel's deadlines and, every 300 ms, its refresh; the owner calls it often
    // from its own thread, after delivering the messages posted to it (the link's request to
    // switch the sonde off arrives as a message to the probe control panel).
    void tick(PowerPanelLogic::TimePoint now);
    // The panel's statistics reset; keepGoodFrames leaves the good-frame count.
    void resetStatistics(bool keepGoodFrames = false);
    // The panel's Stop (1042): playback and recording stop, the log is unloaded.
    void stop() override;

    // ---- Recording ----
    // "New log." after the save dialog and the recording mode: names the log in folder under
    // title (asking before an old log of that name is replaced, and deleting it on Yes), from
    // where the sonde is now, and takes the new paths and split length into the configuration
    // (its saver, when the store has one, writes them). Runs on the windows' thread.
    [[nodiscard]] NewLogResult prepareNewLog(const std::filesystem::path& folder,
                                             const std::string& title, bool loggingDown,
                                             std::optional<int> splitLength);
    // Recording start of a new log: the recording mode's direction and the current image depth
    // go to the recording rule, then the data log writer starts and the statistics are reset
    // (good-frame count included), as the panel's recording start does. False when it did not
    // start.
    [[nodiscard]] bool startRecording(const RecordingSetup& setup);
    // The panel's status text for a depth reversal flagged by the recording rule, which is then
    // cleared: "Wait last valid depth..." while the winch moves in the logging direction (down:
    // faster than 0.1 m/min; up: slower than 0.1 m/min), "Bad Winch Direction !!!" otherwise.
    // Nothing when no reversal was flagged.
    std::optional<std::string> takeReverseMotionText();
    // Recording stop; false when no recording ran.
    [[nodiscard]] bool endRecording();

    // ---- Replay ----
    // Opens a log and starts it at its first record ("All" or the first data file). False with
    // the reason in `error` when it cannot be replayed (or the repair of an interrupted
    // recording was cancelled through progress).
    [[nodiscard]] bool openReplay(const std::filesystem::path& headerPath, std::string& error,
                                  Progress& progress = noProgress());
    // The same in the window's two steps. First the log is opened (repaired when needed) and
    // the player says which start the operator chooses: ChooseDepth ("Set depth start") or
    // ChooseFile ("Multi file selector"); Failed and Cancelled leave replay mode.
    [[nodiscard]] CReplayPlayer::OpenResult openReplayLog(const std::filesystem::path& headerPath,
                                                          Progress& progress = noProgress());
    // Then the start chosen (none: the first record, the first file). False when no record
    // could be read; replay mode is left then.
    [[nodiscard]] bool startReplayAtDepth(std::optional<double> depthMetres,
                                          Progress& progress = noProgress());
    [[nodiscard]] bool startReplayAtFile(std::optional<int> fileIndex);
    // Plays from the current position to the end of the last data file and waits for it,
    // reporting to progress. False when progress was cancelled (the playback is stopped).
    [[nodiscard]] bool playToEnd(int speedSlider, Progress& progress = noProgress());
    void closeReplay();

    // ---- Image ----
    // Observes every row drawn (on the drawing thread); empty to stop.
    void setRowObserver(RowObserver observer);
    // Observes the gamma of every mode-16 and blank payload, live or replayed (on the drawing
    // thread); empty to stop.
    void setGammaObserver(GammaObserver observer);
    // The depth one image line covers (metres, the distance between the last two rows drawn),
    // NoDepthPerLine before the first rows and after a reset (a new log or run).
    double depthPerLine() const { return depthPerLine_.load(); }
    void resetDepthPerLine() { depthPerLine_ = NoDepthPerLine; }
    // The last alarm raised, for the owner's display (code -1: none).
    EngineAlarm lastAlarm() const { return alarm_.snapshot(); }
    std::uint64_t alarmsRaised() const { return alarms_.load(); }
    // The last record replayed (the stream decoder's snapshot holds the live one).
    MeasurementRecord replayedRecord() const { return replayed_.snapshot(); }
    // The record the read-outs show: the replayed one in replay, else the live one.
    MeasurementRecord shownRecord() const {
        return state_.replayActive ? replayed_.snapshot() : stream_.snapshot();
    }

private:
    // StreamSink
    RecordingDecision recordingRule(MeasurementRecord& record) override;
    void writeLogFile(std::span<const std::uint8_t> frame, int payloadLength,
                      MeasurementRecord& record) override;
    void decodeMode8(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                     int parameter, const MeasurementRecord& record) override;
    void decodeMode16(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                      int parameter, const MeasurementRecord& record) override;
    void decodeUncompressed(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                            const MeasurementRecord& record) override;
    void showAlarm(int code, std::string_view title, std::string_view message) override;

    // ReplaySink
    void publishRecord(const MeasurementRecord& record, int recordLength) override;
    void enterReplayState() override;

    // LogFilesDisplay: the recording's and the replay's texts go to the first status bar pane.
    void showStatusText(std::string_view text) override;

    // ImageRowHost
    bool recordingActive() override { return state_.recording.load(); }
    void showGamma(double gamma) override;
    void rowDrawn(const DrawnRow& row) override;

    // PowerPanelHost
    bool sendBufferEmpty() const override { return usb_.pendingLength() == 0; }
    PowerLoggerStatus loggerStatus() const override;
    void clearStatusReceived() override { stream_.clearStatusReceived(); }
    std::optional<WinchSettingsBytes> sentWinchSettings() const override;
    std::optional<DownholeSettingsBytes> sentDownholeSettings() const override;
    int linkState() const override { return usb_.linkState(); }
    [[nodiscard]] bool sendF0() override { return usb_.sendF0(); }
    [[nodiscard]] bool sendF1() override { return usb_.sendF1(); }
    [[nodiscard]] bool sendF3() override { return usb_.sendF3(); }
    [[nodiscard]] bool sendF11() override { return usb_.sendF11(); }
    [[nodiscard]] bool sendF12() override { return usb_.sendF12(); }
    void resetStatistics() override { resetStatistics(false); }
    void clearOrientationResults() override { stream_.clearOrientationResults(); }
    bool stopEnabled() const override;
    void stopRecording() override;
    void restartDisplay() override;
    bool sondeSelected() const override;
    void showMessage(std::string_view text) override;

    void publishSettings();
    void leaveReplayMode();
    ConfigurationAccess configurationAccess();

    MessageBus& bus_;
    std::unique_ptr<ConfigurationStore> ownStore_; // when the setup brings no store
    ConfigurationStore& configuration_;
    mutable std::mutex sondesMutex_;
    SondeTable sondes_;
    RecorderState state_;

    CToolsBmp bmp_;
    CHeader header_;
    CDataLogWriter writer_;
    CRecordingRule rule_;
    CUSB usb_;
    CToolsStream stream_;
    ToolsStreamDecoder decoder_;
    VideoRecovery recovery_;
    CReplayPlayer player_;
    std::atomic<bool> operatorPowerOff_{false};
    PowerPanelLogic panel_;
    std::optional<PowerPanelLogic::TimePoint> nextRefresh_;

    std::mutex observerMutex_;
    RowObserver observer_;
    GammaObserver gammaObserver_;
    std::atomic<double> depthPerLine_{NoDepthPerLine};
    Shared<EngineAlarm> alarm_;
    std::atomic<std::uint64_t> alarms_{0};
    Shared<MeasurementRecord> replayed_;
};

} // namespace zarn
