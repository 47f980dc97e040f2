// The link's threads: start, link check, reader, shutdown.
#include "acquisition/link/USB.h"

#include "acquisition/app/Guarded.h"
#include "acquisition/link/LinkState.h"
#include "platform/Beeper.h"
#include "platform/Format.h"
#include "platform/StatusBar.h"
#include "platform/UserMessages.h"
#include "platform/ftd2xx/EepromReadRecord.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace zarn {
namespace {

constexpr const char* ConnectedText = "USB link connected";
constexpr const char* DataWaitText = "Data wait ...";

// The link check's animation: "Checking USB Link ." with one to nine dots.
std::string checkingText(int dots) {
    return "Checking USB Link " + std::string(static_cast<std::size_t>(dots), '.');
}

// Clears the link check's running mark however the thread ends.
struct RunningMark {
    std::atomic<bool>& mark;
    ~RunningMark() { mark = false; }
};

} // namespace

std::string CUSB::depthText(double depth) {
    if (!std::isfinite(depth) || depth < -100000.0 || depth > 100000.0)
        return " --- ";
    return format("%.2f", depth);
}

void CUSB::setDecoder(FrameDecoder* decoder) {
    decoder_ = decoder;
    dispatcher_.setDecoder(decoder);
}

std::uint32_t CUSB::frameCounter() const {
    return static_cast<std::uint32_t>(statistics_.receivedFrames.load());
}

std::optional<WinchSettingsEcho> CUSB::lastWinchSettings() const {
    const std::optional<CommandFrame> frame = lastWinchSettingsFrame();
    if (!frame || frame->length < 7)
        return std::nullopt;
    const auto& b = frame->bytes;
    return WinchSettingsEcho{static_cast<std::uint16_t>(b[2] | (b[3] << 8)),
                             static_cast<std::uint16_t>(b[4] | (b[5] << 8)), b[6]};
}

void CUSB::resendWinchSettings() {
    // A send that fails was reported by the command sender (a frame not built, an exception),
    // or the program is closing.
    static_cast<void>(sendF1());
}

// ---- Helpers ----

void CUSB::showPane(int pane, std::string_view text) {
    if (!flags_.closing)
        StatusBar::current().setPaneText(pane, text);
}

void CUSB::setLinkText(const std::string& text) {
    texts_.modify([&](LinkTexts& t) { t.linkText = text; });
}

void CUSB::errorBox(const std::string& text) {
    UserMessages::current().notify(
        UserMessage{text, "ZARN", MessageIcon::Error, MessageButtons::Ok});
}

// The probe control panel switches the sonde off when it handles the press. The press is posted
// once; it is posted again only after the sonde was seen switched off, or at a new connection,
// so that a panel slow to react is never pressed twice for one switch-off.
void CUSB::pressPowerButton() {
    if (!powerOffPending_.exchange(true))
        bus_.post(Role::ProbePanel, command(Cmd::PowerButton));
}

bool CUSB::startLinkCheck() {
    return supervisor_.startLinkCheck([this] { runLinkCheck(); });
}

// ---- Start and shutdown ----

bool CUSB::Start() {
    if (started_.exchange(true))
        return flags_.linkAvailable; // started once only
    texts_.modify([](LinkTexts& t) {
        t.deviceName = "Logger";
        t.serialNumber = DefaultSerialNumber;
    });
    if (!bindLibrary()) {
        setLinkText("USB not installed.");
        showPane(1, "USB not installed.");
        flags_.linkAvailable = false;
        return false;
    }
    setLinkText("Checking USB status.");
    showPane(1, "Checking USB status.");
    // Refused only once the program is closing, when no link is to start.
    static_cast<void>(startLinkCheck());
    flags_.linkAvailable = true;
    return true;
}

bool CUSB::stopLink() {
    return stopLink(timings_.threadWait);
}

bool CUSB::stopLink(std::chrono::milliseconds wait) {
    supervisor_.close();
    // No thread starts from here on, so the slots hold the last threads.
    const LinkSupervisor::Ended ended = supervisor_.waitEnded(wait);
    const auto late = [&](const char* thread) {
        logs_.errorLog("CUSB", format("%s thread still running %lld ms after the closing flag",
                                      thread, static_cast<long long>(wait.count())));
    };
    if (!ended.reader)
        late("Reader");
    if (!ended.linkCheck)
        late("Link check");
    return ended.reader && ended.linkCheck;
}

void CUSB::joinThreads() {
    supervisor_.joinAll();
}

// ---- Link check thread ----

void CUSB::runLinkCheck() {
    if (flags_.linkCheckRunning.exchange(true))
        return; // one is running already
    const RunningMark running{flags_.linkCheckRunning};
    for (;;) {
        if (flags_.closing)
            return;
        linkState_ = LinkState::OpeningDevice;
        if (!flags_.sondePowered)
            powerOffPending_ = false;
        // A handle that does not close belongs to a device that is gone; the open below starts
        // afresh either way.
        static_cast<void>(ftClose());
        const bool identified = openLogger();
        if (identified) {
            powerOffPending_ = false;
            prepareDevice();
            if (flags_.sondePowered) {
                Beeper::current().beep(300, 100);
                Beeper::current().beep(1200, 200);
            }
            if (!flags_.linkEverStarted) {
                // A link start, or a restart after the link was declared stopped: the sonde is
                // switched off and the logger told so.
                if (flags_.sondePowered) {
                    pressPowerButton();
                    errorBox("I/O USB error.\nThe USB communication to restart\nApplication "
                             "stopped at " +
                             depthText(lastDepth()) + "m.");
                }
                // The second write repeats the power-off order only when it was handed over:
                // otherwise it would repeat whatever frame went before. A send that fails was
                // reported by the command sender, or the program is closing.
                if (sendF0())
                    static_cast<void>(sendAgain());
                flags_.frameSent = true;
                if (!pause(timings_.afterPowerOff))
                    return;
            }
            setLinkText(ConnectedText);
        }
        // The link check's own settings go first, so that the reader's replace them.
        // A device that does not take its settings is gone: the reader's first call finds it so
        // and reports it.
        if (deviceOpen()) {
            static_cast<void>(ftSetTimeouts(LinkCheckTimeouts));
            static_cast<void>(ftSetLatencyTimer(LinkCheckLatencyMs));
        }
        showPane(1, texts_.snapshot().linkText);
        linkState_ = LinkState::LookingForLogger;
        if (identified) {
            statistics_.receivedFrames = 0;
            showPane(3, "0");
            flags_.readerStarted = true;
            // How the reader ended is kept in lastReaderExit_.
            if (!supervisor_.startReader([this] { static_cast<void>(runReader()); }))
                flags_.readerStarted = false;
            return; // the reader owns the device now
        }
        noLogger();
        if (!pause(timings_.retryInterval))
            return;
    }
}

double CUSB::lastDepth() const {
    FrameDecoder* decoder = decoder_.load();
    return decoder ? decoder->lastDepth() : std::nan("");
}

bool CUSB::openLogger() {
    animation_ = animation_ >= 9 ? 1 : animation_ + 1;
    setLinkText(checkingText(animation_));
    flags_.loggerIdentified = false;
    const bool identified = openAndIdentify();
    flags_.loggerIdentified = identified;
    return identified;
}

bool CUSB::openAndIdentify() {
    // Device 0, identified by the vendor and product ids of its EEPROM.
    if (ftOpen(0) != FT_OK)
        return false;
    EepromReadRecord eeprom;
    const bool known = ftEeRead(*eeprom.record()) == FT_OK && eeprom.vendorId() == LoggerVendorId &&
                       std::find(std::begin(LoggerProductIds), std::end(LoggerProductIds),
                                 eeprom.productId()) != std::end(LoggerProductIds);
    if (!known) {
        setLinkText("USB unknown");
        return false;
    }
    const std::string number = eeprom.serialNumber();
    texts_.modify([&](LinkTexts& t) { t.serialNumber = number; });
    return true;
}

void CUSB::prepareDevice() {
    // A device that fails here is gone: the reader's first call finds it so and reports it.
    static_cast<void>(ftResetDevice());
    static_cast<void>(ftSetTimeouts(PrepareTimeouts));
    // Whatever waits from before is stale: read it and throw it away.
    std::array<std::uint8_t, 256> discard{};
    std::uint32_t waiting = 0;
    if (ftGetQueueStatus(waiting) == FT_OK) {
        while (waiting > 0 && !flags_.closing) {
            const auto wanted = std::min<std::uint32_t>(waiting, discard.size());
            std::uint32_t got = 0;
            if (ftRead(discard.data(), wanted, got) != FT_OK || got == 0)
                break;
            waiting -= got;
        }
    }
    static_cast<void>(ftPurge(FT_PURGE_RX));
}

void CUSB::noLogger() {
    showPane(2, "Sonde not responding.");
    flags_.dataReceived = false;
    refreshDataView(true);
    if (flags_.linkEverStarted && ++retries_ >= RetriesBeforeStop) {
        // The logger did not come back: the link is declared stopped.
        flags_.linkEverStarted = false;
        errorBox("I/O USB error.\nApplication stopped at " + depthText(lastDepth()) + "m.");
    }
    if (!flags_.linkEverStarted && flags_.sondePowered) {
        pressPowerButton();
        retries_ = 0;
    }
}

// ---- Reader thread ----

int CUSB::runReader() {
    if (flags_.closing)
        return lastReaderExit_ = ReaderNotStarted;
    flags_.readerRunning = true;
    if (flags_.readerActive.exchange(true))
        return lastReaderExit_ = ReaderAlreadyActive;
    flags_.dataReceived = true;

    // A device that does not take its settings is found gone by the read loop, which reports it.
    static_cast<void>(ftSetTimeouts(ReaderStartTimeouts));
    if (ftSetLatencyTimer(ReaderLatencyMs) == FT_OK) {
        const LinkTexts t = texts_.snapshot();
        about_.modify([&](LinkTexts& a) {
            a.deviceName = t.deviceName;
            a.serialNumber = t.serialNumber;
        });
    }
    if (!flags_.linkEverStarted) {
        // As at the link start: the second pass only of a frame that was handed over. A send
        // that fails was reported by the command sender, or the program is closing.
        if (sendF1())
            static_cast<void>(sendAgain());
        // Cut short when the program closes: the read loop below then ends at once.
        static_cast<void>(pause(timings_.afterWinchSettings));
        flags_.linkEverStarted = true;
    }
    retries_ = 0;
    // A new link: nothing carried over from the bytes of the last one.
    framer_->reset();

    FT_STATUS gone = FT_OK;
    // An exception inside the loop is reported and the reader goes on reading.
    // Cut short when the program closes: the read loop then ends at once.
    while (!guarded(ZARN_GUARD_HERE("CUSB"), [&] { gone = readLoop(); }))
        static_cast<void>(pause(timings_.dataWaitPause));
    if (gone != FT_OK) {
        lastReaderExit_ = ReaderDeviceGone;
        deviceGone(gone);
        return ReaderDeviceGone;
    }
    flags_.readerActive = false;
    flags_.readerRunning = false;
    lastReaderExit_ = ReaderClosed;
    return ReaderClosed;
}

FT_STATUS CUSB::readLoop() {
    int emptyReads = 0;
    bool dataWaitShown = false;
    while (!flags_.closing) {
        std::uint32_t waiting = 0;
        const FT_STATUS queue = ftGetQueueStatus(waiting);
        if (queue != FT_OK)
            return queue; // the device is gone
        // A device that does not take its timeouts fails the read that follows, which reports it.
        static_cast<void>(ftSetTimeouts(ReadTimeouts));
        const std::span<std::uint8_t> area = framer_->readArea();
        std::uint32_t got = 0;
        const FT_STATUS status = ftRead(area.data(), static_cast<std::uint32_t>(area.size()), got);
        if (status != FT_OK) {
            errorReport(status, ReadErrorCode);
            // A failing device is not asked again at once.
            if (!pause(timings_.dataWaitPause))
                break; // the program closes
            continue;
        }
        if (got == 0) {
            if (++emptyReads >= EmptyReadsBeforeDataWait) {
                if (!dataWaitShown)
                    showPane(1, DataWaitText);
                dataWaitShown = true;
                if (!pause(timings_.dataWaitPause))
                    break; // the program closes
            }
            continue;
        }
        emptyReads = 0;
        if (capture_.active() && !capture_.write(area.first(got)))
            logs_.errorLog("CUSB", "Raw capture stopped: the file cannot be written");
        if (dataWaitShown && framer_->carry() + got == PacketFramer::ReadSize) {
            showPane(1, texts_.snapshot().linkText);
            dataWaitShown = false;
        }
        framer_->processRead(got);
    }
    return FT_OK;
}

void CUSB::deviceGone(FT_STATUS status) {
    if (flags_.sondePowered) {
        Beeper::current().beep(1200, 100);
        Beeper::current().beep(300, 200);
    }
    errorReport(status, DisconnectedCode);
    flags_.readerStarted = false;
    linkState_ = LinkState::LinkLost;
    texts_.publish(LinkTexts{});
    refreshDataView(false);
    // The marks are cleared before the next link check can start a new reader.
    flags_.readerActive = false;
    flags_.readerRunning = false;
    // Refused only once the program is closing, when no link is to start again.
    static_cast<void>(startLinkCheck());
}

} // namespace zarn
