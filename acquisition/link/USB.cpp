#include "acquisition/link/USB.h"

#include "acquisition/app/Guarded.h"
#include "platform/Format.h"
#include "platform/UserMessages.h"

#include <algorithm>
#include <exception>
#include <thread>

namespace zarn {
namespace {

constexpr const char* DriverNotInstalled = "USB Driver not installed.";

std::string missingNameText(const std::string& name) {
    if (name == "FT_Write" || name == "FT_Read")
        return "Error:\n Can't Find " + name + " \n Install the last version USB FTDI driver";
    return "Error: Can't Find " + name + " \n Install the last version USB FTDI driver";
}

void showError(const std::string& text) {
    UserMessages::current().ask(UserMessage{text, "ZARN", MessageIcon::Error, MessageButtons::Ok});
}

} // namespace

CUSB::CUSB(ConfigurationAccess settings, DiagnosticLogs& logs, MessageBus& bus)
    : settings_(std::move(settings)), logs_(logs),
      sender_(flags_, [this](std::span<const std::uint8_t> frame) { writeFrame(frame); }),
      bus_(bus), dispatcher_(flags_, statistics_, linkState_, settings_, logs_, bus_),
      framer_(std::make_unique<PacketFramer>(dispatcher_)), supervisor_(flags_, sender_) {}

CUSB::CUSB(Shared<Configuration>& settings, DiagnosticLogs& logs, MessageBus& bus)
    : CUSB([&settings](const std::function<void(Configuration&)>& edit) { settings.modify(edit); },
           logs, bus) {}

CUSB::~CUSB() {
    // The link threads end first: they use everything below.
    joinThreads();
}

bool CUSB::bindLibrary() {
    switch (device_.load()) {
    case Ftd2xxLibrary::Result::Bound:
        flags_.linkAvailable = true;
        return true;
    case Ftd2xxLibrary::Result::NotLoaded:
        showError(DriverNotInstalled);
        break;
    case Ftd2xxLibrary::Result::MissingName:
        showError(missingNameText(device_.library().missingName()));
        break;
    }
    flags_.linkAvailable = false;
    return false;
}

std::string_view CUSB::statusText(FT_STATUS status) {
    switch (status) {
    case 0:
        return "Devise OK, no error";
    case 1:
        return "Invalid handle";
    case 2:
        return "Device not found:";
    case 3:
        return "Device not opened";
    case 4:
        return "IO Error";
    case 5:
        return "Insufficient ressources";
    case 6:
        return "invalid parameter send";
    case 8:
        return "USB : read time mode";
    default:
        return {};
    }
}

std::string CUSB::errorLocation(int code) {
    switch (code) {
    case ReadErrorCode:
        return "Thread_USB_Read : L281 - err 1052";
    case DisconnectedCode:
        return "Thread_USB_Read : USB disconnected ? - err 5500";
    case SendErrorCode:
        return "Thread_USB_Send : driver error. Data not send - err 5570";
    default:
        return format("err%d", code);
    }
}

void CUSB::errorReport(FT_STATUS status, int code) {
    logs_.errorLog(errorLocation(code), statusText(status));
}

FT_STATUS CUSB::ftEeRead(FT_EEPROM_RECORD& record) {
    return device_.eeRead(record);
}

// ---- Command frames ----

template <class Build> std::optional<CommandFrame> CUSB::build(Build&& build) {
    std::optional<CommandFrame> frame;
    bool changed = false;
    settings_([&](Configuration& c) {
        const LoggerParameters before = c.logger;
        frame = build(c);
        const LoggerParameters& after = c.logger;
        changed = before.encoderScale != after.encoderScale ||
                  before.depthScale != after.depthScale ||
                  before.encoderFrequency != after.encoderFrequency ||
                  before.encoderFrequencyD != after.encoderFrequencyD ||
                  before.captureAdjustPeriod != after.captureAdjustPeriod ||
                  before.flashWord != after.flashWord ||
                  before.greyCalibrationTrigger != after.greyCalibrationTrigger;
    });
    if (changed)
        settingsChanged();
    return frame;
}

bool CUSB::handOver(const std::optional<CommandFrame>& frame) {
    // A frame whose checksum does not verify is never handed over.
    if (!frame || !CommandFrames::verifyChecksum(frame->view()))
        return false;
    return sender_.hand(*frame);
}

bool CUSB::sendF0() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F0(c.logger);
        }));
    });
}

bool CUSB::sendF1() {
    return guarded(ZARN_GUARD_AT("CUSB :: L1398"), false, [this] {
        const auto frame =
            build([](Configuration& c) { return CommandFrames::F1(c.logger, c.program); });
        if (!frame) {
            logs_.errorLog("CUSB :: L1398",
                           "Winch settings not sent: no encoder scale for this wheel");
            return false;
        }
        if (!handOver(frame))
            return false;
        std::lock_guard lock(hooksMutex_);
        lastWinchSettings_ = frame;
        return true;
    });
}

bool CUSB::sendF2() {
    return guarded(ZARN_GUARD_AT("CUSB :: L1430"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F2(c.logger);
        }));
    });
}

bool CUSB::sendF3() {
    return guarded(ZARN_GUARD_AT("CUSB :: L1456"), false, [this] {
        const auto frame = build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F3(c.logger);
        });
        if (!handOver(frame))
            return false;
        std::lock_guard lock(hooksMutex_);
        lastDownholeSettings_ = frame;
        return true;
    });
}

bool CUSB::sendF11() {
    return guarded(ZARN_GUARD_AT("CUSB :: L1499"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F11(c.logger, c.surface);
        }));
    });
}

bool CUSB::sendF12() {
    return guarded(ZARN_GUARD_AT("CUSB :: L1546"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F12(c.logger, c.surface);
        }));
    });
}

bool CUSB::sendF13ViewMode() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        const CommandWorkingValues working = working_.snapshot();
        return handOver(build([&](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13ViewMode(c.logger, working);
        }));
    });
}

bool CUSB::sendF13Flash() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13Flash(c.logger);
        }));
    });
}

bool CUSB::sendF13ColourGains() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13ColourGains(c.logger);
        }));
    });
}

bool CUSB::sendF13PictureCircle() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13PictureCircle(c.logger);
        }));
    });
}

bool CUSB::sendF13GreyCalibration() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13GreyCalibration(c.logger);
        }));
    });
}

bool CUSB::sendF13OrientationFilter() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13OrientationFilter(c.logger);
        }));
    });
}

bool CUSB::sendF13Diagnostic() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false,
                   [this] { return handOver(CommandFrames::F13Diagnostic(working_.snapshot())); });
}

bool CUSB::sendF13CalibrationDate() {
    return guarded(ZARN_GUARD_HERE("CUSB"), false, [this] {
        return handOver(build([](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F13CalibrationDate(c.logger);
        }));
    });
}

bool CUSB::sendAgain() {
    return sender_.handAgain();
}

bool CUSB::linkReadyForCommand() const {
    return pendingLength() == 0 && flags_.newFrameArrived.load();
}

bool CUSB::claimLinkForCommand() {
    if (pendingLength() != 0)
        return false;
    return flags_.newFrameArrived.exchange(false);
}

bool CUSB::requestVideoPacket(std::uint8_t index, bool remember, bool count) {
    for (int waits = 0; pendingLength() != 0; ++waits) {
        if (waits >= RequestWaits)
            return false;
        std::this_thread::sleep_for(RequestWaitStep);
    }
    if (remember && !requests_.contains(index))
        requests_.remember(index);
    if (count) {
        ++statistics_.videoRequests;
        ++statistics_.panelRequests;
    }
    lastRequested_ = index;
    // Built from the block as it is: the request mark and the index never touch the shared
    // light power and filter cut-off.
    return guarded(ZARN_GUARD_AT("CUSB :: L1546"), false, [this, index] {
        return handOver(build([index](Configuration& c) -> std::optional<CommandFrame> {
            return CommandFrames::F12Request(c.logger, c.surface, index);
        }));
    });
}

std::optional<CommandFrame> CUSB::lastWinchSettingsFrame() const {
    std::lock_guard lock(hooksMutex_);
    return lastWinchSettings_;
}

std::optional<CommandFrame> CUSB::lastDownholeSettingsFrame() const {
    std::lock_guard lock(hooksMutex_);
    return lastDownholeSettings_;
}

void CUSB::setRefreshDataView(std::function<void(bool statusOnly)> refresh) {
    std::lock_guard lock(hooksMutex_);
    refresh_ = std::move(refresh);
}

void CUSB::setSettingsChanged(std::function<void()> changed) {
    std::lock_guard lock(hooksMutex_);
    changed_ = std::move(changed);
}

void CUSB::refreshDataView(bool statusOnly) {
    std::function<void(bool)> refresh;
    {
        std::lock_guard lock(hooksMutex_);
        refresh = refresh_;
    }
    if (refresh)
        refresh(statusOnly);
}

void CUSB::settingsChanged() {
    std::function<void()> changed;
    {
        std::lock_guard lock(hooksMutex_);
        changed = changed_;
    }
    if (changed)
        changed();
}

// Runs on the sender thread: writes the whole frame, resuming after a short write.
void CUSB::writeFrame(std::span<const std::uint8_t> frame) {
    guarded(ZARN_GUARD_HERE("CUSB"), [&] {
        std::uint32_t done = 0;
        const auto length = static_cast<std::uint32_t>(frame.size());
        while (done < length) {
            std::uint32_t written = 0;
            const FT_STATUS status = ftWrite(frame.data() + done, length - done, written);
            if (status != FT_OK) {
                errorReport(status, SendErrorCode);
                break;
            }
            if (written == 0) { // the device took nothing before its write timeout
                errorReport(FT_IO_ERROR, SendErrorCode);
                break;
            }
            done += written;
        }
        refreshDataView(true);
    });
}

} // namespace zarn
