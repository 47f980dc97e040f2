// The bridge calls over libftdi1, for a real logger on Linux.
//
// Devices are the USB devices of vendor 0x0403, numbered in the order the bus lists them. Each
// open device keeps its own libftdi context and a receive buffer: the chip's data is pulled
// into the buffer by queue-status and read calls, and reads take from it, waiting up to the read
// timeout for the bytes wanted. Handles are numbers that are never reused, so a closed or
// foreign handle is refused as invalid instead of touching freed memory. Reads and writes may
// run on different threads at the same time; the other calls wait for both.
#include "platform/ftd2xx/EepromIdentity.h"
#include "platform/ftd2xx/Ftd2xx.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int FtdiVendor = 0x0403;
constexpr size_t ReceiveLimit = 1 << 20; // beyond this the chip keeps the data
constexpr int PollTimeoutMs = 100;       // one USB read waits at most this long

struct Device {
    ftdi_context* ftdi = nullptr;
    std::mutex readMutex;
    std::mutex writeMutex;
    std::vector<unsigned char> received;
    uint32_t readTimeoutMs = 1000;
    uint32_t writeTimeoutMs = 1000;

    ~Device() {
        if (ftdi) {
            ftdi_usb_close(ftdi);
            ftdi_free(ftdi);
        }
    }
};

std::mutex registryMutex;
std::map<uintptr_t, std::shared_ptr<Device>> registry;
uintptr_t nextHandle = 1;

std::shared_ptr<Device> find(FT_HANDLE handle) {
    std::lock_guard lock(registryMutex);
    const auto it = registry.find(reinterpret_cast<uintptr_t>(handle));
    return it == registry.end() ? nullptr : it->second;
}

FT_HANDLE keep(std::shared_ptr<Device> device) {
    std::lock_guard lock(registryMutex);
    const uintptr_t id = nextHandle++;
    registry.emplace(id, std::move(device));
    return reinterpret_cast<FT_HANDLE>(id);
}

// The devices of the vendor, in bus order; frees the list when done.
class DeviceList {
public:
    explicit DeviceList(libusb_context* context) {
        libusb_device** all = nullptr;
        const ssize_t count = libusb_get_device_list(context, &all);
        if (count < 0)
            return;
        list_ = all;
        for (ssize_t i = 0; i < count; ++i) {
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(all[i], &descriptor) == 0 &&
                descriptor.idVendor == FtdiVendor)
                devices_.push_back(all[i]);
        }
    }
    ~DeviceList() {
        if (list_)
            libusb_free_device_list(list_, 1);
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    const std::vector<libusb_device*>& devices() const { return devices_; }

private:
    libusb_device** list_ = nullptr;
    std::vector<libusb_device*> devices_;
};

// Opens the first device the choice accepts (it sees the index in the list and the device).
template <class Choose> [[nodiscard]] FT_STATUS openWhere(FT_HANDLE* handle, Choose&& choose) {
    if (!handle)
        return FT_INVALID_PARAMETER;
    *handle = nullptr;
    auto device = std::make_shared<Device>();
    device->ftdi = ftdi_new();
    if (!device->ftdi)
        return FT_DEVICE_NOT_FOUND; // no USB subsystem to look on
    libusb_device* chosen = nullptr;
    {
        DeviceList list(device->ftdi->usb_ctx);
        for (size_t i = 0; i < list.devices().size() && !chosen; ++i)
            if (choose(i, device->ftdi, list.devices()[i]))
                chosen = list.devices()[i];
        if (!chosen)
            return FT_DEVICE_NOT_FOUND;
        // The opened device keeps its own reference, so the list may go.
        if (ftdi_usb_open_dev(device->ftdi, chosen) < 0)
            return FT_DEVICE_NOT_OPENED;
    }
    *handle = keep(std::move(device));
    return FT_OK;
}

// A text from a fixed buffer, up to its terminator or the buffer's end.
template <size_t N> std::string terminated(const char (&buffer)[N]) {
    return std::string(buffer, ::strnlen(buffer, N));
}

// One USB read into the receive buffer; the read mutex is held. Negative on a device error.
[[nodiscard]] int pull(Device& device, int timeoutMs) {
    if (device.received.size() >= ReceiveLimit)
        return 0;
    unsigned char chunk[4096];
    device.ftdi->usb_read_timeout = std::max(1, timeoutMs);
    const int got = ftdi_read_data(device.ftdi, chunk, sizeof chunk);
    if (got == LIBUSB_ERROR_TIMEOUT)
        return 0;
    if (got < 0)
        return got;
    device.received.insert(device.received.end(), chunk, chunk + got);
    return got;
}

[[nodiscard]] FT_STATUS lineBreak(FT_HANDLE handle, ftdi_break_type type) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    return ftdi_set_line_property2(device->ftdi, BITS_8, STOP_BIT_1, NONE, type) < 0 ? FT_IO_ERROR
                                                                                     : FT_OK;
}

} // namespace

extern "C" {

FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t length, uint32_t* written) {
    if (written)
        *written = 0;
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!buffer || !written)
        return FT_INVALID_PARAMETER;
    if (length == 0)
        return FT_OK;
    std::lock_guard lock(device->writeMutex);
    device->ftdi->usb_write_timeout =
        static_cast<int>(std::max<uint32_t>(1, device->writeTimeoutMs));
    const int sent = ftdi_write_data(device->ftdi, static_cast<const unsigned char*>(buffer),
                                     static_cast<int>(std::min<uint32_t>(length, 1u << 30)));
    if (sent < 0)
        return FT_IO_ERROR;
    *written = static_cast<uint32_t>(sent);
    return FT_OK;
}

FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t wanted, uint32_t* received) {
    if (received)
        *received = 0;
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!buffer || !received)
        return FT_INVALID_PARAMETER;
    std::lock_guard lock(device->readMutex);
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(device->readTimeoutMs);
    while (device->received.size() < wanted) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        const int got = pull(*device, static_cast<int>(std::min<long long>(left, PollTimeoutMs)));
        if (got < 0)
            return FT_IO_ERROR;
        if (got == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const size_t count = std::min<size_t>(wanted, device->received.size());
    std::memcpy(buffer, device->received.data(), count);
    device->received.erase(device->received.begin(),
                           device->received.begin() + static_cast<std::ptrdiff_t>(count));
    *received = static_cast<uint32_t>(count);
    return FT_OK;
}

FT_STATUS FT_Open(int deviceIndex, FT_HANDLE* handle) {
    if (deviceIndex < 0)
        return FT_DEVICE_NOT_FOUND;
    return openWhere(handle, [deviceIndex](size_t index, ftdi_context*, libusb_device*) {
        return index == static_cast<size_t>(deviceIndex);
    });
}

FT_STATUS FT_OpenEx(const char* text, uint32_t openBy, FT_HANDLE* handle) {
    if (!text || (openBy != FT_OPEN_BY_SERIAL_NUMBER && openBy != FT_OPEN_BY_DESCRIPTION))
        return FT_INVALID_PARAMETER;
    const std::string wanted(text);
    return openWhere(handle, [&](size_t, ftdi_context* ftdi, libusb_device* device) {
        char description[FT_EE_DESCRIPTION_SIZE] = {};
        char serial[FT_EE_SERIAL_NUMBER_SIZE] = {};
        if (ftdi_usb_get_strings(ftdi, device, nullptr, 0, description, sizeof description, serial,
                                 sizeof serial) < 0)
            return false;
        return wanted == (openBy == FT_OPEN_BY_SERIAL_NUMBER ? serial : description);
    });
}

// Listing devices is not offered: the link opens by index, description or serial number.
FT_STATUS FT_ListDevices(void*, void*, uint32_t) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_Close(FT_HANDLE handle) {
    std::shared_ptr<Device> device;
    {
        std::lock_guard lock(registryMutex);
        const auto it = registry.find(reinterpret_cast<uintptr_t>(handle));
        if (it == registry.end())
            return FT_INVALID_HANDLE;
        device = std::move(it->second);
        registry.erase(it);
    }
    // Waits for a read or write still running on another thread; the last owner closes.
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    return FT_OK;
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    device->received.clear();
    return ftdi_usb_reset(device->ftdi) < 0 ? FT_IO_ERROR : FT_OK;
}

FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t which) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    if (which & FT_PURGE_RX) {
        device->received.clear();
        if (ftdi_tciflush(device->ftdi) < 0)
            return FT_IO_ERROR;
    }
    if ((which & FT_PURGE_TX) && ftdi_tcoflush(device->ftdi) < 0)
        return FT_IO_ERROR;
    return FT_OK;
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    device->readTimeoutMs = readMs;
    device->writeTimeoutMs = writeMs;
    return FT_OK;
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* received) {
    if (received)
        *received = 0;
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!received)
        return FT_INVALID_PARAMETER;
    std::lock_guard lock(device->readMutex);
    if (pull(*device, PollTimeoutMs) < 0)
        return FT_IO_ERROR; // the device is gone
    *received = static_cast<uint32_t>(device->received.size());
    return FT_OK;
}

FT_STATUS FT_SetBreakOn(FT_HANDLE handle) {
    return lineBreak(handle, BREAK_ON);
}

FT_STATUS FT_SetBreakOff(FT_HANDLE handle) {
    return lineBreak(handle, BREAK_OFF);
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, uint32_t* received, uint32_t* toSend, uint32_t* events) {
    if (toSend)
        *toSend = 0; // writes complete before FT_Write returns
    if (events)
        *events = 0;
    return FT_GetQueueStatus(handle, received);
}

// Event notification is not offered: the link polls.
FT_STATUS FT_SetEventNotification(FT_HANDLE, uint32_t, void*) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_EE_Read(FT_HANDLE handle, FT_EEPROM_RECORD* record) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!zarn::EepromIdentity::accepts(record))
        return FT_INVALID_PARAMETER;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    ftdi_context* ftdi = device->ftdi;
    char manufacturer[FT_EE_MANUFACTURER_SIZE] = {};
    char description[FT_EE_DESCRIPTION_SIZE] = {};
    char serial[FT_EE_SERIAL_NUMBER_SIZE] = {};
    int vendor = 0;
    int product = 0;
    const bool fromEeprom =
        ftdi_read_eeprom(ftdi) >= 0 && ftdi_eeprom_decode(ftdi, 0) >= 0 &&
        ftdi_get_eeprom_value(ftdi, VENDOR_ID, &vendor) >= 0 &&
        ftdi_get_eeprom_value(ftdi, PRODUCT_ID, &product) >= 0 &&
        ftdi_eeprom_get_strings(ftdi, manufacturer, sizeof manufacturer, description,
                                sizeof description, serial, sizeof serial) >= 0;
    if (!fromEeprom) {
        // An unreadable EEPROM: the identity the device gave the bus comes from it as well.
        libusb_device_descriptor descriptor{};
        libusb_device_handle* usb = ftdi->usb_dev;
        if (!usb || libusb_get_device_descriptor(libusb_get_device(usb), &descriptor) != 0)
            return FT_IO_ERROR;
        vendor = descriptor.idVendor;
        product = descriptor.idProduct;
        auto text = [usb](uint8_t index, char* to, int size) {
            if (index == 0 || libusb_get_string_descriptor_ascii(
                                  usb, index, reinterpret_cast<unsigned char*>(to), size) < 0)
                to[0] = '\0';
        };
        text(descriptor.iManufacturer, manufacturer, sizeof manufacturer);
        text(descriptor.iProduct, description, sizeof description);
        text(descriptor.iSerialNumber, serial, sizeof serial);
    }
    zarn::EepromIdentity identity;
    identity.vendorId = static_cast<uint16_t>(vendor);
    identity.productId = static_cast<uint16_t>(product);
    identity.manufacturer = terminated(manufacturer);
    identity.description = terminated(description);
    identity.serialNumber = terminated(serial);
    return identity.writeTo(record);
}

// Writing the EEPROM and its user area is not offered: the program only reads the identity,
// and a bridge for field use must never rewrite a logger's EEPROM.
FT_STATUS FT_EE_Program(FT_HANDLE, FT_EEPROM_RECORD*) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_EE_UARead(FT_HANDLE, unsigned char*, uint32_t, uint32_t* read) {
    if (read)
        *read = 0;
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_EE_UAWrite(FT_HANDLE, unsigned char*, uint32_t) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_EE_UASize(FT_HANDLE, uint32_t* size) {
    if (size)
        *size = 0;
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, unsigned char* milliseconds) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (!milliseconds)
        return FT_INVALID_PARAMETER;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    return ftdi_get_latency_timer(device->ftdi, milliseconds) < 0 ? FT_IO_ERROR : FT_OK;
}

FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, unsigned char milliseconds) {
    const auto device = find(handle);
    if (!device)
        return FT_INVALID_HANDLE;
    if (milliseconds == 0)
        return FT_INVALID_PARAMETER;
    std::scoped_lock lock(device->readMutex, device->writeMutex);
    return ftdi_set_latency_timer(device->ftdi, milliseconds) < 0 ? FT_IO_ERROR : FT_OK;
}

} // extern "C"
