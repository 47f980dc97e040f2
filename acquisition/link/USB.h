// The link object: binds the USB bridge library, owns the device handle, builds and sends the
// command frames, and asks the sonde again for lost video packets.
//
// The bridge calls are made only through the pointers bound here. A call whose pointer is not
// bound shows "<name> is not valid!" and fails with status 1. Command frames are built from the
// shared configuration, checked and handed to one sender thread that writes them whole and in
// order (FrameSender).
#pragma once

#include "acquisition/app/DiagnosticLogs.h"
#include "acquisition/app/SettingsRecords.h"
#include "acquisition/link/CommandFrames.h"
#include "acquisition/link/FrameSender.h"
#include "acquisition/link/LinkFlags.h"
#include "acquisition/link/TransmissionStatistics.h"
#include "acquisition/link/VideoRequestTable.h"
#include "platform/Shared.h"
#include "platform/ftd2xx/Ftd2xxLibrary.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// How the link reaches the configuration: runs a short edit (or read) on it under the owner's
// lock. The link reads the settings its frames carry and writes back what some frames store:
// the encoder scale, depth scale and encoder frequency (F1), the capture adjust period (F12 with
// a long shutter), and the one-shot flash word and grey calibration trigger (F13.1, F13.4).
using ConfigurationAccess = std::function<void(const std::function<void(Configuration&)>&)>;

class CUSB {
public:
    // Codes of the error report.
    static constexpr int ReadErrorCode = 1052;
    static constexpr int DisconnectedCode = 5500;
    static constexpr int SendErrorCode = 5570;
    // The status of a call through a pointer that is not bound.
    static constexpr FT_STATUS UnboundStatus = 1;
    // A re-request waits this many times this long for the send queue to empty.
    static constexpr int RequestWaits = 50;
    static constexpr std::chrono::milliseconds RequestWaitStep{15};

    explicit CUSB(ConfigurationAccess settings, DiagnosticLogs& logs = DiagnosticLogs::instance());
    explicit CUSB(Shared<Configuration>& settings,
                  DiagnosticLogs& logs = DiagnosticLogs::instance());
    virtual ~CUSB();
    CUSB(const CUSB&) = delete;
    CUSB& operator=(const CUSB&) = delete;

    // Loads the bridge library (Ftd2xxLibrary::libraryName) and binds its calls. On failure
    // shows "USB Driver not installed." or the missing name, and the link stays unavailable.
    bool bindLibrary();
    const Ftd2xxLibrary& library() const { return library_; }

    LinkFlags& flags() { return flags_; }
    const LinkFlags& flags() const { return flags_; }
    TransmissionStatistics& statistics() { return statistics_; }

    // The text of a bridge status; empty for a status without one.
    static std::string_view statusText(FT_STATUS status);
    // The location text of an error report code.
    static std::string errorLocation(int code);
    // Writes the code's location and the status text to the error log.
    void errorReport(FT_STATUS status, int code);

    // Bridge calls on this link's device.
    FT_STATUS ftOpen(int deviceIndex); // keeps the handle on success
    FT_STATUS ftOpenEx(const std::string& text, std::uint32_t openBy);
    FT_STATUS ftClose(); // closes only an open handle
    bool deviceOpen() const { return handle_.load() != nullptr; }
    FT_STATUS ftResetDevice();
    FT_STATUS ftPurge(std::uint32_t which);
    FT_STATUS ftSetTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
    FT_STATUS ftGetQueueStatus(std::uint32_t& received);
    FT_STATUS ftRead(void* buffer, std::uint32_t wanted, std::uint32_t& received);
    FT_STATUS ftWrite(const void* buffer, std::uint32_t length, std::uint32_t& written);
    FT_STATUS ftEeRead(FT_EEPROM_RECORD& record);
    FT_STATUS ftSetLatencyTimer(std::uint8_t milliseconds);
    FT_STATUS ftGetLatencyTimer(std::uint8_t& milliseconds);

    // Send operations: each builds its frame from the current settings, checks it and hands it
    // to the sender; true when handed over. They return without waiting for the write.
    bool sendF0();
    bool sendF1();
    bool sendF2();
    bool sendF3();
    bool sendF11();
    bool sendF12();
    bool sendF13ViewMode();
    bool sendF13Flash();
    bool sendF13ColourGains();
    bool sendF13PictureCircle();
    bool sendF13GreyCalibration();
    bool sendF13OrientationFilter();
    bool sendF13Diagnostic();
    bool sendF13CalibrationDate();
    // Writes the last frame once more (the second write of F0 at a link start, the second pass
    // of F1 at the first reader start).
    bool sendAgain();

    // Bytes handed over and not written yet; 0 when the link is free.
    std::uint32_t pendingLength() const { return sender_->pendingLength(); }
    bool waitUntilSent(std::chrono::milliseconds timeout) const {
        return sender_->waitUntilIdle(timeout);
    }
    // Ready for a settings window's order: nothing pending and a frame arrived since the last
    // order.
    bool linkReadyForCommand() const;
    // As linkReadyForCommand, and takes the arrived frame, so that at most one order goes out
    // per received frame. The caller sends its order when this returns true.
    bool claimLinkForCommand();

    // Working values of the settings windows that go into F13 orders.
    void setWorkingValues(const CommandWorkingValues& values) { working_.publish(values); }
    CommandWorkingValues workingValues() const { return working_.snapshot(); }

    // Asks the sonde to send a video packet again: waits for the link to be free (at most 50 x
    // 15 ms, else false and nothing sent), notes the index in the request table when remember
    // is set and it is not there yet, counts the request when count is set, and sends F12 with
    // the request mark and the index. Reader thread only.
    bool requestVideoPacket(std::uint8_t index, bool remember, bool count);
    VideoRequestTable& requestTable() { return requests_; }
    std::uint8_t lastRequestedIndex() const { return lastRequested_.load(); }

    // The last winch settings frame handed over (the stream decoder compares the logger's echo
    // with it); empty before the first.
    std::optional<CommandFrame> lastWinchSettingsFrame() const;

    // Status-only refresh of the main window, asked after each frame written. Any thread.
    void setRefreshDataView(std::function<void(bool statusOnly)> refresh);
    // Called, on the sending thread, after a frame's build changed the configuration, so that
    // the owner can pass the change on (the decoder's depth scale follows F1).
    void setSettingsChanged(std::function<void()> changed);

private:
    // Builds a frame from the configuration under the owner's lock; tells the owner when the
    // build changed it.
    template <class Build> std::optional<CommandFrame> build(Build&& build);
    bool handOver(const std::optional<CommandFrame>& frame);
    void writeFrame(std::span<const std::uint8_t> frame);
    void notValid(std::string_view name);
    void refreshDataView();
    void settingsChanged();

    ConfigurationAccess settings_;
    DiagnosticLogs& logs_;
    Ftd2xxLibrary library_;
    LinkFlags flags_;
    TransmissionStatistics statistics_;
    std::atomic<FT_HANDLE> handle_{nullptr};
    Shared<CommandWorkingValues> working_;
    VideoRequestTable requests_;
    std::atomic<std::uint8_t> lastRequested_{0};
    mutable std::mutex hooksMutex_;
    std::function<void(bool)> refresh_;
    std::function<void()> changed_;
    std::optional<CommandFrame> lastWinchSettings_;
    // Its thread writes through this object; the destructor ends it first.
    std::optional<FrameSender> sender_;
};

} // namespace zarn
