// Loads the USB bridge library by name and binds its calls.
//
// The library is libftd2xx.so unless the environment variable ZARN_FTD2XX names another (the
// simulated logger, the libftdi1 bridge, a test library). The calls are looked up in one fixed
// order and the binding stops at the first name the library does not export: the calls before
// it stay bound, the ones from it on stay null. Messages to the operator are the link's
// business; this class only reports what happened.
#pragma once

#include "platform/ftd2xx/Ftd2xx.h"

#include <array>
#include <string>
#include <string_view>

namespace zarn {

// The bound calls; a null pointer is a call that is not bound.
struct Ftd2xxCalls {
    FT_Write_Fn write = nullptr;
    FT_Read_Fn read = nullptr;
    FT_Open_Fn open = nullptr;
    FT_OpenEx_Fn openEx = nullptr;
    FT_ListDevices_Fn listDevices = nullptr;
    FT_Close_Fn close = nullptr;
    FT_ResetDevice_Fn resetDevice = nullptr;
    FT_Purge_Fn purge = nullptr;
    FT_SetTimeouts_Fn setTimeouts = nullptr;
    FT_GetQueueStatus_Fn getQueueStatus = nullptr;
    FT_SetBreakOn_Fn setBreakOn = nullptr;
    FT_SetBreakOff_Fn setBreakOff = nullptr;
    FT_GetStatus_Fn getStatus = nullptr;
    FT_SetEventNotification_Fn setEventNotification = nullptr;
    FT_EE_Read_Fn eeRead = nullptr;
    FT_EE_Program_Fn eeProgram = nullptr;
    FT_EE_UARead_Fn eeUaRead = nullptr;
    FT_EE_UAWrite_Fn eeUaWrite = nullptr;
    FT_EE_UASize_Fn eeUaSize = nullptr;
    FT_GetLatencyTimer_Fn getLatencyTimer = nullptr;
    FT_SetLatencyTimer_Fn setLatencyTimer = nullptr;
};

class Ftd2xxLibrary {
public:
    enum class Result { Bound, NotLoaded, MissingName };

    static constexpr std::string_view DefaultName = "libftd2xx.so";
    static constexpr std::string_view EnvironmentVariable = "ZARN_FTD2XX";
    static constexpr size_t CallCount = 21;

    // The names in binding order.
    static const std::array<std::string_view, CallCount>& bindingOrder();
    // ZARN_FTD2XX when set and not empty, else the default name.
    static std::string libraryName();

    Ftd2xxLibrary() = default;
    ~Ftd2xxLibrary();
    Ftd2xxLibrary(const Ftd2xxLibrary&) = delete;
    Ftd2xxLibrary& operator=(const Ftd2xxLibrary&) = delete;

    // Loads the named library (a name without '/' is searched like any shared library) and
    // binds the calls. Call once per object.
    [[nodiscard]] Result load(const std::string& name);
    [[nodiscard]] Result load() { return load(libraryName()); }

    bool bound() const { return result_ == Result::Bound; }
    Result result() const { return result_; }
    // The first name that was not found (MissingName only).
    const std::string& missingName() const { return missingName_; }
    // The loader's explanation when the library could not be loaded.
    const std::string& loadError() const { return loadError_; }
    const Ftd2xxCalls& calls() const { return calls_; }

private:
    void* handle_ = nullptr;
    Result result_ = Result::NotLoaded;
    std::string missingName_;
    std::string loadError_;
    Ftd2xxCalls calls_;
};

} // namespace zarn
