/* The USB bridge calls the logger link uses, as this program declares them.
 *
 * The link loads a shared library by name at run time and binds these calls in a fixed order
 * (Ftd2xxLibrary). Any library that exports them with these signatures and statuses can stand
 * behind the link: the bridge over libftdi1, the simulated logger, the tests' recording
 * library. Plain C, so that such libraries can be written in C or C++.
 */
#ifndef ZARN_PLATFORM_FTD2XX_FTD2XX_H
#define ZARN_PLATFORM_FTD2XX_FTD2XX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* FT_HANDLE;
typedef uint32_t FT_STATUS;

/* Statuses. 0 is success throughout; the link turns the others into texts. */
enum {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    /* Our own: the library does not offer this call (it has no text). */
    FT_CALL_NOT_OFFERED = 100
};

/* FT_OpenEx: what the text argument names. */
enum { FT_OPEN_BY_SERIAL_NUMBER = 1, FT_OPEN_BY_DESCRIPTION = 2 };

/* FT_Purge: which buffers to empty. */
enum { FT_PURGE_RX = 1, FT_PURGE_TX = 2 };

/* Buffer sizes of the EEPROM record's texts, terminator included. */
enum {
    FT_EE_MANUFACTURER_SIZE = 32,
    FT_EE_MANUFACTURER_ID_SIZE = 16,
    FT_EE_DESCRIPTION_SIZE = 64,
    FT_EE_SERIAL_NUMBER_SIZE = 16
};

/* The identity FT_EE_Read fills: the ids, and the texts into the caller's buffers (a null
 * pointer skips that text). */
typedef struct FT_EEPROM_RECORD {
    uint16_t VendorId;
    uint16_t ProductId;
    char* Manufacturer;   /* FT_EE_MANUFACTURER_SIZE bytes */
    char* ManufacturerId; /* FT_EE_MANUFACTURER_ID_SIZE bytes */
    char* Description;    /* FT_EE_DESCRIPTION_SIZE bytes */
    char* SerialNumber;   /* FT_EE_SERIAL_NUMBER_SIZE bytes */
} FT_EEPROM_RECORD;

/* The calls, in the order the link binds them. */
FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t length, uint32_t* written);
FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t wanted, uint32_t* received);
FT_STATUS FT_Open(int deviceIndex, FT_HANDLE* handle);
FT_STATUS FT_OpenEx(const char* text, uint32_t openBy, FT_HANDLE* handle);
FT_STATUS FT_ListDevices(void* first, void* second, uint32_t flags);
FT_STATUS FT_Close(FT_HANDLE handle);
FT_STATUS FT_ResetDevice(FT_HANDLE handle);
FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t which);
FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs);
FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* received);
FT_STATUS FT_SetBreakOn(FT_HANDLE handle);
FT_STATUS FT_SetBreakOff(FT_HANDLE handle);
FT_STATUS FT_GetStatus(FT_HANDLE handle, uint32_t* received, uint32_t* toSend, uint32_t* events);
FT_STATUS FT_SetEventNotification(FT_HANDLE handle, uint32_t mask, void* event);
FT_STATUS FT_EE_Read(FT_HANDLE handle, FT_EEPROM_RECORD* record);
FT_STATUS FT_EE_Program(FT_HANDLE handle, FT_EEPROM_RECORD* record);
FT_STATUS FT_EE_UARead(FT_HANDLE handle, unsigned char* buffer, uint32_t size, uint32_t* read);
FT_STATUS FT_EE_UAWrite(FT_HANDLE handle, unsigned char* buffer, uint32_t size);
FT_STATUS FT_EE_UASize(FT_HANDLE handle, uint32_t* size);
FT_STATUS FT_GetLatencyTimer(FT_HANDLE handle, unsigned char* milliseconds);
FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, unsigned char milliseconds);

/* Pointer types of the calls, for the binding. */
typedef FT_STATUS (*FT_Write_Fn)(FT_HANDLE, const void*, uint32_t, uint32_t*);
typedef FT_STATUS (*FT_Read_Fn)(FT_HANDLE, void*, uint32_t, uint32_t*);
typedef FT_STATUS (*FT_Open_Fn)(int, FT_HANDLE*);
typedef FT_STATUS (*FT_OpenEx_Fn)(const char*, uint32_t, FT_HANDLE*);
typedef FT_STATUS (*FT_ListDevices_Fn)(void*, void*, uint32_t);
typedef FT_STATUS (*FT_Close_Fn)(FT_HANDLE);
typedef FT_STATUS (*FT_ResetDevice_Fn)(FT_HANDLE);
typedef FT_STATUS (*FT_Purge_Fn)(FT_HANDLE, uint32_t);
typedef FT_STATUS (*FT_SetTimeouts_Fn)(FT_HANDLE, uint32_t, uint32_t);
typedef FT_STATUS (*FT_GetQueueStatus_Fn)(FT_HANDLE, uint32_t*);
typedef FT_STATUS (*FT_SetBreakOn_Fn)(FT_HANDLE);
typedef FT_STATUS (*FT_SetBreakOff_Fn)(FT_HANDLE);
typedef FT_STATUS (*FT_GetStatus_Fn)(FT_HANDLE, uint32_t*, uint32_t*, uint32_t*);
typedef FT_STATUS (*FT_SetEventNotification_Fn)(FT_HANDLE, uint32_t, void*);
typedef FT_STATUS (*FT_EE_Read_Fn)(FT_HANDLE, FT_EEPROM_RECORD*);
typedef FT_STATUS (*FT_EE_Program_Fn)(FT_HANDLE, FT_EEPROM_RECORD*);
typedef FT_STATUS (*FT_EE_UARead_Fn)(FT_HANDLE, unsigned char*, uint32_t, uint32_t*);
typedef FT_STATUS (*FT_EE_UAWrite_Fn)(FT_HANDLE, unsigned char*, uint32_t);
typedef FT_STATUS (*FT_EE_UASize_Fn)(FT_HANDLE, uint32_t*);
typedef FT_STATUS (*FT_GetLatencyTimer_Fn)(FT_HANDLE, unsigned char*);
typedef FT_STATUS (*FT_SetLatencyTimer_Fn)(FT_HANDLE, unsigned char);

#ifdef __cplusplus
}
#endif

#endif
