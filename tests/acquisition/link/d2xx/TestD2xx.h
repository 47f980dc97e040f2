// The control calls of the tests' bridge library (TestD2xx.cpp), and their pointer types for
// a test that opens the library by path.
#pragma once

#include "platform/ftd2xx/Ftd2xx.h"

#include <cstddef>
#include <cstdint>

extern "C" {
// Forgets the writes, closes the device, releases held writes, clears the write settings.
void TestD2xxReset();
// While holding, FT_Write waits inside the call until released.
void TestD2xxHoldWrites(int hold);
// 1 once a writer waits inside FT_Write, 0 when the time ran out.
int TestD2xxWaitHeldWriter(int timeoutMs);
// FT_Write takes at most this many bytes per call (0: all).
void TestD2xxSetWriteChunk(uint32_t bytes);
// FT_Write answers this status and takes nothing when it is not FT_OK.
void TestD2xxSetWriteStatus(FT_STATUS status);
size_t TestD2xxWriteCount();
// Copies write number index; returns its full length.
size_t TestD2xxWriteAt(size_t index, uint8_t* to, size_t capacity);
// 1 when two FT_Write calls were ever inside at the same time.
int TestD2xxOverlapped();

// Scripted reads: appends count reads at once; read i hands out sizes[i] bytes taken in order
// from bytes (0: an empty read). FT_Read returns the front read, at most the bytes asked for
// (the rest stays at the front); with no read left it returns nothing. FT_GetQueueStatus
// reports the bytes of the reads left.
void TestD2xxQueueReads(const uint8_t* bytes, const uint32_t* sizes, size_t count);
size_t TestD2xxReadsLeft();
// While holding, FT_Read waits inside the call until released, then reads as usual.
void TestD2xxHoldReads(int hold);
// 1 once a reader waits inside FT_Read, 0 when the time ran out.
int TestD2xxWaitHeldReader(int timeoutMs);
// FT_Read answers this status (and nothing) when it is not FT_OK.
void TestD2xxSetReadStatus(FT_STATUS status);
// Unplugged: FT_Open fails, calls on the open handle fail with FT_IO_ERROR, FT_Close succeeds.
void TestD2xxSetPlugged(int plugged);
// FT_Open and FT_OpenEx calls so far.
size_t TestD2xxOpenCount();
// What FT_EE_Read reports.
void TestD2xxSetIdentity(uint16_t vendorId, uint16_t productId, const char* serialNumber);
// The calls that open, close, reset, purge, read the EEPROM or write, and the timeout and
// latency settings each time they change, one line each ("Open 0", "Timeouts 300 100",
// "Latency 1", "Purge 1", "Write 01", ...). Copies at most capacity - 1 characters and a
// terminator; returns the full length.
size_t TestD2xxJournal(char* to, size_t capacity);
}
