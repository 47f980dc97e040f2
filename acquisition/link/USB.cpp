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
      commands_(settings_, sender_, logs_, [this] { settingsChanged(); }), bus_(bus),
      dispatcher_(flags_, statistics_, linkState_, settings_, logs_, bus_),
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

bool CUSB::sendF0() {
    return commands_.send(Command::F0);
}

bool CUSB::sendF1() {
    return commands_.send(Command::F1);
}

bool CUSB::sendF2() {
    return commands_.send(Command::F2);
}

bool CUSB::sendF3() {
    return commands_.send(Command::F3);
}

bool CUSB::sendF11() {
    return commands_.send(Command::F11);
}

bool CUSB::sendF12() {
    return commands_.send(Command::F12);
}

bool CUSB::sendF13ViewMode() {
    return commands_.send(Command::F13ViewMode);
}

bool CUSB::sendF13Flash() {
    return commands_.send(Command::F13Flash);
}

bool CUSB::sendF13ColourGains() {
    return commands_.send(Command::F13ColourGains);
}

bool CUSB::sendF13PictureCircle() {
    return commands_.send(Command::F13PictureCircle);
}

bool CUSB::sendF13GreyCalibration() {
    return commands_.send(Command::F13GreyCalibration);
}

bool CUSB::sendF13OrientationFilter() {
    return commands_.send(Command::F13OrientationFilter);
}

bool CUSB::sendF13Diagnostic() {
    return commands_.send(Command::F13Diagnostic);
}

bool CUSB::sendF13CalibrationDate() {
    return commands_.send(Command::F13CalibrationDate);
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
    // A full table (the recovery flushes it long before) leaves the index unnoted: the packet is
    // asked for all the same, and the gap check decides when it arrives.
    if (remember && !requests_.contains(index))
        static_cast<void>(requests_.remember(index));
    if (count) {
        ++statistics_.videoRequests;
        ++statistics_.panelRequests;
    }
    lastRequested_ = index;
    return commands_.sendVideoRequest(index);
}

std::optional<CommandFrame> CUSB::lastWinchSettingsFrame() const {
    return commands_.lastWinchSettings();
}

std::optional<CommandFrame> CUSB::lastDownholeSettingsFrame() const {
    return commands_.lastDownholeSettings();
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
    // An exception is reported under the site; the frame is then lost as with a failed write.
    static_cast<void>(guarded(ZARN_GUARD_HERE("CUSB"), [&] {
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
    }));
}

} // namespace zarn
