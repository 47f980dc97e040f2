// libzarn_ftd2xx_sim.so: the bridge calls over the simulated logger, bound by name like any
// bridge library (ZARN_FTD2XX=.../libzarn_ftd2xx_sim.so).
//
// The simulator is made from the configuration file named by ZARN_SIM_CONFIG when the device is
// first opened. It lives on across closing and reopening (the link closes and reopens the
// device whenever it looks for the logger again), and is made anew from the file only when an
// open finds no handle open and the file's text has changed since; so a test may switch
// configurations between its cases, and a running program keeps one logger.
//
// Beside the bridge calls the library exports ZarnSim_Report (SimulatorReport.h) for tests.
#include "sim/ftd2xx/SimulatorReport.h"

#include "platform/ftd2xx/Ftd2xx.h"
#include "sim/SimulatedDevice.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {

using zarn::sim::SimulatedDevice;
using zarn::sim::SimulatorSettings;

struct Holder {
    std::mutex mutex;
    std::shared_ptr<SimulatedDevice> device;
    std::string configuration;
    bool handleOpen = false;
};

Holder& holder() {
    static Holder h;
    return h;
}

std::shared_ptr<SimulatedDevice> makeLocked(Holder& h, const std::string& text) {
    h.configuration = text;
    h.device = std::make_shared<SimulatedDevice>(SimulatorSettings::parse(text));
    return h.device;
}

// The device for a call on a handle.
std::shared_ptr<SimulatedDevice> device() {
    Holder& h = holder();
    std::lock_guard lock(h.mutex);
    if (!h.device)
        return makeLocked(h, SimulatorSettings::configurationText());
    return h.device;
}

// The device for an open: made anew when nothing is open and the configuration has changed.
std::shared_ptr<SimulatedDevice> deviceForOpen() {
    Holder& h = holder();
    const std::string text = SimulatorSettings::configurationText();
    std::lock_guard lock(h.mutex);
    if (!h.device || (!h.handleOpen && text != h.configuration))
        return makeLocked(h, text);
    return h.device;
}

[[nodiscard]] FT_STATUS opened(FT_STATUS status) {
    if (status == FT_OK) {
        std::lock_guard lock(holder().mutex);
        holder().handleOpen = true;
    }
    return status;
}

} // namespace

extern "C" {

FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t length, uint32_t* written) {
    return device()->write(handle, buffer, length, written);
}

FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t wanted, uint32_t* received) {
    return device()->read(handle, buffer, wanted, received);
}

FT_STATUS FT_Open(int deviceIndex, FT_HANDLE* handle) {
    return opened(deviceForOpen()->open(deviceIndex, handle));
}

FT_STATUS FT_OpenEx(const char* text, uint32_t openBy, FT_HANDLE* handle) {
    return opened(deviceForOpen()->openEx(text, openBy, handle));
}

// Listing devices is not offered: the link opens by index, description or serial number.
FT_STATUS FT_ListDevices(void*, void*, uint32_t) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_Close(FT_HANDLE handle) {
    const FT_STATUS status = device()->close(handle);
    if (status == FT_OK) {
        std::lock_guard lock(holder().mutex);
        holder().handleOpen = false;
    }
    return status;
}

FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    return device()->resetDevice(handle);
}

FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t which) {
    return device()->purge(handle, which);
}

FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) {
    return device()->setTimeouts(handle, readMs, writeMs);
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* received) {
    return device()->getQueueStatus(handle, received);
}

FT_STATUS FT_SetBreakOn(FT_HANDLE handle) {
    return device()->setBreak(handle, true);
}

FT_STATUS FT_SetBreakOff(FT_HANDLE handle) {
    return device()->setBreak(handle, false);
}

FT_STATUS FT_GetStatus(FT_HANDLE handle, uint32_t* received, uint32_t* toSend, uint32_t* events) {
    return device()->getStatus(handle, received, toSend, events);
}

// Event notification is not offered: the link polls.
FT_STATUS FT_SetEventNotification(FT_HANDLE, uint32_t, void*) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_EE_Read(FT_HANDLE handle, FT_EEPROM_RECORD* record) {
    return device()->eeRead(handle, record);
}

// The simulated logger's identity comes from its configuration; it is not reprogrammed.
FT_STATUS FT_EE_Program(FT_HANDLE, FT_EEPROM_RECORD*) {
    return FT_CALL_NOT_OFFERED;
}

FT_STATUS FT_EE_UARead(FT_HANDLE handle, unsigned char* buffer, uint32_t size, uint32_t* read) {
    return device()->eeUaRead(handle, buffer, size, read);
}

FT_STATUS FT_EE_UAWrite(FT_HANDLE handle, unsigned char* buffer, uint32_t size) {
    return device()->eeUaWrite(handle, buffer, size);
}

FT_STATUS FT_EE_UASize(FT_HANDLE handle, uint32_t* size) {
    return device()->eeUaSize(handle, size);
}

FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, unsigned char* milliseconds) {
    return device()->getLatencyTimer(handle, milliseconds);
}

FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, unsigned char milliseconds) {
    return device()->setLatencyTimer(handle, milliseconds);
}

int ZarnSim_Report(char* buffer, unsigned size) {
    std::shared_ptr<SimulatedDevice> d;
    {
        std::lock_guard lock(holder().mutex);
        d = holder().device;
    }
    const std::string text = d ? d->report() : std::string();
    if (buffer && size > 0) {
        const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int>(text.size());
}

} // extern "C"
