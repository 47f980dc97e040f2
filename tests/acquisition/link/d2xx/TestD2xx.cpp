// A bridge library for the link's tests: one device that records every write, hands out scripted
// reads, can be unplugged and plugged back, and keeps a journal of the calls that set it up.
// Controlled by the test through the TestD2xx* functions below.
//
// Built several times; each ZARN_TEST_D2XX_WITHOUT_<name> definition leaves that call out, so
// the tests can bind a library that lacks it.
#include "tests/acquisition/link/d2xx/TestD2xx.h"

#include "platform/ftd2xx/EepromIdentity.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
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
    bool holdReads = false;
    int heldReaders = 0;
    int writersInside = 0;
    bool overlapped = false;
    uint32_t chunk = 0;
    FT_STATUS writeStatus = FT_OK;
    std::deque<std::vector<uint8_t>> reads;
    FT_STATUS readStatus = FT_OK;
    bool plugged = true;
    size_t opens = 0;
    uint16_t vendorId = 0x0403;
    uint16_t productId = 0x6001;
    std::string serialNumber = "TD000042";
    std::string journal;
    uint32_t readTimeout = 0, writeTimeout = 0;
    int latency = -1;
};

State& state() {
    static State s;
    return s;
}

// The status of a call on the handle (the state's lock held).
FT_STATUS checkLocked(FT_HANDLE handle) {
    const State& s = state();
    if (handle != DeviceHandle || !s.open)
        return FT_INVALID_HANDLE;
    return s.plugged ? FT_OK : FT_IO_ERROR;
}

FT_STATUS check(FT_HANDLE handle) {
    std::lock_guard lock(state().mutex);
    return checkLocked(handle);
}

// Where the part of the record that a version has ends.
[[maybe_unused]] size_t versionEnd(uint32_t version) {
    switch (version) {
    case 0:
        return offsetof(FT_EEPROM_RECORD, Rev5);
    case 1:
        return offsetof(FT_EEPROM_RECORD, UseExtOsc);
    case 2:
        return offsetof(FT_EEPROM_RECORD, PullDownEnable7);
    case 3:
        return offsetof(FT_EEPROM_RECORD, PullDownEnable8);
    case 4:
        return offsetof(FT_EEPROM_RECORD, PullDownEnableH);
    default:
        return offsetof(FT_EEPROM_RECORD, PowerSaveEnableH) + 1;
    }
}

void note(const std::string& line) {
    state().journal += line;
    state().journal += '\n';
}

} // namespace

extern "C" {

void TestD2xxReset() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.writes.clear();
    s.open = false;
    s.hold = false;
    s.holdReads = false;
    s.overlapped = false;
    s.chunk = 0;
    s.writeStatus = FT_OK;
    s.reads.clear();
    s.readStatus = FT_OK;
    s.plugged = true;
    s.opens = 0;
    s.vendorId = 0x0403;
    s.productId = 0x6001;
    s.serialNumber = "TD000042";
    s.journal.clear();
    s.readTimeout = s.writeTimeout = 0;
    s.latency = -1;
    s.changed.notify_all();
}

void TestD2xxQueueReads(const uint8_t* bytes, const uint32_t* sizes, size_t count) {
    std::lock_guard lock(state().mutex);
    for (size_t i = 0; i < count; ++i) {
        state().reads.emplace_back(bytes, bytes + sizes[i]);
        bytes += sizes[i];
    }
}

size_t TestD2xxReadsLeft() {
    std::lock_guard lock(state().mutex);
    return state().reads.size();
}

void TestD2xxHoldReads(int hold) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    s.holdReads = hold != 0;
    s.changed.notify_all();
}

int TestD2xxWaitHeldReader(int timeoutMs) {
    State& s = state();
    std::unique_lock lock(s.mutex);
    return s.changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return s.heldReaders > 0; })
               ? 1
               : 0;
}

void TestD2xxSetReadStatus(FT_STATUS status) {
    std::lock_guard lock(state().mutex);
    state().readStatus = status;
}

void TestD2xxSetPlugged(int plugged) {
    std::lock_guard lock(state().mutex);
    state().plugged = plugged != 0;
}

size_t TestD2xxOpenCount() {
    std::lock_guard lock(state().mutex);
    return state().opens;
}

void TestD2xxSetIdentity(uint16_t vendorId, uint16_t productId, const char* serialNumber) {
    std::lock_guard lock(state().mutex);
    state().vendorId = vendorId;
    state().productId = productId;
    state().serialNumber = serialNumber;
}

size_t TestD2xxJournal(char* to, size_t capacity) {
    std::lock_guard lock(state().mutex);
    const std::string& j = state().journal;
    if (capacity > 0) {
        const size_t n = j.size() < capacity - 1 ? j.size() : capacity - 1;
        std::memcpy(to, j.data(), n);
        to[n] = '\0';
    }
    return j.size();
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
    if (const FT_STATUS status = checkLocked(handle); status != FT_OK)
        return status;
    if (length > 0) {
        char line[16];
        std::snprintf(line, sizeof line, "Write %02X", static_cast<const uint8_t*>(buffer)[0]);
        note(line);
    }
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
FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t wanted, uint32_t* received) {
    *received = 0;
    State& s = state();
    std::unique_lock lock(s.mutex);
    if (s.holdReads) {
        ++s.heldReaders;
        s.changed.notify_all();
        s.changed.wait(lock, [&] { return !s.holdReads; });
        --s.heldReaders;
    }
    if (const FT_STATUS status = checkLocked(handle); status != FT_OK)
        return status;
    if (s.readStatus != FT_OK)
        return s.readStatus;
    if (s.reads.empty())
        return FT_OK;
    std::vector<uint8_t>& front = s.reads.front();
    if (front.empty()) { // a scripted empty read
        s.reads.pop_front();
        return FT_OK;
    }
    const size_t n = front.size() < wanted ? front.size() : wanted;
    std::memcpy(buffer, front.data(), n);
    *received = static_cast<uint32_t>(n);
    if (n == front.size())
        s.reads.pop_front();
    else
        front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(n));
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Open
FT_STATUS FT_Open(int deviceIndex, FT_HANDLE* handle) {
    std::lock_guard lock(state().mutex);
    ++state().opens;
    note("Open " + std::to_string(deviceIndex));
    if (deviceIndex != 0 || !state().plugged)
        return FT_DEVICE_NOT_FOUND;
    state().open = true;
    *handle = DeviceHandle;
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_OpenEx
FT_STATUS FT_OpenEx(const char* text, uint32_t openBy, FT_HANDLE* handle) {
    std::lock_guard lock(state().mutex);
    ++state().opens;
    note(std::string("OpenEx ") + text);
    const bool match = (openBy == FT_OPEN_BY_DESCRIPTION && std::strcmp(text, "Logger") == 0) ||
                       (openBy == FT_OPEN_BY_SERIAL_NUMBER && text == state().serialNumber);
    if (!match || !state().plugged)
        return FT_DEVICE_NOT_FOUND;
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
    std::lock_guard lock(state().mutex);
    if (checkLocked(handle) == FT_INVALID_HANDLE)
        return FT_INVALID_HANDLE;
    note("Close");
    state().open = false; // an unplugged device's handle is released too
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_ResetDevice
FT_STATUS FT_ResetDevice(FT_HANDLE handle) {
    std::lock_guard lock(state().mutex);
    note("Reset");
    return checkLocked(handle);
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_Purge
FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t which) {
    std::lock_guard lock(state().mutex);
    note("Purge " + std::to_string(which));
    return checkLocked(handle);
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetTimeouts
FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (const FT_STATUS status = checkLocked(handle); status != FT_OK)
        return status;
    if (readMs != s.readTimeout || writeMs != s.writeTimeout)
        note("Timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
    s.readTimeout = readMs;
    s.writeTimeout = writeMs;
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_GetQueueStatus
FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* received) {
    *received = 0;
    std::lock_guard lock(state().mutex);
    if (const FT_STATUS status = checkLocked(handle); status != FT_OK)
        return status;
    size_t waiting = 0;
    for (const auto& read : state().reads)
        waiting += read.size();
    *received = static_cast<uint32_t>(waiting);
    return FT_OK;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetBreakOn
FT_STATUS FT_SetBreakOn(FT_HANDLE handle) {
    return check(handle);
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetBreakOff
FT_STATUS FT_SetBreakOff(FT_HANDLE handle) {
    return check(handle);
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_GetStatus
FT_STATUS FT_GetStatus(FT_HANDLE handle, uint32_t* received, uint32_t* toSend, uint32_t* events) {
    *received = *toSend = *events = 0;
    return check(handle);
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetEventNotification
FT_STATUS FT_SetEventNotification(FT_HANDLE, uint32_t, void*) {
    return FT_CALL_NOT_OFFERED;
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_EE_Read
// As the documented library does it: a record without the signatures, or of a version it does
// not know, is refused; otherwise the ids, the texts and every device option of the record's
// version are written (the options as 1 bytes), so a record shorter than its version says is
// written past its end.
FT_STATUS FT_EE_Read(FT_HANDLE handle, FT_EEPROM_RECORD* record) {
    std::lock_guard lock(state().mutex);
    note("EE_Read");
    if (const FT_STATUS status = checkLocked(handle); status != FT_OK)
        return status;
    if (!zarn::EepromIdentity::accepts(record) || record->Version > FT_EE_VERSION)
        return FT_INVALID_PARAMETER;
    const zarn::EepromIdentity identity{state().vendorId, state().productId,   "Test maker", "TD",
                                        "Logger",         state().serialNumber};
    if (const FT_STATUS status = identity.writeTo(record); status != FT_OK)
        return status;
    const size_t options = offsetof(FT_EEPROM_RECORD, MaxPower);
    std::memset(reinterpret_cast<unsigned char*>(record) + options, 1,
                versionEnd(record->Version) - options);
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
    return check(handle);
}
#endif

#ifndef ZARN_TEST_D2XX_WITHOUT_FT_SetLatencyTimer
FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, unsigned char milliseconds) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (const FT_STATUS status = checkLocked(handle); status != FT_OK)
        return status;
    if (milliseconds != s.latency)
        note("Latency " + std::to_string(milliseconds));
    s.latency = milliseconds;
    return FT_OK;
}
#endif

} // extern "C"
