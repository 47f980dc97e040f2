// The logger's USB device through the bridge library: loads and binds the library, owns the
// device handle and makes every bridge call. A call whose pointer is not bound shows
// "<name> is not valid!" and fails with status 1, without calling anything. Counts the library
// hands back are never trusted beyond the buffer they describe.
//
// Threads: any; the handle is swapped atomically. The link keeps the calls of one device apart
// in time (the link check, then the reader; the sender writes alongside).
#pragma once

#include "platform/ftd2xx/Ftd2xx.h"
#include "platform/ftd2xx/Ftd2xxLibrary.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

class LinkDevice {
public:
    // The status of a call through a pointer that is not bound.
    static constexpr FT_STATUS UnboundStatus = 1;

    LinkDevice() = default;
    // Closes an open handle when the library can.
    ~LinkDevice();
    LinkDevice(const LinkDevice&) = delete;
    LinkDevice& operator=(const LinkDevice&) = delete;

    // Loads the bridge library (Ftd2xxLibrary::libraryName) and binds its calls.
    [[nodiscard]] Ftd2xxLibrary::Result load() { return library_.load(); }
    const Ftd2xxLibrary& library() const { return library_; }

    // Opening closes the open handle first and keeps the new one on success.
    [[nodiscard]] FT_STATUS open(int deviceIndex);
    [[nodiscard]] FT_STATUS openEx(const std::string& text, std::uint32_t openBy);
    [[nodiscard]] FT_STATUS close(); // closes only an open handle
    bool isOpen() const { return handle_.load() != nullptr; }

    [[nodiscard]] FT_STATUS resetDevice();
    [[nodiscard]] FT_STATUS purge(std::uint32_t which);
    [[nodiscard]] FT_STATUS setTimeouts(std::uint32_t readMs, std::uint32_t writeMs);
    [[nodiscard]] FT_STATUS getQueueStatus(std::uint32_t& received);
    [[nodiscard]] FT_STATUS read(void* buffer, std::uint32_t wanted, std::uint32_t& received);
    [[nodiscard]] FT_STATUS write(const void* buffer, std::uint32_t length, std::uint32_t& written);
    [[nodiscard]] FT_STATUS eeRead(FT_EEPROM_RECORD& record);
    [[nodiscard]] FT_STATUS setLatencyTimer(std::uint8_t milliseconds);
    [[nodiscard]] FT_STATUS getLatencyTimer(std::uint8_t& milliseconds);

private:
    // The one shape of a call on the open handle: the bound pointer or "<name> is not valid!".
    template <auto Call, class... Args>
    [[nodiscard]] FT_STATUS onDevice(std::string_view name, Args... args) {
        const auto call = library_.calls().*Call;
        if (!call) {
            notValid(name);
            return UnboundStatus;
        }
        return call(handle_.load(), args...);
    }
    // The shape of an open: the bound pointer, the old handle closed, the new one kept.
    template <auto Call, class... Args>
    [[nodiscard]] FT_STATUS opening(std::string_view name, Args... args);
    static void notValid(std::string_view name);

    Ftd2xxLibrary library_;
    std::atomic<FT_HANDLE> handle_{nullptr};
};

} // namespace zarn
