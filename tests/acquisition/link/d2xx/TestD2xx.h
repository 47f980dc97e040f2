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
}
