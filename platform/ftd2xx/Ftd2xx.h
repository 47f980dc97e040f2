/* The USB bridge calls the logger link uses, as this program declares them.
 *
 * The link loads a shared library by name at run time and binds these calls in a fixed order
 * (Ftd2xxLibrary). Any library that exports them with these signatures and statuses can stand
 * behind the link: the bridge over libftdi1, the simulated logger, the tests' recording
 * library. Plain C, so that such libraries can be written in C or C++.
 */
#ifndef ZARN_PLATFORM_FTD2XX_FTD2XX_H
#define ZARN_PLATFORM_FTD2XX_FTD2XX_H

#include <stddef.h>
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

/* Buffer sizes of the EEPROM record's texts, terminator included: the sizes the D2XX
 * documentation gives for FT_EE_Read, which checks no buffer size itself. */
enum {
    FT_EE_MANUFACTURER_SIZE = 32,
    FT_EE_MANUFACTURER_ID_SIZE = 16,
    FT_EE_DESCRIPTION_SIZE = 64,
    FT_EE_SERIAL_NUMBER_SIZE = 16
};

/* The record's header: the two signatures tell the library that the caller declares the
 * versioned layout, the version which of its extensions the record has room for. */
#define FT_EE_SIGNATURE1 0x00000000u
#define FT_EE_SIGNATURE2 0xFFFFFFFFu
/* 0 original, 1 FT2232 extensions, 2 FT232R, 3 FT2232H, 4 FT4232H, 5 FT232H: the newest
 * documented version, the one the record below is declared to. */
#define FT_EE_VERSION 5u

/* The EEPROM record FT_EE_Read fills and FT_EE_Program takes (FT_PROGRAM_DATA in the D2XX
 * documentation), field for field as documented up to version 5. The caller sets the header,
 * zeroes the rest and points the four texts at buffers of the sizes above (EepromReadRecord
 * makes such a record); the library writes the ids, the texts and the device options of the
 * version it was given. The program uses the ids and the serial number. */
typedef struct FT_EEPROM_RECORD {
    uint32_t Signature1; /* FT_EE_SIGNATURE1 */
    uint32_t Signature2; /* FT_EE_SIGNATURE2 */
    uint32_t Version;    /* FT_EE_VERSION */
    uint16_t VendorId;
    uint16_t ProductId;
    char* Manufacturer;   /* FT_EE_MANUFACTURER_SIZE bytes */
    char* ManufacturerId; /* FT_EE_MANUFACTURER_ID_SIZE bytes */
    char* Description;    /* FT_EE_DESCRIPTION_SIZE bytes */
    char* SerialNumber;   /* FT_EE_SERIAL_NUMBER_SIZE bytes */
    uint16_t MaxPower;
    uint16_t PnP;
    uint16_t SelfPowered;
    uint16_t RemoteWakeup;
    /* FT232B, still version 0 */
    unsigned char Rev4;
    unsigned char IsoIn;
    unsigned char IsoOut;
    unsigned char PullDownEnable;
    unsigned char SerNumEnable;
    unsigned char USBVersionEnable;
    uint16_t USBVersion;
    /* Version 1: FT2232 */
    unsigned char Rev5;
    unsigned char IsoInA;
    unsigned char IsoInB;
    unsigned char IsoOutA;
    unsigned char IsoOutB;
    unsigned char PullDownEnable5;
    unsigned char SerNumEnable5;
    unsigned char USBVersionEnable5;
    uint16_t USBVersion5;
    unsigned char AIsHighCurrent;
    unsigned char BIsHighCurrent;
    unsigned char IFAIsFifo;
    unsigned char IFAIsFifoTar;
    unsigned char IFAIsFastSer;
    unsigned char AIsVCP;
    unsigned char IFBIsFifo;
    unsigned char IFBIsFifoTar;
    unsigned char IFBIsFastSer;
    unsigned char BIsVCP;
    /* Version 2: FT232R */
    unsigned char UseExtOsc;
    unsigned char HighDriveIOs;
    unsigned char EndpointSize;
    unsigned char PullDownEnableR;
    unsigned char SerNumEnableR;
    unsigned char InvertTXD;
    unsigned char InvertRXD;
    unsigned char InvertRTS;
    unsigned char InvertCTS;
    unsigned char InvertDTR;
    unsigned char InvertDSR;
    unsigned char InvertDCD;
    unsigned char InvertRI;
    unsigned char Cbus0;
    unsigned char Cbus1;
    unsigned char Cbus2;
    unsigned char Cbus3;
    unsigned char Cbus4;
    unsigned char RIsD2XX;
    /* Version 3: FT2232H */
    unsigned char PullDownEnable7;
    unsigned char SerNumEnable7;
    unsigned char ALSlowSlew;
    unsigned char ALSchmittInput;
    unsigned char ALDriveCurrent;
    unsigned char AHSlowSlew;
    unsigned char AHSchmittInput;
    unsigned char AHDriveCurrent;
    unsigned char BLSlowSlew;
    unsigned char BLSchmittInput;
    unsigned char BLDriveCurrent;
    unsigned char BHSlowSlew;
    unsigned char BHSchmittInput;
    unsigned char BHDriveCurrent;
    unsigned char IFAIsFifo7;
    unsigned char IFAIsFifoTar7;
    unsigned char IFAIsFastSer7;
    unsigned char AIsVCP7;
    unsigned char IFBIsFifo7;
    unsigned char IFBIsFifoTar7;
    unsigned char IFBIsFastSer7;
    unsigned char BIsVCP7;
    unsigned char PowerSaveEnable;
    /* Version 4: FT4232H */
    unsigned char PullDownEnable8;
    unsigned char SerNumEnable8;
    unsigned char ASlowSlew;
    unsigned char ASchmittInput;
    unsigned char ADriveCurrent;
    unsigned char BSlowSlew;
    unsigned char BSchmittInput;
    unsigned char BDriveCurrent;
    unsigned char CSlowSlew;
    unsigned char CSchmittInput;
    unsigned char CDriveCurrent;
    unsigned char DSlowSlew;
    unsigned char DSchmittInput;
    unsigned char DDriveCurrent;
    unsigned char ARIIsTXDEN;
    unsigned char BRIIsTXDEN;
    unsigned char CRIIsTXDEN;
    unsigned char DRIIsTXDEN;
    unsigned char AIsVCP8;
    unsigned char BIsVCP8;
    unsigned char CIsVCP8;
    unsigned char DIsVCP8;
    /* Version 5: FT232H */
    unsigned char PullDownEnableH;
    unsigned char SerNumEnableH;
    unsigned char ACSlowSlewH;
    unsigned char ACSchmittInputH;
    unsigned char ACDriveCurrentH;
    unsigned char ADSlowSlewH;
    unsigned char ADSchmittInputH;
    unsigned char ADDriveCurrentH;
    unsigned char Cbus0H;
    unsigned char Cbus1H;
    unsigned char Cbus2H;
    unsigned char Cbus3H;
    unsigned char Cbus4H;
    unsigned char Cbus5H;
    unsigned char Cbus6H;
    unsigned char Cbus7H;
    unsigned char Cbus8H;
    unsigned char Cbus9H;
    unsigned char IsFifoH;
    unsigned char IsFifoTarH;
    unsigned char IsFastSerH;
    unsigned char IsFT1248H;
    unsigned char FT1248CpolH;
    unsigned char FT1248LsbH;
    unsigned char FT1248FlowControlH;
    unsigned char IsVCPH;
    unsigned char PowerSaveEnableH;
} FT_EEPROM_RECORD;

/* The layout the 64-bit Linux library expects (4-byte DWORD, 8-byte pointers). */
#if defined(__linux__) && defined(__LP64__)
#ifdef __cplusplus
#define FT_EE_LAYOUT_CHECK(condition, what) static_assert(condition, what)
#else
#define FT_EE_LAYOUT_CHECK(condition, what) _Static_assert(condition, what)
#endif
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, VendorId) == 12, "ids after the header");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, Manufacturer) == 16, "texts after the ids");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, SerialNumber) == 40, "four text pointers");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, MaxPower) == 48, "options after the texts");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, USBVersion) == 62, "end of the original part");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, USBVersion5) == 72, "FT2232 part");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, UseExtOsc) == 84, "FT232R part");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, PullDownEnable7) == 103, "FT2232H part");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, PullDownEnable8) == 126, "FT4232H part");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, PullDownEnableH) == 148, "FT232H part");
FT_EE_LAYOUT_CHECK(offsetof(FT_EEPROM_RECORD, PowerSaveEnableH) == 174, "last field");
FT_EE_LAYOUT_CHECK(sizeof(FT_EEPROM_RECORD) == 176, "whole record");
#undef FT_EE_LAYOUT_CHECK
#endif

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
