// The link object: binds the USB bridge library, owns the device handle, builds and sends the
// command frames, keeps the link to the logger alive and turns the incoming bytes into frames,
// and asks the sonde again for lost video packets.
//
// CUSB is the face of the link; the work is done by its parts. LinkDevice makes the bridge
// calls through the bound pointers (a call whose pointer is not bound shows "<name> is not
// valid!" and fails with status 1). CommandSender builds each command frame from the shared
// configuration by its row of the send table, checks it and hands it to the FrameSender, whose
// one thread writes the frames whole and in order. LinkSupervisor keeps the threads' lifetimes.
//
// Threads (USBThreads.cpp): Start runs the link check thread, which finds and opens the logger
// and then starts the reader thread and ends. The reader reads the device in pieces of at most
// 24 bytes, runs them through the packet framing and hands each frame to the dispatcher. When
// the device disappears the reader starts a new link check thread and ends. stopLink sets the
// closing flag that every thread polls and gives each thread the shutdown's wait; joinThreads
// (and the destructor) then waits for any thread that is late, so that no link thread outlives
// what it calls into. The threads talk to the windows only through the message bus, the status
// bar, the message boxes' non-blocking notify, the beeper and the records they read.
#pragma once

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/link/CommandSender.h"
#include "acquisition/link/ConfigurationAccess.h"
#include "acquisition/link/FrameDecoder.h"
#include "acquisition/link/FrameDispatcher.h"
#include "acquisition/link/FrameSender.h"
#include "acquisition/link/LinkDevice.h"
#include "acquisition/link/LinkFlags.h"
#include "acquisition/link/LinkSupervisor.h"
#include "acquisition/link/PacketFramer.h"
#include "acquisition/link/RawCapture.h"
#include "acquisition/link/TransmissionStatistics.h"
#include "acquisition/link/VideoPacketSequencer.h"
#include "acquisition/link/VideoRequestTable.h"
#include "acquisition/stream/FrameSource.h"
#include "platform/MessageBus.h"
#include "platform/Shared.h"
#include "platform/ftd2xx/Ftd2xxLibrary.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// How long the shutdown waits for each link thread to end.
inline constexpr std::chrono::milliseconds LinkThreadWait{2000};

// The link's waits. The defaults are the program's; tests shorten them.
struct LinkTimings {
    std::chrono::milliseconds retryInterval{250};      // between two link checks
    std::chrono::milliseconds afterPowerOff{500};      // after the power-off frame of a link start
    std::chrono::milliseconds afterWinchSettings{300}; // after F1 at the first reader start
    std::chrono::milliseconds dataWaitPause{20};       // after each empty read from the tenth on
    std::chrono::milliseconds threadWait = LinkThreadWait; // the shutdown's, per link thread
};

// The device's read and write timeouts of one phase of the link.
struct DeviceTimeouts {
    std::uint32_t readMs = 0;
    std::uint32_t writeMs = 0;
    bool operator==(const DeviceTimeouts&) const = default;
};

// The link's texts: the link status (status bar pane 1), the device name and the logger's serial
// number.
struct LinkTexts {
    std::string linkText;
    std::string deviceName;
    std::string serialNumber;
    bool operator==(const LinkTexts&) const = default;
};

// The configuration is reached through ConfigurationAccess. The link reads the settings its
// frames carry and writes back what some frames store: the encoder scale, depth scale and
// encoder frequency (F1), the capture adjust period (F12 with a long shutter), and the one-shot
// flash word and grey calibration trigger (F13.1, F13.4).
class CUSB : public FrameSource {
public:
    // Codes of the error report.
    static constexpr int ReadErrorCode = 1052;
    static constexpr int DisconnectedCode = 5500;
    static constexpr int SendErrorCode = 5570;
    // The status of a call through a pointer that is not bound.
    static constexpr FT_STATUS UnboundStatus = LinkDevice::UnboundStatus;
    // A re-request waits this many times this long for the send queue to empty.
    static constexpr int RequestWaits = 50;
    static constexpr std::chrono::milliseconds RequestWaitStep{15};

    static constexpr const char* DefaultSerialNumber = "QV-00000000";
    // Identities of the logger's USB bridge.
    static constexpr std::uint16_t LoggerVendorId = 0x0403;
    static constexpr std::uint16_t LoggerProductIds[2] = {0xED30, 0x6001};
    // Link check attempts after a loss before the link is declared stopped.
    static constexpr int RetriesBeforeStop = 35;
    // Empty reads in a row before "Data wait ..." shows.
    static constexpr int EmptyReadsBeforeDataWait = 10;
    // How long the shutdown waits for each link thread.
    static constexpr std::chrono::milliseconds ThreadWait = LinkThreadWait;
    // The device's settings in each phase: while an identified logger is prepared, after the
    // link check, at the reader's start (with its latency) and before each read.
    static constexpr DeviceTimeouts PrepareTimeouts{3000, 3000};
    static constexpr DeviceTimeouts LinkCheckTimeouts{3, 3};
    static constexpr std::uint8_t LinkCheckLatencyMs = 2;
    static constexpr DeviceTimeouts ReaderStartTimeouts{1500, 100};
    static constexpr std::uint8_t ReaderLatencyMs = 1;
    static constexpr DeviceTimeouts ReadTimeouts{300, 100};
    // How the reader thread ended.
    static constexpr int ReaderClosed = 1000;
    static constexpr int ReaderNotStarted = 1001; // the program was closing already
    static constexpr int ReaderDeviceGone = 1128;
    static constexpr int ReaderAlreadyActive = 1256;

    explicit CUSB(ConfigurationAccess settings, DiagnosticLogs& logs = DiagnosticLogs::instance(),
                  MessageBus& bus = MessageBus::instance());
    explicit CUSB(Shared<Configuration>& settings,
                  DiagnosticLogs& logs = DiagnosticLogs::instance(),
                  MessageBus& bus = MessageBus::instance());
    // Stops the link (closing flag, threads joined, sender ended); closes the device.
    ~CUSB() override;
    CUSB(const CUSB&) = delete;
    CUSB& operator=(const CUSB&) = delete;

    // Loads the bridge library (Ftd2xxLibrary::libraryName) and binds its calls. On failure
    // shows "USB Driver not installed." or the missing name, and the link stays unavailable.
    [[nodiscard]] bool bindLibrary();
    const Ftd2xxLibrary& library() const { return device_.library(); }

    LinkFlags& flags() { return flags_; }
    const LinkFlags& flags() const { return flags_; }
    TransmissionStatistics& statistics() { return statistics_; }

    // The text of a bridge status; empty for a status without one.
    static std::string_view statusText(FT_STATUS status);
    // The location text of an error report code.
    static std::string errorLocation(int code);
    // Writes the code's location and the status text to the error log.
    void errorReport(FT_STATUS status, int code);

    // Bridge calls on this link's device (LinkDevice).
    [[nodiscard]] FT_STATUS ftOpen(int deviceIndex) {
        return device_.open(deviceIndex);
    } // keeps the handle
    [[nodiscard]] FT_STATUS ftOpenEx(const std::string& text, std::uint32_t openBy) {
        return device_.openEx(text, openBy);
    }
    [[nodiscard]] FT_STATUS ftClose() { return device_.close(); } // closes only an open handle
    bool deviceOpen() const { return device_.isOpen(); }
    [[nodiscard]] FT_STATUS ftResetDevice() { return device_.resetDevice(); }
    [[nodiscard]] FT_STATUS ftPurge(std::uint32_t which) { return device_.purge(which); }
    [[nodiscard]] FT_STATUS ftSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
        return device_.setTimeouts(readMs, writeMs);
    }
    [[nodiscard]] FT_STATUS ftSetTimeouts(DeviceTimeouts timeouts) {
        return ftSetTimeouts(timeouts.readMs, timeouts.writeMs);
    }
    [[nodiscard]] FT_STATUS ftGetQueueStatus(std::uint32_t& received) {
        return device_.getQueueStatus(received);
    }
    [[nodiscard]] FT_STATUS ftRead(void* buffer, std::uint32_t wanted, std::uint32_t& received) {
        return device_.read(buffer, wanted, received);
    }
    [[nodiscard]] FT_STATUS ftWrite(const void* buffer, std::uint32_t length,
                                    std::uint32_t& written) {
        return device_.write(buffer, length, written);
    }
    [[nodiscard]] FT_STATUS ftEeRead(FT_EEPROM_RECORD& record);
    [[nodiscard]] FT_STATUS ftSetLatencyTimer(std::uint8_t milliseconds) {
        return device_.setLatencyTimer(milliseconds);
    }
    [[nodiscard]] FT_STATUS ftGetLatencyTimer(std::uint8_t& milliseconds) {
        return device_.getLatencyTimer(milliseconds);
    }

    // Send operations: each builds its frame from the current settings, checks it and hands it
    // to the sender; true when handed over. They return without waiting for the write.
    [[nodiscard]] bool sendF0();
    [[nodiscard]] bool sendF1();
    [[nodiscard]] bool sendF2();
    [[nodiscard]] bool sendF3();
    [[nodiscard]] bool sendF11();
    [[nodiscard]] bool sendF12();
    [[nodiscard]] bool sendF13ViewMode();
    [[nodiscard]] bool sendF13Flash();
    [[nodiscard]] bool sendF13ColourGains();
    [[nodiscard]] bool sendF13PictureCircle();
    [[nodiscard]] bool sendF13GreyCalibration();
    [[nodiscard]] bool sendF13OrientationFilter();
    [[nodiscard]] bool sendF13Diagnostic();
    [[nodiscard]] bool sendF13CalibrationDate();
    // Writes the last frame once more (the second write of F0 at a link start, the second pass
    // of F1 at the first reader start).
    [[nodiscard]] bool sendAgain();

    // Bytes handed over and not written yet; 0 when the link is free.
    std::uint32_t pendingLength() const { return sender_.pendingLength(); }
    [[nodiscard]] bool waitUntilSent(std::chrono::milliseconds timeout) const {
        return sender_.waitUntilIdle(timeout);
    }
    // Ready for a settings window's order: nothing pending and a frame arrived since the last
    // order.
    bool linkReadyForCommand() const;
    // As linkReadyForCommand, and takes the arrived frame, so that at most one order goes out
    // per received frame. The caller sends its order when this returns true.
    [[nodiscard]] bool claimLinkForCommand();

    // Working values of the settings windows that go into F13 orders.
    void setWorkingValues(const CommandWorkingValues& values) {
        commands_.setWorkingValues(values);
    }
    CommandWorkingValues workingValues() const { return commands_.workingValues(); }

    // Asks the sonde to send a video packet again: waits for the link to be free (at most 50 x
    // 15 ms, else false and nothing sent), notes the index in the request table when remember
    // is set and it is not there yet, counts the request when count is set, and sends F12 with
    // the request mark and the index. Reader thread only.
    [[nodiscard]] bool requestVideoPacket(std::uint8_t index, bool remember, bool count);
    VideoRequestTable& requestTable() { return requests_; }
    std::uint8_t lastRequestedIndex() const { return lastRequested_.load(); }

    // The last winch settings frame handed over (the stream decoder compares the logger's echo
    // with it); empty before the first.
    std::optional<CommandFrame> lastWinchSettingsFrame() const;
    // The last downhole settings frame handed over (the power-on sequence compares the logger's
    // echo of uphole gain and downhole energy with it); empty before the first.
    std::optional<CommandFrame> lastDownholeSettingsFrame() const;

    // ---- Link threads (USBThreads.cpp) ----

    // Called once by the main window's initialisation: sets the device name "Logger" and the
    // serial "QV-00000000", binds the library and, when that worked, shows "Checking USB
    // status." and starts the link check thread; otherwise shows "USB not installed.". The link
    // check opens device 0 and identifies the logger by its EEPROM (vendor and product ids).
    [[nodiscard]] bool Start();
    // The shutdown: sets the closing flag and waits up to the timings' thread wait (or `wait`)
    // for the reader and for the link check thread each; true when both ended. A thread still
    // running then is noted in the error log; it is not abandoned: joinThreads waits for it.
    // Nothing is shown on the status bar from then on.
    [[nodiscard]] bool stopLink();
    [[nodiscard]] bool stopLink(std::chrono::milliseconds wait);
    // Sets the closing flag and joins the reader, the link check and the sender threads for
    // good, however long they take. After it returns no link thread calls into the decoder,
    // the sequencing or the hooks, and nothing more is written to the device. The owner calls
    // it before destroying anything the threads use.
    void joinThreads();

    // Set before Start.
    void setTimings(const LinkTimings& timings) { timings_ = timings; }
    // The decoder and the video packet sequencing behind the dispatcher (any thread).
    void setDecoder(FrameDecoder* decoder);
    void setSequencer(VideoPacketSequencer* sequencer) { dispatcher_.setSequencer(sequencer); }
    FrameDispatcher& dispatcher() { return dispatcher_; }

    // The process-wide link state (LinkState).
    int linkState() const { return linkState_.load(); }
    LinkTexts texts() const { return texts_.snapshot(); }
    // The device name and serial number the reader passed on for the about box at its start.
    LinkTexts aboutIdentity() const { return about_.snapshot(); }
    // How the last reader thread ended (0 before the first ended).
    int lastReaderExit() const { return lastReaderExit_.load(); }

    // Raw capture of every byte the reader receives (RawCapture); any thread.
    [[nodiscard]] bool startRawCapture(const std::filesystem::path& path) {
        return capture_.start(path);
    }
    void stopRawCapture() { capture_.stop(); }
    bool rawCaptureActive() const { return capture_.active(); }

    // The depth of the operator's messages: "%.2f", or " --- " when it is not finite or outside
    // -100000 to 100000.
    static std::string depthText(double depth);

    // The frame source of the stream decoder: the received-frame counter, the winch settings
    // echo.
    std::uint32_t frameCounter() const override;
    std::optional<WinchSettingsEcho> lastWinchSettings() const override;
    void resendWinchSettings() override;

    // The main window's refresh: status only after each frame written and after each failed
    // link check, full after the device was lost. Any thread.
    void setRefreshDataView(std::function<void(bool statusOnly)> refresh);
    // Called, on the sending thread, after a frame's build changed the configuration, so that
    // the owner can pass the change on (the decoder's depth scale follows F1).
    void setSettingsChanged(std::function<void()> changed);

private:
    void writeFrame(std::span<const std::uint8_t> frame);
    void refreshDataView(bool statusOnly);
    void settingsChanged();

    // Link threads.
    [[nodiscard]] bool startLinkCheck();
    void runLinkCheck();
    [[nodiscard]] bool openLogger();
    [[nodiscard]] bool openAndIdentify();
    void prepareDevice();
    void noLogger();
    // Returns how the reader ended (also kept for lastReaderExit).
    [[nodiscard]] int runReader();
    // Reads until the program closes (FT_OK) or the device is gone (the failing status).
    [[nodiscard]] FT_STATUS readLoop();
    double lastDepth() const;
    void deviceGone(FT_STATUS status);
    // Sleeps unless the program closes first; false when it is closing.
    [[nodiscard]] bool pause(std::chrono::milliseconds duration) {
        return supervisor_.pause(duration);
    }
    void showPane(int pane, std::string_view text);
    void setLinkText(const std::string& text);
    void errorBox(const std::string& text);
    void pressPowerButton();

    ConfigurationAccess settings_;
    DiagnosticLogs& logs_;
    LinkDevice device_;
    LinkFlags flags_;
    TransmissionStatistics statistics_;
    VideoRequestTable requests_;
    std::atomic<std::uint8_t> lastRequested_{0};
    mutable std::mutex hooksMutex_;
    std::function<void(bool)> refresh_;
    std::function<void()> changed_;
    // Its thread writes through this object; the destructor ends it first.
    FrameSender sender_;
    CommandSender commands_;

    MessageBus& bus_;
    LinkTimings timings_;
    std::atomic<int> linkState_{0};
    Shared<LinkTexts> texts_;
    Shared<LinkTexts> about_;
    std::atomic<int> lastReaderExit_{0};
    std::atomic<bool> started_{false};
    int animation_ = 0; // link check thread only
    std::atomic<int> retries_{0};
    std::atomic<bool> powerOffPending_{false}; // a power button press is waiting for the panel
    FrameDispatcher dispatcher_;
    std::unique_ptr<PacketFramer> framer_; // reader thread only
    RawCapture capture_;
    std::atomic<FrameDecoder*> decoder_{nullptr};

    // The threads' lifetimes; last, so that its threads end before anything above goes.
    LinkSupervisor supervisor_;
};

} // namespace zarn
