// A bridge library for the link's tests: one device that records every write and answers the
// other calls plainly. Controlled by the test through the TestD2xx* functions below.
//
// Built several times; each ZARN_TEST_D2XX_WITHOUT_<name> definition leaves that call out, so
// the tests can bind a library that lacks it.
#include "tests/acquisition/link/d2xx/TestD2xx.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

FT_HANDLE const DeviceHandle = reinterpret_cast<FT_HANDLE>(0x5A5A);

struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<uint8_t>> writes;
    bool open = false;
    bool hold = false;
    int heldWriters = 0;
    int writersInside = 0;
    bool overlapped = false;
    uint32_t chunk = 0;
    FT_STATUS writeStatus = FT_OK;
};

State& state() {
    static State s;
    return s;
}

bool valid(FT_HANDLE handle) {
    std::lock_guard lock(state().mutex);
    return handle == DeviceHandle && state().open;
}

} // namespace

extern "C" {

void TestD2xxReset() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.writes.clear();
    s.open = false;
    s.hold = false;
    s.overlapped = false;
    s.chunk = 0;
    s.writeStatus = FT_OK;
    s.changed.notify_all();
}

void TestD2xxHoldWrites(int hold) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.hold = hold != 0;
    s.changed.notify_all();
}

int TestD2xxWaitHeldWriter(int timeoutMs) {
    State& s = state();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return s.heldWriters > 0; })
               ? 1
               : 0;
}

void TestD2xxSetWriteChunk(uint32_t bytes) {
    std::lock_guard lock(state().mutex);
    state().chunk = bytes;
}

void TestD2xxSetWriteStatus(FT_STATUS status) {
    std::lock_guard lock(state().mutex);
    state().writeStatus = status;
}

size_t TestD2xxWriteCount() {
    std::lock_guard lock(state().mutex);
    return state().writes.size();
}

size_t TestD2xxWriteAt(size_t index, uint8_t* to, size_t capacity) {
    std::lock_guard lock(state().mutex);
    if (index >= state().writes.size())
        return 0;
    const auto& write = state().writes[index];
    const size_t count = write.size() < capacity ? write.size() : capacity;
    std::memcpy(to, write.data(), count);
    return write.size();
}

int TestD2xxOverlapped() {
    std::lock_guard lock(state().mutex);
    return state().overlapped ? 1 : 0;
}

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Write
FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t length, uint32_t* written) {
    State& s = state();
    std::unique_lock lock(s.mutex);
    *written = 0;
    if (handle != DeviceHandle || !s.open)
        return FT_INVALID_HANDLE;
    if (++s.writersInside > 1)
        s.overlapped = true;
    ++s.heldWriters;
    s.changed.notify_all();
    s.changed.wait(lock, [&] { return !s.hold; });
    --s.heldWriters;
    const FT_STATUS status = s.writeStatus;
    if (status == FT_OK) {
        const uint32_t count = s.chunk && s.chunk < length ? s.chunk : length;
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        s.writes.emplace_back(bytes, bytes + count);
        *written = count;
    }
    lock.unlock();
    // Stay inside a little, so that a second writer would be caught overlapping.
    std::this_thread::sleep_for(std::chrono::microseconds(50));
    lock.lock();
    --s.writersInside;
    return status;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Read
FT_STATUS FT_Read(FT_HANDLE handle, void*, uint32_t, uint32_t* received) {
    *received = 0;
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Open
FT_STATUS FT_Open(int deviceIndex, FT_HANDLE* handle) {
    if (deviceIndex != 0)
        return FT_DEVICE_NOT_FOUND;
    std::lock_guard lock(state().mutex);
    state().open = true;
    *handle = DeviceHandle;
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_OpenEx
FT_STATUS FT_OpenEx(const char* text, uint32_t openBy, FT_HANDLE* handle) {
    const bool match = (openBy == FT_OPEN_BY_DESCRIPTION && std::strcmp(text, "Logger") == 0) ||
                       (openBy == FT_OPEN_BY_SERIAL_NUMBER && std::strcmp(text, "TD000042") == 0);
    if (!match)
        return FT_DEVICE_NOT_FOUND;
    std::lock_guard lock(state().mutex);
    state().open = true;
    *handle = DeviceHandle;
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_ListDevices
FT_STATUS FT_ListDevices(void*, void*, uint32_t) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Close
FT_STATUS FT_Close(FT_HANDLE handle) {
    if (!valid(handle))
        return FT_INVALID_HANDLE;
    std::lock_guard lock(state().mutex);
    state().open = false;
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_ResetDevice
FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Purge
FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t) {
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetTimeouts
FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t, uint32_t) {
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_GetQueueStatus
FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* received) {
    *received = 0;
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetBreakOn
FT_STATUS FT_SetBreakOn(FT_HANDLE handle) {
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetBreakOff
FT_STATUS FT_SetBreakOff(FT_HANDLE handle) {
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_GetStatus
FT_STATUS FT_GetStatus(FT_HANDLE handle, uint32_t* received, uint32_t* toSend, uint32_t* events) {
    *received = *toSend = *events = 0;
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetEventNotification
FT_STATUS FT_SetEventNotification(FT_HANDLE, uint32_t, void*) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_EE_Read
FT_STATUS FT_EE_Read(FT_HANDLE handle, FT_EEPROM_RECORD* record) {
    if (!valid(handle))
        return FT_INVALID_HANDLE;
    record->VendorId = 0x0403;
    record->ProductId = 0x6001;
    auto copy = [](char* to, size_t size, const char* text) {
        if (to)
            std::snprintf(to, size, "%s", text);
    };
    copy(record->Manufacturer, FT_EE_MANUFACTURER_SIZE, "Test maker");
    copy(record->ManufacturerId, FT_EE_MANUFACTURER_ID_SIZE, "TD");
    copy(record->Description, FT_EE_DESCRIPTION_SIZE, "Logger");
    copy(record->SerialNumber, FT_EE_SERIAL_NUMBER_SIZE, "TD000042");
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_EE_Program
FT_STATUS FT_EE_Program(FT_HANDLE, FT_EEPROM_RECORD*) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_EE_UARead
FT_STATUS FT_EE_UARead(FT_HANDLE, unsigned char*, uint32_t, uint32_t*) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_EE_UAWrite
FT_STATUS FT_EE_UAWrite(FT_HANDLE, unsigned char*, uint32_t) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_EE_UASize
FT_STATUS FT_EE_UASize(FT_HANDLE, uint32_t*) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_GetLatencyTimer
FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, unsigned char* milliseconds) {
    *milliseconds = 2;
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetLatencyTimer
FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, unsigned char) {
    return valid(handle) ? FT_OK : FT_INVALID_HANDLE;
}
#endif

} // extern "C"
