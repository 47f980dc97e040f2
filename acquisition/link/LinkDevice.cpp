#include "acquisition/link/LinkDevice.h"

#include "platform/UserMessages.h"

#include <algorithm>

namespace zarn {

LinkDevice::~LinkDevice() {
    // Nothing is left to do about a handle that does not close at the end.
    if (isOpen() && library_.calls().close)
        static_cast<void>(close());
}

void LinkDevice::notValid(std::string_view name) {
    UserMessages::current().notify(UserMessage{std::string(name) + " is not valid!", "ZARN",
                                               MessageIcon::Error, MessageButtons::Ok});
}

template <auto Call, class... Args>
FT_STATUS LinkDevice::opening(std::string_view name, Args... args) {
    const auto call = library_.calls().*Call;
    if (!call) {
        notValid(name);
        return UnboundStatus;
    }
    // A handle that does not close belongs to a device that is gone; the new open goes on.
    static_cast<void>(close());
    FT_HANDLE handle = nullptr;
    const FT_STATUS status = call(args..., &handle);
    if (status == FT_OK)
        handle_ = handle;
    return status;
}

FT_STATUS LinkDevice::open(int deviceIndex) {
    return opening<&Ftd2xxCalls::open>("FT_Open", deviceIndex);
}

FT_STATUS LinkDevice::openEx(const std::string& text, std::uint32_t openBy) {
    return opening<&Ftd2xxCalls::openEx>("FT_OpenEx", text.c_str(), openBy);
}

FT_STATUS LinkDevice::close() {
    FT_HANDLE handle = handle_.exchange(nullptr);
    if (!handle)
        return FT_OK; // nothing open
    const auto call = library_.calls().close;
    if (!call) {
        notValid("FT_Close");
        return UnboundStatus;
    }
    return call(handle);
}

FT_STATUS LinkDevice::resetDevice() {
    return onDevice<&Ftd2xxCalls::resetDevice>("FT_ResetDevice");
}

FT_STATUS LinkDevice::purge(std::uint32_t which) {
    return onDevice<&Ftd2xxCalls::purge>("FT_Purge", which);
}

FT_STATUS LinkDevice::setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) {
    return onDevice<&Ftd2xxCalls::setTimeouts>("FT_SetTimeouts", readMs, writeMs);
}

FT_STATUS LinkDevice::getQueueStatus(std::uint32_t& received) {
    received = 0;
    return onDevice<&Ftd2xxCalls::getQueueStatus>("FT_GetQueueStatus", &received);
}

FT_STATUS LinkDevice::read(void* buffer, std::uint32_t wanted, std::uint32_t& received) {
    received = 0;
    const FT_STATUS status = onDevice<&Ftd2xxCalls::read>("FT_Read", buffer, wanted, &received);
    received = std::min(received, wanted); // never trust a count beyond the buffer
    return status;
}

FT_STATUS LinkDevice::write(const void* buffer, std::uint32_t length, std::uint32_t& written) {
    written = 0;
    const FT_STATUS status = onDevice<&Ftd2xxCalls::write>("FT_Write", buffer, length, &written);
    written = std::min(written, length);
    return status;
}

FT_STATUS LinkDevice::eeRead(FT_EEPROM_RECORD& record) {
    return onDevice<&Ftd2xxCalls::eeRead>("FT_EE_Read", &record);
}

// Both latency calls name the reading one in their message, as they always have.
FT_STATUS LinkDevice::setLatencyTimer(std::uint8_t milliseconds) {
    return onDevice<&Ftd2xxCalls::setLatencyTimer>("FT_GetLatencyTimer",
                                                   static_cast<unsigned char>(milliseconds));
}

FT_STATUS LinkDevice::getLatencyTimer(std::uint8_t& milliseconds) {
    milliseconds = 0;
    return onDevice<&Ftd2xxCalls::getLatencyTimer>("FT_GetLatencyTimer", &milliseconds);
}

} // namespace zarn
